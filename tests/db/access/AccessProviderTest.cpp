// The Access provider on the shared files and on SQLite snapshots, read
// against mdbtools' own programs, and on damaged copies.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <random>
#include <set>
#include <stdexcept>
#include <sstream>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/ProviderTestSupport.h"
#include "db/access/AccessProvider.h"
#include "db/sheets/CsvReader.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

// mdbtools' programs give a second reading of a real file, as CSV records (an
// empty field is how mdb-export writes both NULL and an empty text).
std::vector<std::vector<std::string>> MdbTool(const std::string& command) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen((command + " 2>/dev/null").c_str(), "r"), pclose);
    if (!pipe) throw std::runtime_error("cannot run " + command);
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe.get())) > 0;) out.append(buf, n);
    std::istringstream in(out);
    sheets::CsvReader reader(in, ',', '"');
    std::vector<std::vector<std::string>> records;
    for (sheets::CsvRecord r; reader.Next(r);) records.push_back(r.fields);
    return records;
}

class NorthwindTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!path_) GTEST_SKIP() << "The shared fixture access/nwind.mdb is not present.";
    }
    // Opened once for all the tests: the snapshot of the whole file takes a while.
    Connection& Conn() {
        static Connection conn;
        if (!conn.IsOpen()) conn.Open(Jet(*path_));
        return conn;
    }
    const std::optional<std::string> path_ = test::SharedFixture("access/nwind.mdb");
};

TEST_F(NorthwindTest, ColumnsCarryTheirAccessTypeCodesAndTextIgnoresCase) {
    auto rs = Conn().Execute(
        "SELECT p.UnitPrice, p.Discontinued, p.UnitsInStock, p.ProductID, p.ProductName, c.Description, c.Picture, "
        "o.OrderDate, d.Discount, o.Freight FROM Products p, Categories c, Orders o, [Order Details] d "
        "WHERE p.CategoryID = c.CategoryID AND d.ProductID = p.ProductID AND d.OrderID = o.OrderID");
    std::vector<int> types;
    for (const Field& f : rs->AllFields()) types.push_back(f.Type());
    EXPECT_EQ(types, (std::vector<int>{kCurrency, kBoolean, kSmallInt, kInteger, kVarWChar, kLongVarWChar,
                                       kLongVarBinary, kDate, kSingle, kCurrency}));
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("Discontinued").Value().kind(), Value::Kind::Boolean);
    EXPECT_EQ(rs->Fields("OrderDate").Value().kind(), Value::Kind::Date);
    // Text compares without regard to case, as in Access.
    EXPECT_EQ(FirstValue(Conn(), "SELECT COUNT(*) FROM Customers WHERE City = 'LONDON'"),
              FirstValue(Conn(), "SELECT COUNT(*) FROM Customers WHERE City = 'London'"));
    EXPECT_NE(FirstValue(Conn(), "SELECT COUNT(*) FROM Customers WHERE City = 'london'"), "0");
}

// Every field of every row of a table, in the file's order, against mdb-export.
void CompareWithMdbExport(Connection& conn, const std::string& path, const std::string& table) {
    auto csv = MdbTool("mdb-export -T '%Y-%m-%d %H:%M:%S' -b hex '" + path + "' '" + table + "'");
    ASSERT_GT(csv.size(), 1u) << table;
    auto rs = conn.Execute("SELECT * FROM [" + table + "]");
    std::vector<std::string> names;
    for (const Field& f : rs->AllFields()) names.push_back(f.Name());
    ASSERT_EQ(names, csv[0]) << table;
    std::size_t row = 1;
    for (; !rs->Eof(); rs->MoveNext(), ++row) {
        ASSERT_LT(row, csv.size()) << table << ": more rows than mdb-export gives";
        for (std::size_t i = 0; i < rs->FieldCount(); ++i) {
            const Field& f = rs->Fields(i);
            const std::string& want = csv[row][i];
            const Value& v = f.Value();
            std::string where = table + " row " + std::to_string(row) + " " + f.Name();
            if (want.empty()) {
                EXPECT_TRUE(v.IsNull() || v.ToText().empty()) << where << ": " << v.ToText();
            } else if (f.Type() == kSingle || f.Type() == kDouble) {
                EXPECT_FLOAT_EQ(static_cast<float>(v.ToDouble()), std::stof(want)) << where;
            } else if (f.Type() == kCurrency) {
                EXPECT_EQ(v.ToText(), NormalizeDecimal(want)) << where;
            } else if (v.kind() == Value::Kind::Binary) {
                std::string hex;
                char pair[3];
                for (unsigned char b : v.AsBinary()) hex.append(pair, std::snprintf(pair, sizeof pair, "%02X", b));
                EXPECT_EQ(hex, want) << where;
            } else {
                EXPECT_EQ(v.ToText(), want) << where;
            }
        }
    }
    EXPECT_EQ(row, csv.size()) << table << ": fewer rows than mdb-export gives";
}

