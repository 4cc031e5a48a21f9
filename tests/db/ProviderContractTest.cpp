// Values as written into statements; what SQLite and the test MariaDB server do
// alike (identities, read-only opening, table lists, walking a result); and
// SQLite's own declared types, errors, locks and bound inserts.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <map>
#include <memory>
#include <set>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/InsertRow.h"
#include "db/ProviderTestSupport.h"
#include "db/Value.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using ::testing::HasSubstr;

// Values as they are written into SQL: never in exponent notation, numbers in
// the shortest form that reads back, decimals without trailing zeros.
TEST(ValueText, NumbersDatesAndNullAsWrittenIntoStatementsAndReadBack) {
    const std::pair<Value, const char*> cases[] = {
        {Value::Integer(-42), "-42"},           {Value::Integer(9007199254740993LL), "9007199254740993"},
        {Value::Double(14.0), "14"},            {Value::Double(-0.0), "0"},
        {Value::Double(1e20), "100000000000000000000"}, {Value::Double(0.000001), "0.000001"},
        {Value::Double(1.0 / 3), "0.3333333333333333"},
        // A single is written as the single it is, not as its widened double.
        {Value::Single(0.1f), "0.1"},           {Value::Single(5.104f), "5.104"},
        {Value::Decimal("14.0000"), "14"},      {Value::Decimal("-0.0000"), "0"},
        {Value::Decimal("0.0100"), "0.01"},     {Value::Decimal(".5"), "0.5"},
        {Value::Decimal("-007.10"), "-7.1"},    {Value::Decimal("100"), "100"},  // zeros of the whole part stay
        {Value::Decimal("922337203685477.5807"), "922337203685477.5807"},  // exact, beyond a double
        {Value::Date({812, 1, 1, 0, 0, 0}), "0812-01-01 00:00:00"}, {Value::Null(), ""},
        {Value::Boolean(true), "1"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(value.ToText(), text) << text;
    // Computed values lose the arithmetic's noise, and keep real digits.
    EXPECT_EQ(FormatComputed(0.07 * 100), "7");
    EXPECT_EQ(FormatComputed(19.99 + 0.01), "20");
    EXPECT_EQ(FormatComputed(1.0 / 3), "0.333333333333333");
    // Numeric text reads as a number, other text is refused.
    EXPECT_DOUBLE_EQ(Value::Text(" 44 ").ToDouble(), 44);
    EXPECT_EQ(Value::Decimal("12.5").ToInteger(), 12);  // half to even
    EXPECT_EQ(Value::Double(13.5).ToInteger(), 14);
    for (const Value& text : {Value::Text("abc"), Value::Text(""), Value::Null()})
        EXPECT_THROW(text.ToDouble(), std::exception) << text.ToText();
    // Dates: ISO and slash forms are read, nonsense refused.
    const std::pair<const char*, const char*> dates[] = {
        {"2004/3/7 9:05:02", "2004-03-07 09:05:02"}, {"2005-01-01", "2005-01-01 00:00:00"},
        {"2000-02-29T23:59:59.123", "2000-02-29 23:59:59.123"},  // the fraction is kept
        {"2001-02-29", nullptr},  // not a leap year
        {"2004-13-01", nullptr}, {"2004-03-07 24:00:00", nullptr}, {"2004-03/07", nullptr},
        {"2004-03-07 09:05:02 junk", nullptr},
    };
    for (const auto& [text, parsed] : dates) {
        DateTime d;
        EXPECT_EQ(ParseDateTime(text, d) ? FormatDateTime(d) : "(refused)", parsed ? parsed : "(refused)") << text;
    }
}

class ProviderContract : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            QDT_REQUIRE_MYSQL_SERVER(server);
            cs_ = server.ConnectionString();
            database_ = server.database;
        } else {
            cs_ = "Provider=SQLite;Data Source=" + test::NewSqliteFile();
        }
        conn_.Open(cs_);
    }
    // A fresh table; each test has its own name so that test processes can share the server.
    void Table(const std::string& name, const std::string& rows) {
        conn_.Execute("DROP TABLE IF EXISTS " + name);
        conn_.Execute("CREATE TABLE " + name + " (a INTEGER)");
        if (!rows.empty()) conn_.Execute("INSERT INTO " + name + " VALUES " + rows);
    }

    std::string cs_, database_;
    Connection conn_;
};

// The identity the engine gave each new row, inside a transaction as the importers ask for it.
TEST_P(ProviderContract, LastInsertIdIsTheIdentityOfTheNewRow) {
    conn_.Execute(GetParam() ? "CREATE TEMPORARY TABLE qdt_ids (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                               "name VARCHAR(10)) ENGINE=InnoDB AUTO_INCREMENT=41"
                             : "CREATE TABLE qdt_ids (id INTEGER PRIMARY KEY, name TEXT)");
    conn_.BeginTrans();
    conn_.Execute("INSERT INTO qdt_ids (name) VALUES ('a')")->Close();
    const auto first = conn_.LastInsertId();
    conn_.Execute("INSERT INTO qdt_ids (name) VALUES ('b')")->Close();
    const auto second = conn_.LastInsertId();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(FirstValue(conn_, "SELECT id FROM qdt_ids WHERE name = 'b'"), std::to_string(*second));
    EXPECT_EQ(*second, *first + 1);
    conn_.RollbackTrans();
}

