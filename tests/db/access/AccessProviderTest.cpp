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

namespace mdb = qdt::test::mdbtools;
using ::testing::AllOf;
using ::testing::HasSubstr;
namespace fs = std::filesystem;

std::string ConnectionString(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Jet OLEDB:Database Password=";
}

std::string OneValue(Connection& c, const std::string& sql) {
    auto rs = c.Execute(sql);
    if (rs->Eof()) return "(no row)";
    return rs->Fields(0).Value().ToText();
}

class NorthwindTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (!Nwind()) GTEST_SKIP() << "The shared fixture access/nwind.mdb is not present.";
    }
    void RequireTools() {
        if (!mdb::Installed()) GTEST_SKIP() << "mdbtools' command-line programs are not installed.";
    }
    static const std::optional<std::string>& Nwind() {
        static const auto path = qdt::test::SharedFixture("access/nwind.mdb");
        return path;
    }
    const std::string& Path() { return *Nwind(); }
    // Opened once for all the tests: the snapshot of the whole file takes a while.
    Connection& Conn() {
        static Connection conn;
        if (!conn.IsOpen()) conn.Open(ConnectionString(Path()));
        return conn;
    }
};

TEST_F(NorthwindTest, ListsTheTablesMdbToolsLists) {
    RequireTools();
    auto userLines = mdb::Lines(mdb::Run({"mdb-tables", "-1", Path()}));
    auto allLines = mdb::Lines(mdb::Run({"mdb-tables", "-S", "-1", Path()}));
    std::set<std::string> user(userLines.begin(), userLines.end());
    std::set<std::string> system;
    for (const auto& t : allLines)
        if (!user.count(t)) system.insert(t);
    ASSERT_EQ(user.size(), 9u);
    ASSERT_FALSE(system.empty());

    std::set<std::string> gotUser, gotSystem;
    std::vector<std::pair<std::string, std::string>> order;
    auto rs = Conn().OpenSchema();
    ASSERT_EQ(rs->FieldCount(), 4u);
    EXPECT_EQ(rs->Fields(2).Name(), "TABLE_NAME");
    for (; !rs->Eof(); rs->MoveNext()) {
        EXPECT_TRUE(rs->Fields("TABLE_CATALOG").Value().IsNull());
        std::string type = rs->Fields("TABLE_TYPE").Value().ToText();
        (type == "TABLE" ? gotUser : gotSystem).insert(rs->Fields("TABLE_NAME").Value().ToText());
        order.emplace_back(type, rs->Fields("TABLE_NAME").Value().ToText());
        EXPECT_TRUE(type == "TABLE" || type == "SYSTEM TABLE") << type;
    }
    // Sorted by type, then name, as the other providers give their lists.
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(gotUser, user);
    EXPECT_EQ(gotSystem, system);
    for (const auto& t : gotSystem) EXPECT_EQ(t.substr(0, 4), "MSys");
    EXPECT_TRUE(gotUser.count("Umsätze"));
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

TEST_F(NorthwindTest, ValuesAreExact) {
    // Dates and texts are compared with mdb-export's below; currency is our own decimal text.
    EXPECT_EQ(OneValue(Conn(), "SELECT Freight FROM Orders WHERE OrderID = 10330"), "12.75");
    EXPECT_EQ(OneValue(Conn(), "SELECT UnitPrice FROM Products WHERE ProductID = 1"), "18");
    EXPECT_EQ(OneValue(Conn(), "SELECT COUNT(*) FROM Products WHERE Discontinued = True"),
              OneValue(Conn(), "SELECT COUNT(*) FROM Products WHERE Discontinued <> 0"));
    // Text compares without regard to case, as in Access.
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
    for (const auto& table : mdb::Lines(mdb::Run({"mdb-tables", "-1", Path()})))
        CompareWithMdbExport(Conn(), Path(), table);
}

// Jet's own + and LIKE on a real file's snapshot: texts join, numbers add,
// and LIKE ignores case.
TEST_F(NorthwindTest, JetPlusAndLikeOnTheSnapshot) {
    EXPECT_EQ(OneValue(Conn(), "SELECT FirstName + LastName FROM Employees WHERE EmployeeID = 1"), "NancyDavolio");
    EXPECT_EQ(OneValue(Conn(), "SELECT EmployeeID + ReportsTo FROM Employees WHERE EmployeeID = 1"), "3");
    EXPECT_EQ(OneValue(Conn(), "SELECT COUNT(*) FROM Employees WHERE ',' + LastName + ',' LIKE '%,DAVOLIO,%'"), "1");
}

TEST_F(NorthwindTest, WritesAreRefusedNamingTheFile) {
    for (const char* sql : {"UPDATE Products SET UnitPrice = 1", "DELETE * FROM Products",
                            "INSERT INTO Shippers (ShipperID, CompanyName) VALUES (9, 'x')", "DROP TABLE Shippers",
                            "CREATE TABLE x (a INTEGER)", "SELECT * INTO Copy FROM Shippers"}) {
        const std::string message = test::ErrorText<DatabaseError>([&] { Conn().Execute(sql); });
        EXPECT_THAT(message, AllOf(HasSubstr("read-only"), HasSubstr("nwind.mdb"))) << sql;
    }
    EXPECT_EQ(OneValue(Conn(), "SELECT COUNT(*) FROM Products"), "77");
    // Transactions are accepted; there is nothing to keep or undo.
    EXPECT_NO_THROW(Conn().BeginTrans());
    EXPECT_NO_THROW(Conn().CommitTrans());
    EXPECT_NO_THROW(Conn().BeginTrans());
    EXPECT_NO_THROW(Conn().RollbackTrans());
}

TEST(AccessProvider, OpensAnAccdbFile) {
    auto path = qdt::test::SharedFixture("access/ASampleDatabase.accdb");
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
    const std::string path = qdt::test::TempDir() + "/catalogue.sqlite";
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
    EXPECT_EQ(OneValue(c, "SELECT COUNT(*) FROM [Catalog section] WHERE [Section text] LIKE 'TEA%'"), "1");
    for (const char* sql : {"UPDATE [Catalog section] SET bHideOnWebSite = False", "DELETE * FROM Product",
                            "DROP TABLE Product"}) {
        try {
            c.Execute(sql);
            ADD_FAILURE() << "not refused: " << sql;
        } catch (const DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("catalogue.sqlite"), std::string::npos) << e.what();
        }
    }
    c.Close();
    EXPECT_EQ(fs::last_write_time(path), before);
    EXPECT_EQ(fs::file_size(path), size);
}