// The tables mdb-tables lists, system tables too (their data is not copied),
// sorted by type, then name, as the other providers give their lists.
TEST_F(NorthwindTest, AgreesWithMdbTools) {
    if (std::system("command -v mdb-export >/dev/null 2>&1") != 0) GTEST_SKIP() << "mdbtools is not installed.";
    std::vector<std::string> user;
    for (const auto& line : MdbTool("mdb-tables -1 '" + *path_ + "'")) user.push_back(line[0]);
    std::set<std::pair<std::string, std::string>> expected;  // (type, name)
    for (const auto& line : MdbTool("mdb-tables -S -1 '" + *path_ + "'"))
        expected.emplace(std::count(user.begin(), user.end(), line[0]) ? "TABLE" : "SYSTEM TABLE", line[0]);
    std::vector<std::pair<std::string, std::string>> listed;
    for (auto rs = Conn().OpenSchema(); !rs->Eof(); rs->MoveNext()) {
        EXPECT_TRUE(rs->Fields("TABLE_CATALOG").Value().IsNull());
        listed.emplace_back(rs->Fields("TABLE_TYPE").Value().ToText(), rs->Fields("TABLE_NAME").Value().ToText());
    }
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, std::string>>(expected.begin(), expected.end())));
    EXPECT_THROW(Conn().Execute("SELECT * FROM MSysObjects"), DatabaseError);
    for (const auto& table : user) CompareWithMdbExport(Conn(), *path_, table);
}

TEST(AccessProvider, ReadsASqliteFileAsItsSnapshot) {
    const std::string path = test::NewSqliteFile("catalogue.sqlite");
    {
        Connection maker = test::OpenSqlite(path);
        maker.Execute(
            "CREATE TABLE \"Catalog section\" (nSectionID INTEGER, \"Section text\" TEXT, bHideOnWebSite BOOLEAN)");
        maker.Execute("INSERT INTO \"Catalog section\" VALUES (1, 'Teas', 0), (2, 'Old', 1)");
        maker.Execute("CREATE TABLE Product (Ref TEXT)");
    }
    const std::string bytes = Slurp(path);
    Connection c;
    c.Open(Jet(path));
    EXPECT_EQ(FirstValue(c, "SELECT TOP 1 [Section text] + '!' FROM [Catalog section] WHERE bHideOnWebSite = True"),
              "Old!");
    EXPECT_EQ(FirstValue(c, "SELECT nSectionID + nSectionID FROM [Catalog section] WHERE [Section text] LIKE 'OLD'"),
              "4");
    for (const char* sql : {"UPDATE [Catalog section] SET bHideOnWebSite = False", "DELETE * FROM Product"})
        EXPECT_THAT(test::ErrorText<DatabaseError>([&] { c.Execute(sql); }),
                    AllOf(HasSubstr("read-only"), HasSubstr("catalogue.sqlite")));
    // Transactions are accepted; there is nothing to keep or undo.
    EXPECT_NO_THROW(c.BeginTrans());
    EXPECT_NO_THROW(c.CommitTrans());
    EXPECT_NO_THROW(c.BeginTrans());
    EXPECT_NO_THROW(c.RollbackTrans());
    c.Close();
    EXPECT_EQ(Slurp(path), bytes);
}

