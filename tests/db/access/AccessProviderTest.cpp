#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "MdbToolsOutput.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/access/AccessProvider.h"
#include "db/sqlite/SqliteProvider.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

namespace mdb = test::mdbtools;
using ::testing::AllOf;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

std::string ConnectionString(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Jet OLEDB:Database Password=";
}

std::string OneValue(Connection& c, const std::string& sql) {
    auto rs = c.Execute(sql);
    return rs->Eof() ? "(no row)" : rs->Fields(0).Value().ToText();
}

class NorthwindTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!path_) GTEST_SKIP() << "The shared fixture access/nwind.mdb is not present.";
    }
    void RequireTools() {
        if (!mdb::Installed()) GTEST_SKIP() << "mdbtools' command-line programs are not installed.";
    }
    // Opened once for all the tests: the snapshot of the whole file takes a while.
    Connection& Conn() {
        static Connection conn;
        if (!conn.IsOpen()) conn.Open(ConnectionString(*path_));
        return conn;
    }
    const std::optional<std::string> path_ = test::SharedFixture("access/nwind.mdb");
};

TEST_F(NorthwindTest, ListsTheTablesMdbToolsLists) {
    RequireTools();
    const auto user = mdb::Lines(mdb::Run({"mdb-tables", "-1", *path_}));
    std::set<std::pair<std::string, std::string>> expected;  // (type, name)
    for (const auto& t : mdb::Lines(mdb::Run({"mdb-tables", "-S", "-1", *path_})))
        expected.emplace(std::count(user.begin(), user.end(), t) ? "TABLE" : "SYSTEM TABLE", t);
    std::vector<std::pair<std::string, std::string>> listed;
    for (auto rs = Conn().OpenSchema(); !rs->Eof(); rs->MoveNext()) {
        EXPECT_TRUE(rs->Fields("TABLE_CATALOG").Value().IsNull());
        listed.emplace_back(rs->Fields("TABLE_TYPE").Value().ToText(), rs->Fields("TABLE_NAME").Value().ToText());
    }
    // Sorted by type, then name, as the other providers give their lists.
    EXPECT_EQ(listed, (std::vector<std::pair<std::string, std::string>>(expected.begin(), expected.end())));
    // System tables are listed but their data is not copied.
    EXPECT_THROW(Conn().Execute("SELECT * FROM MSysObjects"), DatabaseError);
}

TEST_F(NorthwindTest, ColumnsCarryTheirAccessTypeCodes) {
    auto rs = Conn().Execute(
        "SELECT p.UnitPrice, p.Discontinued, p.UnitsInStock, p.ProductID, p.ProductName, c.Description, c.Picture, "
        "o.OrderDate, d.Discount, o.Freight FROM Products p, Categories c, Orders o, [Order Details] d "
        "WHERE p.CategoryID = c.CategoryID AND d.ProductID = p.ProductID AND d.OrderID = o.OrderID");
    const int expected[] = {kCurrency, kBoolean,     kSmallInt,       kInteger, kVarWChar,
                            kLongVarWChar, kLongVarBinary, kDate, kSingle,  kCurrency};
    ASSERT_EQ(rs->FieldCount(), std::size(expected));
    for (std::size_t i = 0; i < rs->FieldCount(); ++i)
        EXPECT_EQ(rs->Fields(i).Type(), expected[i]) << rs->Fields(i).Name();
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields("Picture").Value().kind(), Value::Kind::Binary);
    EXPECT_EQ(rs->Fields("Discontinued").Value().kind(), Value::Kind::Boolean);
    EXPECT_EQ(rs->Fields("OrderDate").Value().kind(), Value::Kind::Date);
}

// Text compares without regard to case, as in Access.
TEST_F(NorthwindTest, TextComparesIgnoringCase) {
    EXPECT_EQ(OneValue(Conn(), "SELECT COUNT(*) FROM Customers WHERE City = 'LONDON'"),
              OneValue(Conn(), "SELECT COUNT(*) FROM Customers WHERE City = 'London'"));
    EXPECT_NE(OneValue(Conn(), "SELECT COUNT(*) FROM Customers WHERE City = 'london'"), "0");
}

// Every field of every row of a table, in the file's order, against mdb-export.
void CompareWithMdbExport(Connection& conn, const std::string& path, const std::string& table) {
    auto csv = mdb::ParseCsv(
        mdb::Run({"mdb-export", "-T", "%Y-%m-%d %H:%M:%S", "-b", "hex", path, table}));
    ASSERT_GT(csv.size(), 1u) << table;
    auto rs = conn.Execute("SELECT * FROM [" + table + "]");
    ASSERT_EQ(rs->FieldCount(), csv[0].size()) << table;
    for (std::size_t i = 0; i < rs->FieldCount(); ++i) EXPECT_EQ(rs->Fields(i).Name(), csv[0][i]);
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
                for (unsigned char b : v.AsBinary()) {
                    static const char* digits = "0123456789ABCDEF";
                    hex += digits[b >> 4];
                    hex += digits[b & 15];
                }
                EXPECT_EQ(hex, want) << where;
            } else {
                EXPECT_EQ(v.ToText(), want) << where;
            }
        }
    }
    EXPECT_EQ(row, csv.size()) << table << ": fewer rows than mdb-export gives";
}

TEST_F(NorthwindTest, EveryFieldMatchesMdbExport) {
    RequireTools();
    for (const auto& table : mdb::Lines(mdb::Run({"mdb-tables", "-1", *path_})))
        CompareWithMdbExport(Conn(), *path_, table);
}