std::string OpenError(const std::string& connectionString) {
    return test::ErrorText<DatabaseError>([&] { Connection().Open(connectionString); });
}

TEST(AccessProvider, ExplainsFilesThatCannotBeOpened) {
    std::string dir = qdt::test::TempDir();
    std::string missing = dir + "/missing.mdb";
    EXPECT_EQ(OpenError("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + missing +
                        ";Jet OLEDB:Database Password=s3cret"),
              "Could not find the Access file '" + missing + "'.");
    std::string text = dir + "/notes.mdb";
    std::ofstream(text) << "not an Access database at all\n";
    std::string msg = OpenError("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + text);
    EXPECT_NE(msg.find("notes.mdb"), std::string::npos) << msg;
    EXPECT_NE(msg.find("damaged or not an Access file"), std::string::npos) << msg;
    EXPECT_NE(OpenError("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=").find("names no Access file"),
              std::string::npos);
    EXPECT_NE(OpenError("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + dir).find("is not a file"),
              std::string::npos);
}

// A large file's snapshot lives in a temporary file whose name is gone as soon
// as SQLite holds it, so not even a SIGKILL leaves a plaintext copy behind.
TEST(AccessProvider, LargeFilesAreSnapshottedToAnUnlinkedTemporaryFile) {
    auto path = qdt::test::SharedFixture("access/nwind.mdb");
    if (!path) GTEST_SKIP() << "The shared fixture access/nwind.mdb is not present.";
    access::SnapshotOptions options;
    options.inMemoryLimit = 1024;  // nwind is far larger
    options.tempDir = qdt::test::TempDir();
    auto provider = access::OpenAccessFile(*path, options);
    ASSERT_FALSE(provider->SnapshotFile().empty());
    EXPECT_EQ(fs::path(provider->SnapshotFile()).parent_path(), fs::path(options.tempDir));
    EXPECT_TRUE(fs::is_empty(options.tempDir));
    Connection c(std::move(provider));
    EXPECT_EQ(OneValue(c, "SELECT COUNT(*) FROM [Order Details]"), "2155");
    EXPECT_EQ(OneValue(c, "SELECT TOP 1 ProductName FROM Products ORDER BY UnitPrice DESC"), "Côte de Blaye");
    EXPECT_THROW(c.Execute("DELETE FROM Orders"), DatabaseError);
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

    // Small files stay in memory.
    EXPECT_TRUE(access::OpenAccessFile(*path)->SnapshotFile().empty());
}

TEST(AccessProvider, AFailedOpenLeavesNoTemporaryFile) {
    auto path = qdt::test::SharedFixture("access/nwind.mdb");
    if (!path) GTEST_SKIP() << "The shared fixture access/nwind.mdb is not present.";
    // The catalogue is near the start; the data pages it points to are cut off.
    std::string dir = qdt::test::TempDir();
    std::string cut = dir + "/cut.mdb";
    {
        std::ifstream in(*path, std::ios::binary);
        std::string head(64 * 1024, '\0');
        in.read(head.data(), static_cast<std::streamsize>(head.size()));
        std::ofstream(cut, std::ios::binary).write(head.data(), in.gcount());
    }
    access::SnapshotOptions options;
    options.inMemoryLimit = 0;
    options.tempDir = qdt::test::TempDir();
    EXPECT_THROW(access::OpenAccessFile(cut, options), DatabaseError);
    EXPECT_TRUE(fs::is_empty(options.tempDir));
}

}  // namespace
}  // namespace qdt::db
