#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using ::testing::HasSubstr;

class SqliteProviderTest : public ::testing::Test {
protected:
    long Count(const std::string& table) { return test::Count(conn_, "SELECT COUNT(*) FROM " + table); }
    Connection conn_ = test::OpenSqlite(test::NewSqliteFile());
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
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { rs->Fields("CFG_Value"); }), HasSubstr("CFG_Value"));
    EXPECT_THROW(rs->Fields(1), DatabaseError);
}

TEST_F(SqliteProviderTest, BadStatementsFailWithTheEnginesWords) {
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { conn_.Execute("SELECT * FROM tblMissing"); }),
                HasSubstr("tblMissing"));
    conn_.Execute("CREATE TABLE t (a INTEGER)");
    EXPECT_THROW(conn_.Execute("INSERT INTO t VALUES (1); DELETE FROM t"), DatabaseError);
    EXPECT_EQ(Count("t"), 0);  // the refused pair did not half-run
    EXPECT_NO_THROW(conn_.Execute("INSERT INTO t VALUES (1);"));
    EXPECT_EQ(Count("t"), 1);
}

TEST(SqliteOpening, MissingAndForeignFilesAreRefusedByName) {
    Connection c;
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { c.Open("Provider=SQLite;Data Source=/nonexistent/shop.sqlite"); }),
                HasSubstr("/nonexistent/shop.sqlite"));
    EXPECT_FALSE(c.IsOpen());
    std::string text = test::TempDir() + "/notes.sqlite";
    std::ofstream(text) << "this is not a database, just some words that are long enough to look like a header";
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { c.Open("Provider=SQLite;Data Source=" + text); }),
                HasSubstr("notes.sqlite"));
}

TEST(ProviderChoice, UnsupportedStringsSayWhy) {
    Connection c;
    EXPECT_THROW(c.Open("Provider=Oracle;Data Source=x"), DatabaseError);
    EXPECT_THROW(c.Open(""), DatabaseError);
    EXPECT_THROW(c.Execute("SELECT 1"), DatabaseError);  // never opened
}

}  // namespace
}  // namespace qdt::db