TEST_P(ProviderContract, ReadOnlyOpenReadsButRefusesChanges) {
    Table("ro_source", "(1)");
    Connection reader;
    reader.Open(cs_, OpenMode::kReadOnly);
    EXPECT_EQ(FirstValue(reader, "SELECT COUNT(*) FROM ro_source"), "1");
    for (const char* change : {"INSERT INTO ro_source VALUES (2)", "UPDATE ro_source SET a = 3",
                               "DELETE FROM ro_source", "CREATE TABLE ro_other (id INTEGER)"})
        EXPECT_THROW(reader.Execute(change), DatabaseError) << change;
    EXPECT_EQ(FirstValue(reader, "SELECT SUM(a) FROM ro_source"), "1");
}

TEST_P(ProviderContract, SchemaListsTablesAndViewsWithTheNameThird) {
    Table("contract_here", "");
    conn_.Execute("DROP VIEW IF EXISTS contract_view");
    conn_.Execute("CREATE VIEW contract_view AS SELECT a FROM contract_here");
    if (GetParam()) {
        conn_.Execute("CREATE DATABASE IF NOT EXISTS " + database_ + "_other");
        conn_.Execute("CREATE TABLE IF NOT EXISTS " + database_ + "_other.contract_elsewhere (id INT)");
    }
    // A server lists its current database only.
    std::map<std::string, std::string> seen;
    for (auto rs = conn_.OpenSchema(); !rs->Eof(); rs->MoveNext())
        seen[rs->Fields(2).Value().ToText()] =
            rs->Fields("TABLE_TYPE").Value().ToText() + " " + rs->Fields("TABLE_CATALOG").Value().ToText();
    const std::string catalog = GetParam() ? " " + database_ : " ";
    EXPECT_EQ(seen["contract_here"] + "," + seen["contract_view"], "TABLE" + catalog + ",VIEW" + catalog);
    EXPECT_EQ(seen.count("contract_elsewhere"), 0u);
    if (GetParam()) conn_.Execute("DROP DATABASE " + database_ + "_other");
    EXPECT_EQ(seen["sqlite_master"], GetParam() ? "" : "SYSTEM TABLE ");
}

TEST_P(ProviderContract, EofAndMoveFirstReadTheRowsAgain) {
    Table("contract_walk", "");
    auto empty = conn_.Execute("SELECT a FROM contract_walk");
    EXPECT_TRUE(empty->Eof());
    EXPECT_THROW(empty->Fields("a").Value(), DatabaseError);
    EXPECT_THROW(empty->MoveNext(), DatabaseError);
    conn_.Execute("INSERT INTO contract_walk VALUES (1), (2), (3)");
    auto rs = conn_.Execute("SELECT a FROM contract_walk ORDER BY a");
    rs->MoveNext();
    rs->MoveFirst();
    std::string seen;
    for (; !rs->Eof(); rs->MoveNext()) seen += rs->Fields(0).Value().ToText();
    EXPECT_EQ(seen, "123");
    rs->Close();
    EXPECT_THROW(rs->MoveNext(), DatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Engines, ProviderContract, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "MySql" : "Sqlite"); });

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
    std::vector<int> types;
    for (const Field& f : rs->AllFields()) types.push_back(f.Type());
    EXPECT_EQ(types, (std::vector<int>{3, 2, 17, 20, 11, 6, 131, 4, 5, 5, 7, 135, 202, 203, 130, 205, 72, 7, 20, 202, 0}));

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
    if (literal.front() == '\'') {
        std::string text = literal.substr(1, literal.size() - 2);
        for (std::size_t at = text.find("''"); at != std::string::npos; at = text.find("''", at + 1)) text.erase(at, 1);
        return RowValue::Text(text);
    }
    return NumberValue(literal);
}

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
    InsertRow row{std::make_shared<const std::string>("INSERT INTO bound (k,i,r,t,n,d,b,x) VALUES ("), {}};
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
    const auto head = std::make_shared<const std::string>("INSERT INTO t (k,v) VALUES (");
    const auto row = [&](const char* k, const char* v) { return InsertRow{head, {NumberValue(k), RowValue::Text(v)}}; };
    EXPECT_TRUE(conn.RunRow(row("1", "a")));
    EXPECT_TRUE(conn.RunRow(row("2", "b")));
    EXPECT_EQ(test::ErrorText<DatabaseError>([&] { conn.RunRow(row("1", "c")); }), "UNIQUE constraint failed: t.k");
    EXPECT_TRUE(conn.RunRow(row("5", "e")));
    EXPECT_EQ(FirstValue(conn, "SELECT group_concat(k) FROM t"), "1,2,5");
}

}  // namespace
}  // namespace qdt::db
