// What every provider shares: values as they are written into statements;
// and what SQLite and the test MariaDB server do alike: new rows' identities,
// read-only opening, the table list, and walking a result.
#include <gtest/gtest.h>

#include <map>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Value.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

// Values as they are written into SQL: never in exponent notation, numbers in
// the shortest form that reads back, decimals without trailing zeros.
TEST(ValueText, NumbersDatesAndNullAsWrittenIntoStatements) {
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
}

TEST(ValueNumbers, NumericTextReadsAsNumberAndOtherTextIsRefused) {
    EXPECT_DOUBLE_EQ(Value::Text(" 44 ").ToDouble(), 44);
    EXPECT_EQ(Value::Decimal("12.5").ToInteger(), 12);  // half to even
    EXPECT_EQ(Value::Double(13.5).ToInteger(), 14);
    for (const Value& text : {Value::Text("abc"), Value::Text(""), Value::Null()})
        EXPECT_THROW(text.ToDouble(), std::exception) << text.ToText();
}

TEST(DateParsing, AcceptsIsoAndSlashFormsAndRejectsNonsense) {
    const std::pair<const char*, const char*> cases[] = {
        {"2004/3/7 9:05:02", "2004-03-07 09:05:02"}, {"2005-01-01", "2005-01-01 00:00:00"},
        {"2000-02-29T23:59:59.123", "2000-02-29 23:59:59.123"},  // the fraction is kept
        {"2001-02-29", nullptr},  // not a leap year
        {"2004-13-01", nullptr}, {"2004-03-07 24:00:00", nullptr}, {"2004-03/07", nullptr},
        {"2004-03-07 09:05:02 junk", nullptr},
    };
    for (const auto& [text, parsed] : cases) {
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
    std::string One(Connection& c, const std::string& sql) { return c.Execute(sql)->Fields(0).Value().ToText(); }

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
    EXPECT_EQ(One(conn_, "SELECT id FROM qdt_ids WHERE name = 'b'"), std::to_string(*second));
    EXPECT_EQ(*second, *first + 1);
    conn_.RollbackTrans();
}

// A source opened read-only reads as before and refuses every change.
TEST_P(ProviderContract, ReadOnlyOpenReadsButRefusesChanges) {
    Table("ro_source", "(1)");
    Connection reader;
    reader.Open(cs_, OpenMode::kReadOnly);
    EXPECT_EQ(One(reader, "SELECT COUNT(*) FROM ro_source"), "1");
    for (const char* change : {"INSERT INTO ro_source VALUES (2)", "UPDATE ro_source SET a = 3",
                               "DELETE FROM ro_source", "CREATE TABLE ro_other (id INTEGER)"})
        EXPECT_THROW(reader.Execute(change), DatabaseError) << change;
    EXPECT_EQ(One(reader, "SELECT SUM(a) FROM ro_source"), "1");
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

}  // namespace
}  // namespace qdt::db