// A large file's snapshot lives in a temporary file unlinked as soon as SQLite
// holds it: not even a killed process or a failed open leaves a plaintext copy.
TEST_F(NorthwindTest, LargeFilesAreSnapshottedToAnUnlinkedTemporaryFile) {
    access::SnapshotOptions options;
    options.inMemoryLimit = 1024;  // nwind is far larger
    options.tempDir = test::TempDir();
    auto provider = access::OpenAccessFile(*path_, options);
    ASSERT_FALSE(provider->SnapshotFile().empty());
    EXPECT_EQ(fs::path(provider->SnapshotFile()).parent_path(), fs::path(options.tempDir));
    EXPECT_TRUE(fs::is_empty(options.tempDir));
    Connection c(std::move(provider));
    EXPECT_EQ(FirstValue(c, "SELECT COUNT(*) FROM [Order Details]"), "2155");
    c.Close();
    EXPECT_TRUE(fs::is_empty(options.tempDir));

    // The table list is near the start; the data pages it points to are cut off.
    const std::string cut = test::TempDir() + "/cut.mdb";
    std::ofstream(cut, std::ios::binary) << Slurp(*path_).substr(0, 64 * 1024);
    options.inMemoryLimit = 0;
    EXPECT_THROW(access::OpenAccessFile(cut, options), DatabaseError);
    EXPECT_TRUE(fs::is_empty(options.tempDir)) << "after a failed open";

    // Small files stay in memory.
    EXPECT_TRUE(access::OpenAccessFile(*path_)->SnapshotFile().empty());
}

// Cut and bit-flipped copies of the shared Access files, each opened and read
// whole in a child process held to a time and a memory limit: every copy must
// end in time, within memory, with the damaged-file error or with data.
constexpr unsigned kSecondsPerCopy = 10;
constexpr long kExtraMemory = 256L << 20;  // above what the test program has mapped already

