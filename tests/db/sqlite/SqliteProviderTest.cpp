#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/InsertRow.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using ::testing::HasSubstr;

class SqliteProviderTest : public ::testing::Test {
protected:
    const std::string path_ = test::NewSqliteFile();
    Connection conn_ = test::OpenSqlite(path_);
};

TEST_F(SqliteProviderTest, DeclaredTypesGiveTypeCodesAndValueKinds) {
    conn_.Execute(
        "CREATE TABLE t (id INTEGER, small SMALLINT, tiny TINYINT, big BIGINT, flag BOOLEAN, price CURRENCY, "
        "amount DECIMAL(19,4), ratio SINGLE, weight DOUBLE, r REAL, added DATETIME, stamp TIMESTAMP, "
        "name VARCHAR(50), notes LONGTEXT, code CHAR(3), pic BLOB, g GUID, d DATETIME)");
    conn_.Execute(
        "INSERT INTO t VALUES (1, 2, 3, 9007199254740993, 1, '12.5000', 14.0, 17.5, 0.1, 2.25, "
        "'2004/3/7 9:05:02', '2004-03-07 09:05:02', 'Zürich – 東京', 'x', 'abc', x'00ff', '{A}', 'not a date')");
    auto rs = conn_.Execute("SELECT *, 1 + 1 AS two, 'x' || 'y' AS xy, NULL AS n FROM t");
    const int expected[] = {3, 2, 17, 20, 11, 6, 131, 4, 5, 5, 7, 135, 202, 203, 130, 205, 72, 7, 20, 202};
    ASSERT_EQ(rs->FieldCount(), std::size(expected) + 1);
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(rs->Fields(i).Type(), expected[i]) << rs->Fields(i).Name();

    const std::pair<const char*, Value> values[] = {
        {"big", Value::Integer(9007199254740993)}, {"flag", Value::Boolean(true)}, {"price", Value::Decimal("12.5")},
        {"amount", Value::Decimal("14")}, {"ratio", Value::Single(17.5f)}, {"weight", Value::Double(0.1)},
        {"added", Value::Date({2004, 3, 7, 9, 5, 2})}, {"stamp", Value::Date({2004, 3, 7, 9, 5, 2})},
        {"name", Value::Text("Zürich – 東京")}, {"pic", Value::Binary({0x00, 0xff})},
        {"d", Value::Text("not a date")},  // kept, not lost
        {"two", Value::Integer(2)}, {"n", Value::Null()}};
    for (const auto& [name, value] : values) EXPECT_TRUE(rs->Fields(name).Value() == value) << name;
    // Names are found in any letter case and keep their spelling.
    EXPECT_EQ(rs->Fields("NAME").Name(), "name");
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { rs->Fields("CFG_Value"); }), HasSubstr("CFG_Value"));
    EXPECT_THROW(rs->Fields(21), DatabaseError);
}

TEST_F(SqliteProviderTest, BadStatementsAndFilesFailWithTheEnginesWords) {
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { conn_.Execute("SELECT * FROM tblMissing"); }),
                HasSubstr("tblMissing"));
    conn_.Execute("CREATE TABLE t (a INTEGER)");
    EXPECT_THROW(conn_.Execute("INSERT INTO t VALUES (1); DELETE FROM t"), DatabaseError);
    EXPECT_EQ(test::Count(conn_, "SELECT COUNT(*) FROM t"), 0);  // the refused pair did not half-run
    EXPECT_NO_THROW(conn_.Execute("INSERT INTO t VALUES (1);"));
    EXPECT_EQ(test::Count(conn_, "SELECT COUNT(*) FROM t"), 1);

    Connection c;
    const std::string text = test::TempDir() + "/notes.sqlite";
    std::ofstream(text) << "this is not a database, just some words that are long enough to look like a header";
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { c.Open("Provider=SQLite;Data Source=" + text); }),
                HasSubstr("notes.sqlite"));
    EXPECT_FALSE(c.IsOpen());
    EXPECT_THROW(c.Open("Provider=Oracle;Data Source=x"), DatabaseError);
    EXPECT_THROW(c.Open(""), DatabaseError);
    EXPECT_THROW(c.Execute("SELECT 1"), DatabaseError);  // never opened
}

