#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

class SqliteProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = test::TempDir() + "/shop.sqlite";
        std::ofstream(path_).close();  // an empty file is an empty database
        conn_.Open("Provider=SQLite;Data Source=" + path_);
    }
    long Count(const std::string& table) {
        auto rs = conn_.Execute("SELECT COUNT(*) As Recs From " + table);
        return static_cast<long>(rs->Fields("Recs").Value().ToInteger());
    }
    std::string path_;
    Connection conn_;
};

TEST_F(SqliteProviderTest, DeclaredTypesGiveTypeCodesAndValueKinds) {
    conn_.Execute(
        "CREATE TABLE t (id INTEGER, small SMALLINT, tiny TINYINT, big BIGINT, flag BOOLEAN, price CURRENCY, "
        "amount DECIMAL(19,4), ratio SINGLE, weight DOUBLE, r REAL, added DATETIME, stamp TIMESTAMP, "
        "name VARCHAR(50), notes LONGTEXT, code CHAR(3), pic BLOB, g GUID)");
    conn_.Execute(
        "INSERT INTO t VALUES (1, 2, 3, 9007199254740993, 1, '12.5000', 14.0, 17.5, 0.1, 2.25, "
        "'2004/3/7 9:05:02', '2004-03-07 09:05:02', 'Zürich – 東京', 'x', 'abc', x'00ff', '{A}')");
    auto rs = conn_.Execute("SELECT * FROM t");
    const int expected[] = {3, 2, 17, 20, 11, 6, 131, 4, 5, 5, 7, 135, 202, 203, 130, 205, 72};
    ASSERT_EQ(rs->FieldCount(), std::size(expected));
    for (std::size_t i = 0; i < rs->FieldCount(); ++i)
        EXPECT_EQ(rs->Fields(i).Type(), expected[i]) << rs->Fields(i).Name();

    EXPECT_EQ(rs->Fields("big").Value().ToText(), "9007199254740993");
    EXPECT_EQ(rs->Fields("flag").Value(), Value::Boolean(true));
    EXPECT_EQ(rs->Fields("price").Value().ToText(), "12.5");
    EXPECT_EQ(rs->Fields("amount").Value().ToText(), "14");
    EXPECT_EQ(rs->Fields("ratio").Value(), Value::Single(17.5f));
    EXPECT_EQ(rs->Fields("weight").Value().ToText(), "0.1");
    EXPECT_EQ(rs->Fields("added").Value(), Value::Date({2004, 3, 7, 9, 5, 2}));
    EXPECT_EQ(rs->Fields("stamp").Value(), Value::Date({2004, 3, 7, 9, 5, 2}));
    EXPECT_EQ(rs->Fields("name").Value().ToText(), "Zürich – 東京");
    EXPECT_EQ(rs->Fields("pic").Value(), Value::Binary({0x00, 0xff}));
}

TEST_F(SqliteProviderTest, NullsExpressionsAndUnparsableDates) {
    conn_.Execute("CREATE TABLE t (a INTEGER, d DATETIME, s VARCHAR(5))");
    conn_.Execute("INSERT INTO t VALUES (NULL, 'not a date', NULL)");
    auto rs = conn_.Execute("SELECT a, d, s, 1 + 1 AS two, 'x' || 'y' AS xy FROM t");
    EXPECT_TRUE(rs->Fields("a").Value().IsNull());
    EXPECT_EQ(rs->Fields("a").Value().ToText(), "");
    EXPECT_EQ(rs->Fields("d").Value(), Value::Text("not a date"));  // kept, not lost
    EXPECT_TRUE(rs->Fields("s").Value().IsNull());
    EXPECT_EQ(rs->Fields("two").Type(), 20);
    EXPECT_EQ(rs->Fields("two").Value(), Value::Integer(2));
    EXPECT_EQ(rs->Fields("xy").Type(), 202);
}

TEST_F(SqliteProviderTest, FieldNamesAreFoundInAnyLetterCaseAndKeepTheirSpelling) {
    conn_.Execute("CREATE TABLE t (CFG_Name VARCHAR(10))");
    conn_.Execute("INSERT INTO t VALUES ('x')");
    auto rs = conn_.Execute("SELECT * FROM t");
    EXPECT_EQ(rs->Fields("cfg_name").Name(), "CFG_Name");
    try {
        rs->Fields("CFG_Value");
        FAIL() << "a missing column must be reported";
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("CFG_Value"), std::string::npos);
    }
    EXPECT_THROW(rs->Fields(1), DatabaseError);
}

TEST_F(SqliteProviderTest, BadStatementsFailWithTheEnginesWords) {
    try {
        conn_.Execute("SELECT * FROM tblMissing");
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("tblMissing"), std::string::npos);
    }
    conn_.Execute("CREATE TABLE t (a INTEGER)");
    EXPECT_THROW(conn_.Execute("INSERT INTO t VALUES (1); DELETE FROM t"), DatabaseError);
    EXPECT_EQ(Count("t"), 0);  // the refused pair did not half-run
    EXPECT_NO_THROW(conn_.Execute("INSERT INTO t VALUES (1);"));
    EXPECT_EQ(Count("t"), 1);
}

// Rows come from the engine one at a time; a large table walks to the end with the right sum.
TEST_F(SqliteProviderTest, LargeTablesStreamToTheEnd) {
    conn_.Execute("CREATE TABLE big (id INTEGER, name VARCHAR(20))");
    conn_.BeginTrans();
    conn_.Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
        "INSERT INTO big SELECT i, 'row ' || i FROM n");
    conn_.CommitTrans();
    auto rs = conn_.Execute("SELECT id, name FROM big");
    long long sum = 0, rows = 0;
    for (; !rs->Eof(); rs->MoveNext()) {
        sum += rs->Fields(0).Value().ToInteger();
        ++rows;
    }
    EXPECT_EQ(rows, 200000);
    EXPECT_EQ(sum, 200000LL * 200001 / 2);
}

TEST(SqliteOpening, MissingAndForeignFilesAreRefusedByName) {
    Connection c;
    try {
        c.Open("Provider=SQLite;Data Source=/nonexistent/shop.sqlite");
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/shop.sqlite"), std::string::npos);
    }
    EXPECT_FALSE(c.IsOpen());
    std::string text = test::TempDir() + "/notes.sqlite";
    std::ofstream(text) << "this is not a database, just some words that are long enough to look like a header";
    try {
        c.Open("Provider=SQLite;Data Source=" + text);
        FAIL();
    } catch (const DatabaseError& e) {
        EXPECT_NE(std::string(e.what()).find("notes.sqlite"), std::string::npos);
    }
}

TEST(ProviderChoice, UnsupportedStringsSayWhy) {
    Connection c;
    EXPECT_THROW(c.Open("Provider=Oracle;Data Source=x"), DatabaseError);
    EXPECT_THROW(c.Open(""), DatabaseError);
    EXPECT_THROW(c.Execute("SELECT 1"), DatabaseError);  // never opened
}

}  // namespace
}  // namespace qdt::db