// Per table, its name and a digest of its rows.
std::string ReadAll(Connection& c) {
    std::string digests;
    for (auto schema = c.OpenSchema(); !schema->Eof(); schema->MoveNext()) {
        if (schema->Fields("TABLE_TYPE").Value().ToText() != "TABLE") continue;
        const std::string name = schema->Fields("TABLE_NAME").Value().ToText();
        std::string text;
        for (auto rs = c.Execute("SELECT * FROM [" + name + "]"); !rs->Eof(); rs->MoveNext())
            for (const Field& f : rs->AllFields()) text += f.Value().ToText() + '\x1f';
        digests += name + " " + std::to_string(std::hash<std::string>{}(text)) + "\n";
    }
    return digests;
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

TEST(DamagedAccessFiles, EndInTimeWithinMemoryWithTheErrorOrTheData) {
    std::mt19937 random(20261206);
    auto pick = [&random](std::size_t below) {
        return std::uniform_int_distribution<std::size_t>(0, below - 1)(random);
    };
    for (const char* name : {"nwind.mdb", "ASampleDatabase.accdb"}) {
        SCOPED_TRACE(name);
        const auto original = test::SharedFixture(std::string("access/") + name);
        if (!original) GTEST_SKIP() << "The shared Access fixtures are not present.";
        const std::string good = ReadInChild(*original);
        ASSERT_EQ(good.rfind("OK\n", 0), 0u) << name << ": " << good;
        const std::string bytes = Slurp(*original);
        const std::size_t page = bytes[0x14] == 0 ? 2048 : 4096;
        // 24 cuts (half at page boundaries), 24 copies with up to 8 flipped bits anywhere
        // or 32 in the first pages (the table list, the definitions, the page maps).
        std::vector<std::pair<std::string, std::string>> copies;  // (label, bytes)
        for (int i = 0; i < 24; ++i) {
            const std::size_t at = i % 2 ? (1 + pick(bytes.size() / page - 1)) * page : 1 + pick(bytes.size() - 1);
            copies.emplace_back("cut at " + std::to_string(at), bytes.substr(0, at));
            std::string flipped = bytes, label = "bits flipped at";
            const std::size_t span = i % 2 ? std::min<std::size_t>(bytes.size(), 16 * page) : bytes.size();
            for (std::size_t k = 1 + pick(i % 2 ? 32 : 8); k > 0; --k) {
                const std::size_t flip = pick(span);
                flipped[flip] = static_cast<char>(flipped[flip] ^ (1 << pick(8)));
                label += " " + std::to_string(flip);
            }
            copies.emplace_back(label, flipped);
        }
        // The cut that once hung the tool.
        if (std::string(name) == "nwind.mdb") copies.emplace_back("cut at 1500000", bytes.substr(0, 1500000));
        for (const auto& [label, content] : copies) {
            const std::string path = test::TempDir() + "/" + name;
            std::ofstream(path, std::ios::binary) << content;
            const std::string r = ReadInChild(path);
            if (r.rfind("OK\n", 0) != 0) {
                EXPECT_NE(r.find("damaged or not an Access file"), std::string::npos) << label << ": " << r;
            } else {
                // A flipped bit may have hit a value or a name, which no Access
                // file can tell; a cut copy read to the end must be the whole file.
                EXPECT_TRUE(r == good || label.rfind("cut", 0) != 0) << label << ": read without error, but not whole";
            }
        }
    }
}

// Copies of nwind.mdb (a Jet 3 file of 2048-byte pages) patched at a spot
// found in the file: the reader must refuse each damage by name, and read a
// table whose page map is a list of bitmap pages as the file itself.
constexpr std::size_t kPage = 2048;

std::uint32_t ReadLE(const std::string& b, std::size_t at, int bytes = 4) {
    std::uint32_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
    return v;
}

void WriteLE(std::string& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<char>(v >> 8 * i);
}

// Where row `row` of page `page` begins (Jet 3 keeps the row offsets from byte 10).
std::size_t RowStart(const std::string& b, std::size_t page, unsigned row) {
    return page * kPage + (ReadLE(b, page * kPage + 10 + 2 * row, 2) & 0x1fff);
}

// The first category's Description is a memo on a page of its own; its row
// holds a header of its length (flagged 0x40: one page) and its row and page.
const std::string kDescription = "Soft drinks, coffees, teas, beers, and ales";

std::size_t DescriptionHeader(const std::string& b) {
    const std::size_t at = b.find(kDescription);
    unsigned row = 0;
    while (RowStart(b, at / kPage, row) != at) ++row;
    std::string header(8, '\0');
    WriteLE(header, 0, static_cast<std::uint32_t>(kDescription.size()) | 0x40000000);
    WriteLE(header, 4, static_cast<std::uint32_t>(row | at / kPage << 8));
    return b.find(header);
}

struct Patch {
    const char* label;
    std::function<void(std::string&, std::size_t dataPage)> apply;  // the offset of the header's page
    const char* refusal;  // nullptr: the copy reads as the file itself
};

const Patch kPatches[] = {
    {"memo_longer_than_its_page",
     [](std::string& b, std::size_t) {
         WriteLE(b, DescriptionHeader(b), static_cast<std::uint32_t>(kDescription.size() + 1) | 0x40000000);
     },
     "in row 1 of the table 'Categories', the memo value of 'Description' has 44 bytes, but only 43 could be read."},
    // libmdb passes over a page that no longer says it holds data, without a word.
    {"data_page_no_longer_data", [](std::string& b, std::size_t dataPage) { b[dataPage] = 0; },
     "the table 'Categories' should have 8 rows, but only 0 could be read."},
    // Large tables list their bitmap pages instead of holding one bitmap: the
    // table's own bitmap (from page 0) moves to a page added at the end.
    {"page_map_as_a_list_of_bitmap_pages",
     [](std::string& b, std::size_t dataPage) {
         // A data page names its table's definition, which names the row of its page map at byte 35.
         const std::size_t at = ReadLE(b, dataPage + 4) * kPage + 35;
         const std::size_t map = RowStart(b, ReadLE(b, at + 1, 3), static_cast<unsigned char>(b[at]));
         ASSERT_EQ(b.substr(map, 5), std::string(5, '\0'));  // one bitmap, from page 0
         std::string bitmaps(kPage, '\0');
         bitmaps[0] = 5;
         bitmaps.replace(4, 128, b.substr(map + 5, 128));
         b[map] = 1;
         WriteLE(b, map + 1, static_cast<std::uint32_t>(b.size() / kPage));
         b.replace(map + 5, 128, 128, '\0');
         b += bitmaps;
     },
     nullptr},
};

void PrintTo(const Patch& patch, std::ostream* out) { *out << patch.label; }

class PatchedNorthwind : public ::testing::TestWithParam<Patch> {};

TEST_P(PatchedNorthwind, IsRefusedByTheDamageOrReadWhole) {
    const auto original = test::SharedFixture("access/nwind.mdb");
    if (!original) GTEST_SKIP() << "The shared fixture access/nwind.mdb is not present.";
    std::string bytes = Slurp(*original);
    GetParam().apply(bytes, DescriptionHeader(bytes) / kPage * kPage);
    const std::string path = test::TempDir() + "/nwind.mdb";
    std::ofstream(path, std::ios::binary) << bytes;
    EXPECT_EQ(ReadInChild(path), GetParam().refusal ? "ERROR\n'" + path + "' is damaged or not an Access file: " +
                                                          GetParam().refusal
                                                    : ReadInChild(*original));
}

INSTANTIATE_TEST_SUITE_P(Cases, PatchedNorthwind, ::testing::ValuesIn(kPatches),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace qdt::db