// Another program holds the file: the message says so, with the file's name,
// not that the file is no database; at opening and at a statement alike.
TEST_F(SqliteProviderTest, ALockedFileIsReportedAsLockedByAnotherProgram) {
    conn_.Execute("CREATE TABLE t (a INTEGER)");
    Connection user = test::OpenSqlite(path_);
    conn_.Execute("BEGIN EXCLUSIVE");
    conn_.Execute("INSERT INTO t VALUES (2)");
    const std::string locked = "The SQLite database '" + path_ + "' is locked by another program.";
    EXPECT_EQ(test::ErrorText<DatabaseError>([&] { user.Execute("SELECT COUNT(*) FROM t"); }), locked);
    EXPECT_EQ(test::ErrorText<DatabaseError>(
                  [&] { Connection().Open("Provider=SQLite;Data Source=" + path_, OpenMode::kReadOnly); }),
              locked);
    conn_.Execute("ROLLBACK");
}

// The statement fails while its result is being made; what SQLite holds for
// it, and for the connection, must all be given back once the connection closes.
TEST(SqliteFirstRowFailure, LeavesNoStatementOrConnectionBehind) {
    const std::string path = test::NewSqliteFile();
    Connection maker = test::OpenSqlite(path);
    maker.Execute("CREATE TABLE t (doc TEXT)");
    maker.Execute("INSERT INTO t VALUES ('{not json')");
    maker.Close();
    const auto nwind = test::SharedFixture("access/nwind.mdb");
    const std::pair<std::string, const char*> cases[] = {
        {"Provider=SQLite;Data Source=" + path, "SELECT json_extract(doc, '$.a') AS a FROM t"},
        {nwind ? "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + *nwind : "",
         "SELECT abs(-9223372036854775807 - 1) AS a FROM Products"},
    };
    for (const auto& [cs, sql] : cases) {
        if (cs.empty()) continue;  // the shared Access fixture is not present
        auto failOnce = [&] {
            Connection c;
            c.Open(cs);
            EXPECT_THROW(c.Execute(sql), DatabaseError) << sql;
        };
        failOnce();  // SQLite sets itself up once per process
        const sqlite3_int64 before = sqlite3_memory_used();
        failOnce();
        EXPECT_EQ(sqlite3_memory_used(), before) << sql;
    }
}

// A copy's rows run with their values bound to a statement prepared once:
// every literal form the copy writes must be stored as the literal statement
// stores it, in every affinity; forms only text reproduces stay text.
RowValue ValueOf(const std::string& literal) {
    if (literal == "NULL") return RowValue::Null();
    if (literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'') {
        std::string text;
        for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
            text += literal[i];
            if (literal[i] == '\'') ++i;
        }
        return RowValue::Text(text);
    }
    return NumberValue(literal);
}

std::shared_ptr<const std::string> Head(const std::string& sql) { return std::make_shared<const std::string>(sql); }

const char* kLiterals[] = {
    "NULL", "0", "-0", "42", "-42", "999999999999999999", "1.0", "-1.0", "0.1", "-0.25", ".5", "1.5e3", "2E-7",
    "2.2e-308", "1e308", "1e+308", "-2.5e-05", "-0.0", "-1.7976931348623157e308", "3.0000000000000004", "12.3400",
    "'12'", "'12.50'", "' 7 '", "'1e3'", "'abc'", "''", "'O''Brien'", "'a,b) VALUES ('", "'\r\n'",
    "'Z\xC3\xBCrich \xF0\x9F\x98\x80'", "'\xFF\xFE'", "'2004-03-07 09:05:02'", "'0x10'", "CAST(X'6100' AS TEXT)",
    "9223372036854775807", "123456789012345678901234567890"};

