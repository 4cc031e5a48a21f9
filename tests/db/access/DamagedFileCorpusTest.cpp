// Cut and bit-flipped copies of the shared Access files, each opened and read
// whole in a child process held to a time and a memory limit: every copy must
// end in time, within memory, with the damaged-file error or with data.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

constexpr unsigned kSecondsPerCopy = 10;
constexpr long kExtraMemory = 256L << 20;  // above what the test program has mapped already

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Per table, a line of its name, row count and a digest of its rows.
std::string ReadAll(Connection& c) {
    std::ostringstream out;
    std::vector<std::string> names;
    for (auto schema = c.OpenSchema(); !schema->Eof(); schema->MoveNext())
        if (schema->Fields("TABLE_TYPE").Value().ToText() == "TABLE")
            names.push_back(schema->Fields("TABLE_NAME").Value().ToText());
    for (const std::string& name : names) {
        long rows = 0;
        std::string text;
        for (auto rs = c.Execute("SELECT * FROM [" + name + "]"); !rs->Eof(); rs->MoveNext(), ++rows)
            for (const Field& f : rs->AllFields()) text += f.Value().ToText() + '\x1f';
        out << name << '\t' << rows << '\t' << std::hash<std::string>{}(text) << '\n';
    }
    return out.str();
}

// "OK" and ReadAll's lines, "ERROR" and the message, or why the child did not finish.
std::string ReadInChild(const std::string& path) {
    const std::string reportFile = test::TempDir() + "/report";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        rlimit limit{};
        long pages = 0;
        std::ifstream("/proc/self/statm") >> pages;
        limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + kExtraMemory);
        setrlimit(RLIMIT_AS, &limit);
        alarm(kSecondsPerCopy);
        std::string report;
        try {
            Connection c;
            c.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path);
            report = "OK\n" + ReadAll(c);
        } catch (const std::exception& e) {
            report = std::string("ERROR\n") + e.what();
        }
        std::ofstream(reportFile, std::ios::binary) << report;
        _exit(0);
    }
    int status = 0;
    waitpid(child, &status, 0);
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGALRM)
        return "did not end within " + std::to_string(kSecondsPerCopy) + " s";
    if (WIFSIGNALED(status)) return "died of signal " + std::to_string(WTERMSIG(status));
    return Slurp(reportFile);
}

// Row count per table of a finished reading.
std::map<std::string, std::string> RowCounts(const std::string& report) {
    std::map<std::string, std::string> counts;
    std::istringstream in(report.substr(3));
    for (std::string name, rows, digest; std::getline(in, name, '\t') && std::getline(in, rows, '\t');)
        if (std::getline(in, digest)) counts[name] = rows;
    return counts;
}

TEST(DamagedAccessFiles, EndInTimeWithinMemoryWithTheErrorOrTheData) {
    std::mt19937 random(20261206);
    auto pick = [&random](std::size_t below) {
        return std::uniform_int_distribution<std::size_t>(0, below - 1)(random);
    };
    int copiesRead = 0, errors = 0, whole = 0, changed = 0;
    for (const char* name : {"nwind.mdb", "ASampleDatabase.accdb"}) {
        SCOPED_TRACE(name);
        const auto original = test::SharedFixture(std::string("access/") + name);
        if (!original) GTEST_SKIP() << "The shared Access fixtures are not present.";
        const std::string good = ReadInChild(*original);
        ASSERT_EQ(good.rfind("OK\n", 0), 0u) << name << ": " << good;
        const std::string bytes = Slurp(*original);
        const std::size_t page = bytes[0x14] == 0 ? 2048 : 4096;
        // 24 cuts (half at page boundaries) and 24 bit-flipped copies: half with
        // up to 8 flips anywhere, half with up to 32 in the first pages, where
        // the table list, the definitions and the page maps are.
        std::vector<std::pair<std::string, std::string>> copies;  // (label, bytes); a cut's label starts with "cut"
        for (int i = 0; i < 24; ++i) {
            const std::size_t at = i % 2 ? (1 + pick(bytes.size() / page - 1)) * page : 1 + pick(bytes.size() - 1);
            copies.emplace_back("cut at " + std::to_string(at), bytes.substr(0, at));
        }
        // The cut that once hung the tool.
        if (std::string(name) == "nwind.mdb") copies.emplace_back("cut at 1500000", bytes.substr(0, 1500000));
        for (int i = 0; i < 24; ++i) {
            std::string flipped = bytes, label = "bits flipped at";
            const std::size_t span = i % 2 ? std::min<std::size_t>(bytes.size(), 16 * page) : bytes.size();
            for (std::size_t k = 1 + pick(i % 2 ? 32 : 8); k > 0; --k) {
                const std::size_t at = pick(span);
                flipped[at] = static_cast<char>(flipped[at] ^ (1 << pick(8)));
                label += " " + std::to_string(at);
            }
            copies.emplace_back(label, flipped);
        }
        for (const auto& [label, content] : copies) {
            const std::string path = test::TempDir() + "/" + name;
            std::ofstream(path, std::ios::binary) << content;
            const std::string r = ReadInChild(path);
            ++copiesRead;
            if (r.rfind("OK\n", 0) != 0) {
                ++errors;
                EXPECT_NE(r.find("damaged or not an Access file"), std::string::npos) << label << ": " << r;
            } else if (r == good) {
                ++whole;
            } else {
                // A cut copy read to the end must be the whole file. A flipped bit
                // may have hit a value or a name, which no Access file can tell,
                // but a table read must not gain or lose rows unnoticed.
                ++changed;
                EXPECT_NE(label.rfind("cut", 0), 0u) << name << " " << label << ": read without error, but not whole";
                const auto goodCounts = RowCounts(good);
                for (const auto& [table, rows] : RowCounts(r)) {
                    if (goodCounts.count(table)) EXPECT_EQ(rows, goodCounts.at(table)) << label << ": " << table;
                }
            }
        }
    }
    EXPECT_GE(copiesRead, 50);
    std::printf("%d damaged copies: %d refused as damaged, %d read whole, %d read with changed values\n", copiesRead,
                errors, whole, changed);
}

}  // namespace
}  // namespace qdt::db