TEST(AccessProvider, OpensAnAccdbFile) {
    auto path = test::SharedFixture("access/ASampleDatabase.accdb");
    if (!path) GTEST_SKIP() << "The shared fixture access/ASampleDatabase.accdb is not present.";
    Connection c;
    c.Open("Provider=Microsoft.ACE.OLEDB.12.0;Data Source=" + *path);
    std::vector<std::string> tables;
    for (auto rs = c.OpenSchema(); !rs->Eof(); rs->MoveNext())
        if (rs->Fields("TABLE_TYPE").Value().ToText() == "TABLE") tables.push_back(rs->Fields("TABLE_NAME").Value().ToText());
    EXPECT_EQ(tables, std::vector<std::string>{"Asset Items"});
    EXPECT_EQ(OneValue(c, "SELECT COUNT(*) FROM [Asset Items]"), "65");
    if (mdb::Installed()) CompareWithMdbExport(c, *path, "Asset Items");
}

// A SQLite file given as the Access file is an already made snapshot.
TEST(AccessProvider, ReadsASqliteFileAsItsSnapshot) {
    const std::string path = test::TempDir() + "/catalogue.sqlite";
    {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &raw), SQLITE_OK);
        SqliteHandle db(raw);
        ASSERT_EQ(sqlite3_exec(raw,
                               "CREATE TABLE \"Catalog section\" (nSectionID INTEGER, \"Section text\" TEXT, "
                               "bHideOnWebSite BOOLEAN); INSERT INTO \"Catalog section\" VALUES (1, 'Teas', 0), "
                               "(2, 'Old', 1); CREATE TABLE Product (Ref TEXT)",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
    }
    const auto before = fs::last_write_time(path);
    const auto size = fs::file_size(path);
    Connection c;
    c.Open(ConnectionString(path));
    std::vector<std::string> tables;
    for (auto rs = c.OpenSchema(); !rs->Eof(); rs->MoveNext()) tables.push_back(rs->Fields("TABLE_NAME").Value().ToText());
    EXPECT_EQ(tables, (std::vector<std::string>{"Catalog section", "Product"}));
    EXPECT_EQ(OneValue(c, "SELECT TOP 1 [Section text] + '!' FROM [Catalog section] WHERE bHideOnWebSite = True"),
              "Old!");
    EXPECT_EQ(OneValue(c, "SELECT nSectionID + nSectionID FROM [Catalog section] WHERE [Section text] LIKE 'OLD'"),
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
    EXPECT_EQ(fs::last_write_time(path), before);
    EXPECT_EQ(fs::file_size(path), size);
}

std::string OpenError(const std::string& connectionString) {
    return test::ErrorText<DatabaseError>([&] { Connection().Open(connectionString); });
}

TEST(AccessProvider, ExplainsFilesThatCannotBeOpened) {
    const std::string dir = test::TempDir();
    std::ofstream(dir + "/notes.mdb") << "not an Access database at all\n";
    EXPECT_EQ(OpenError(ConnectionString(dir + "/missing.mdb") + "s3cret"),
              "Could not find the Access file '" + dir + "/missing.mdb'.");
    EXPECT_THAT(OpenError(ConnectionString(dir + "/notes.mdb")),
                HasSubstr("'" + dir + "/notes.mdb' is damaged or not an Access file"));
    EXPECT_THAT(OpenError(ConnectionString("")), HasSubstr("names no Access file"));
    EXPECT_THAT(OpenError(ConnectionString(dir)), HasSubstr("is not a file"));
}

// A large file's snapshot lives in a temporary file whose name is gone as soon
// as SQLite holds it, so not even a SIGKILL or a failed open leaves a
// plaintext copy behind.
TEST(AccessProvider, LargeFilesAreSnapshottedToAnUnlinkedTemporaryFile) {
    auto path = test::SharedFixture("access/nwind.mdb");
    if (!path) GTEST_SKIP() << "The shared fixture access/nwind.mdb is not present.";
    access::SnapshotOptions options;
    options.inMemoryLimit = 1024;  // nwind is far larger
    options.tempDir = test::TempDir();
    auto provider = access::OpenAccessFile(*path, options);
    ASSERT_FALSE(provider->SnapshotFile().empty());
    EXPECT_EQ(fs::path(provider->SnapshotFile()).parent_path(), fs::path(options.tempDir));
    EXPECT_TRUE(fs::is_empty(options.tempDir));
    Connection c(std::move(provider));
    EXPECT_EQ(OneValue(c, "SELECT COUNT(*) FROM [Order Details]"), "2155");
    c.Close();
    EXPECT_TRUE(fs::is_empty(options.tempDir));

    int ready[2];
    ASSERT_EQ(pipe(ready), 0);
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        auto held = access::OpenAccessFile(*path, options);
        char one = 1;
        if (write(ready[1], &one, 1) != 1) _exit(2);
        pause();
        _exit(0);
    }
    close(ready[1]);
    char got = 0;
    EXPECT_EQ(read(ready[0], &got, 1), 1);
    close(ready[0]);
    EXPECT_TRUE(fs::is_empty(options.tempDir)) << "while the child holds the snapshot open";
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFSIGNALED(status));
    EXPECT_TRUE(fs::is_empty(options.tempDir)) << "after the child was killed";

    // The table list is near the start; the data pages it points to are cut off.
    std::string head(64 * 1024, '\0');
    std::ifstream(*path, std::ios::binary).read(head.data(), static_cast<std::streamsize>(head.size()));
    const std::string cut = test::TempDir() + "/cut.mdb";
    std::ofstream(cut, std::ios::binary) << head;
    options.inMemoryLimit = 0;
    EXPECT_THROW(access::OpenAccessFile(cut, options), DatabaseError);
    EXPECT_TRUE(fs::is_empty(options.tempDir)) << "after a failed open";

    // Small files stay in memory.
    EXPECT_TRUE(access::OpenAccessFile(*path)->SnapshotFile().empty());
}

}  // namespace
}  // namespace qdt::db