const std::set<std::string> kTextOnly = {"CAST(X'6100' AS TEXT)", "9223372036854775807",
                                         "123456789012345678901234567890"};

TEST(SqliteBoundInsert, StoresWhatTheLiteralStatementStores) {
    Connection conn = test::OpenSqlite(test::NewSqliteFile());
    const char* ddl = " (k INTEGER PRIMARY KEY, i INT, r REAL, t TEXT, n NUMERIC, d DECIMAL(19,4), b BLOB, x)";
    conn.Execute(std::string("CREATE TABLE literal") + ddl)->Close();
    conn.Execute(std::string("CREATE TABLE bound") + ddl)->Close();
    int key = 0;
    InsertRow row{Head("INSERT INTO bound (k,i,r,t,n,d,b,x) VALUES ("), {}};
    for (const char* literal : kLiterals) {
        std::string values = std::to_string(++key);
        row.values.assign(1, NumberValue(std::to_string(key)));
        for (int column = 0; column < 7; ++column) {
            values += std::string(",") + literal;
            row.values.push_back(ValueOf(literal));
        }
        conn.Execute("INSERT INTO literal (k,i,r,t,n,d,b,x) VALUES (" + values + ")")->Close();
        // Casts and integers past 18 digits are left to the text.
        const bool typed = row.AllTyped();
        EXPECT_EQ(typed, !kTextOnly.count(literal)) << literal;
        if (typed)
            EXPECT_TRUE(conn.RunRow(row)) << literal;
        else
            conn.Execute("INSERT INTO bound (k,i,r,t,n,d,b,x) VALUES (" + values + ")")->Close();
    }
    // typeof and the exact bytes or bits of every cell.
    const std::string cells =
        "SELECT k, typeof(i) || ':' || hex(i), typeof(r) || ':' || hex(r) || ':' || printf('%!.20e', r), "
        "typeof(t) || ':' || hex(t), typeof(n) || ':' || printf('%!.20e', n) || ':' || hex(n), "
        "typeof(d) || ':' || printf('%!.20e', d) || ':' || hex(d), typeof(b) || ':' || hex(b), "
        "typeof(x) || ':' || printf('%!.20e', x) || ':' || hex(x) FROM ";
    auto literal = conn.Execute(cells + "literal ORDER BY k");
    auto bound = conn.Execute(cells + "bound ORDER BY k");
    int rows = 0;
    for (; !literal->Eof() && !bound->Eof(); literal->MoveNext(), bound->MoveNext(), ++rows)
        for (std::size_t c = 1; c < literal->FieldCount(); ++c)
            EXPECT_EQ(bound->Fields(c).Value().ToText(), literal->Fields(c).Value().ToText())
                << kLiterals[rows] << " in column " << c;
    EXPECT_EQ(rows, static_cast<int>(std::size(kLiterals)));
    EXPECT_TRUE(literal->Eof() && bound->Eof());
}

TEST(SqliteBoundInsert, FailureReportsTheEnginesWordsAndLeavesTheStatementUsable) {
    Connection conn = test::OpenSqlite(test::NewSqliteFile());
    conn.Execute("CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT NOT NULL)")->Close();
    const auto head = Head("INSERT INTO t (k,v) VALUES (");
    const auto row = [&](const char* k, const char* v) { return InsertRow{head, {NumberValue(k), RowValue::Text(v)}}; };
    EXPECT_TRUE(conn.RunRow(row("1", "a")));
    EXPECT_TRUE(conn.RunRow(row("2", "b")));
    EXPECT_EQ(test::ErrorText<DatabaseError>([&] { conn.RunRow(row("1", "c")); }), "UNIQUE constraint failed: t.k");
    EXPECT_TRUE(conn.RunRow(row("5", "e")));
    auto rs = conn.Execute("SELECT group_concat(k) FROM t");
    EXPECT_EQ(rs->Fields(0).Value().ToText(), "1,2,5");
    rs->Close();
}

}  // namespace
}  // namespace qdt::db
