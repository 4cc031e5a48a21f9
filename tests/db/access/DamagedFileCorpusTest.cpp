// Cut and bit-flipped copies of the shared Access files, each opened and read
// whole in a child process held to a time and a memory limit: every copy must
// end in time, within memory, with the damaged-file error or with data.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <random>
#include <sstream>
#include <thread>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

constexpr int kSecondsPerCopy = 10;
constexpr long kExtraMemory = 256L << 20;  // above what the test program has mapped already
constexpr const char* kDamaged = "damaged or not an Access file";

struct Copy {
    std::string label;
    std::string path;
    bool cut = false;  // a cut copy can only lose data, never change it
};

// What a whole read found: per table, its row count and a digest of its rows.
struct Reading {
    bool finished = false;
    std::string failure;  // the error, or why the child did not finish
    std::map<std::string, std::pair<long, std::size_t>> tables;
};

std::string ReadAll(Connection& c) {
    std::ostringstream out;
    auto schema = c.OpenSchema();
    std::vector<std::string> names;
    for (; !schema->Eof(); schema->MoveNext())
        if (schema->Fields("TABLE_TYPE").Value().ToText() == "TABLE")
            names.push_back(schema->Fields("TABLE_NAME").Value().ToText());
    for (const std::string& name : names) {
        auto rs = c.Execute("SELECT * FROM [" + name + "]");
        long rows = 0;
        std::string text;
        for (; !rs->Eof(); rs->MoveNext(), ++rows)
            for (const Field& f : rs->AllFields()) text += f.Value().ToText() + '\x1f';
        out << name << '\t' << rows << '\t' << std::hash<std::string>{}(text) << '\n';
    }
    return out.str();
}

// The child's report: "OK" and a line per table, or "ERROR" and the message.
[[noreturn]] void ChildReads(const std::string& path, const std::string& reportFile) {
    rlimit limit{};
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    statm >> pages;
    limit.rlim_cur = limit.rlim_max = static_cast<rlim_t>(pages * sysconf(_SC_PAGESIZE) + kExtraMemory);
    setrlimit(RLIMIT_AS, &limit);
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

Reading ReadInChild(const std::string& path) {
    Reading r;
    const std::string reportFile = test::TempDir() + "/report";
    std::fflush(nullptr);
    const pid_t child = fork();
    if (child == 0) ChildReads(path, reportFile);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kSecondsPerCopy);
    int status = 0;
    while (waitpid(child, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(child, SIGKILL);
            waitpid(child, &status, 0);
            return r.failure = "did not end within " + std::to_string(kSecondsPerCopy) + " s", r;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (WIFSIGNALED(status)) return r.failure = "died of signal " + std::to_string(WTERMSIG(status)), r;
    std::ifstream in(reportFile, std::ios::binary);
    std::string line;
    std::getline(in, line);
    if (line == "ERROR") return r.failure = std::string(std::istreambuf_iterator<char>(in), {}), r;
    if (line != "OK") return r.failure = "ended without a word", r;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        std::string name;
        long rows = 0;
        std::size_t digest = 0;
        std::getline(fields, name, '\t');
        fields >> rows >> digest;
        r.tables[name] = {rows, digest};
    }
    r.finished = true;
    return r;
}

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// 24 cuts (half at page boundaries) and 24 bit-flipped copies per file: half
// with up to 8 flips anywhere, half with up to 32 in the first pages, where
// the table list, the definitions and the page maps are.
std::vector<Copy> MakeCopies(const std::string& original, const std::string& stem, std::mt19937& random,
                             const std::string& dir) {
    const std::string bytes = Slurp(original);
    const std::size_t page = bytes.size() > 0x14 && bytes[0x14] == 0 ? 2048 : 4096;
    const std::size_t pages = bytes.size() / page;
    auto pick = [&random](std::size_t below) {
        return std::uniform_int_distribution<std::size_t>(0, below - 1)(random);
    };
    std::vector<Copy> copies;
    auto save = [&](const std::string& label, const std::string& content, bool cut) {
        Copy c{stem + " " + label, dir + "/" + std::to_string(copies.size()) + "-" + stem, cut};
        std::ofstream(c.path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
        copies.push_back(c);
    };
    for (int i = 0; i < 24; ++i) {
        std::size_t at = i % 2 ? (1 + pick(pages - 1)) * page : 1 + pick(bytes.size() - 1);
        save("cut at " + std::to_string(at), bytes.substr(0, at), true);
    }
    for (int i = 0; i < 24; ++i) {
        std::string flipped = bytes;
        std::string label = "bits flipped at";
        const std::size_t span = i % 2 ? std::min<std::size_t>(bytes.size(), 16 * page) : bytes.size();
        for (std::size_t k = 1 + pick(i % 2 ? 32 : 8); k > 0; --k) {
            std::size_t at = pick(span);
            flipped[at] = static_cast<char>(flipped[at] ^ (1 << pick(8)));
            label += " " + std::to_string(at);
        }
        save(label, flipped, false);
    }
    return copies;
}

TEST(DamagedAccessFiles, EndInTimeWithinMemoryWithTheErrorOrTheData) {
    std::mt19937 random(20261206);
    const std::string dir = test::TempDir();
    std::vector<std::pair<std::string, std::string>> originals;
    for (const char* name : {"nwind.mdb", "ASampleDatabase.accdb"})
        if (auto path = test::SharedFixture(std::string("access/") + name)) originals.emplace_back(name, *path);
    if (originals.empty()) GTEST_SKIP() << "The shared Access fixtures are not present.";

    int copiesRead = 0, errors = 0, whole = 0, changed = 0;
    for (const auto& [stem, path] : originals) {
        const Reading good = ReadInChild(path);
        ASSERT_TRUE(good.finished) << stem << ": " << good.failure;
        std::vector<Copy> copies = MakeCopies(path, stem, random, dir);
        // The cut that once hung the tool.
        if (stem == "nwind.mdb") {
            const std::string cut = Slurp(path).substr(0, 1500000);
            copies.push_back(Copy{"nwind.mdb cut at 1500000", dir + "/head-nwind.mdb", true});
            std::ofstream(copies.back().path, std::ios::binary)
                .write(cut.data(), static_cast<std::streamsize>(cut.size()));
        }
        for (const Copy& copy : copies) {
            ++copiesRead;
            const Reading r = ReadInChild(copy.path);
            if (!r.finished) {
                ++errors;
                EXPECT_NE(r.failure.find(kDamaged), std::string::npos) << copy.label << ": " << r.failure;
                continue;
            }
            if (r.tables == good.tables) {
                ++whole;
                continue;
            }
            // A cut copy read to the end must be the whole file. A flipped bit
            // may have hit a value or a name, which no Access file can tell,
            // but a table read must not gain or lose rows unnoticed.
            ++changed;
            EXPECT_FALSE(copy.cut) << copy.label << ": read without error, but not the file's data";
            for (const auto& [name, t] : r.tables) {
                auto same = good.tables.find(name);
                if (same != good.tables.end()) {
                    EXPECT_EQ(t.first, same->second.first) << copy.label << ": rows of " << name;
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
