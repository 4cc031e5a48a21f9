#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

// Against the throw-away server of scripts/test-mariadb. Each test uses its
// own table names so that test processes can run side by side.
namespace qdt::db {
namespace {

class MySqlProviderTest : public ::testing::Test {
protected:
    void SetUp() override {
        QDT_REQUIRE_MYSQL_SERVER(server);
        database_ = server.database;
        c_.Open(server.ConnectionString());
    }
    std::string database_;
    Connection c_;
};

TEST_F(MySqlProviderTest, ColumnTypesAndValues) {
    c_.Execute("DROP TABLE IF EXISTS odbc_types");
    c_.Execute(
        "CREATE TABLE odbc_types (i INT, s SMALLINT, t TINYINT, b BIGINT, f FLOAT, d DOUBLE, m DECIMAL(19,4), "
        "dt DATETIME, dd DATE, bt BIT(1), tb TINYINT(1), v VARCHAR(50), tx TEXT, lt LONGTEXT, bl LONGBLOB, tm TIME, "
        "ub BIGINT UNSIGNED)");
    c_.Execute(
        "INSERT INTO odbc_types VALUES (-7, 300, -5, 9007199254740993, 17.5, 0.1, 12.5000, '2004/3/7 9:05:02', "
        "'2004-03-07', b'1', 1, 'abc', 'text', REPEAT('x', 204800), REPEAT(x'00ff10', 50000), '13:14:15', "
        "18446744073709551615)");
    c_.Execute("INSERT INTO odbc_types () VALUES ()");
    auto rs = c_.Execute("SELECT * FROM odbc_types ORDER BY i IS NULL");
    const int expected[] = {3, 2, 17, 20, 4, 5, 131, 135, 133, 11, 17, 202, 203, 203, 205, 134, 20};
    ASSERT_EQ(rs->FieldCount(), std::size(expected));
    for (std::size_t i = 0; i < rs->FieldCount(); ++i)
        EXPECT_EQ(rs->Fields(i).Type(), expected[i]) << rs->Fields(i).Name();

    EXPECT_EQ(rs->Fields("i").Value(), Value::Integer(-7));
    EXPECT_EQ(rs->Fields("s").Value(), Value::Integer(300));
    EXPECT_EQ(rs->Fields("t").Value(), Value::Integer(-5));
    EXPECT_EQ(rs->Fields("b").Value(), Value::Integer(9007199254740993));
    EXPECT_EQ(rs->Fields("f").Value(), Value::Single(17.5f));
    EXPECT_EQ(rs->Fields("d").Value(), Value::Double(0.1));
    EXPECT_EQ(rs->Fields("m").Value(), Value::Decimal("12.5"));
    EXPECT_EQ(rs->Fields("dt").Value(), Value::Date({2004, 3, 7, 9, 5, 2}));
    EXPECT_EQ(rs->Fields("dd").Value(), Value::Date({2004, 3, 7, 0, 0, 0}));
    EXPECT_EQ(rs->Fields("bt").Value(), Value::Boolean(true));
    EXPECT_EQ(rs->Fields("tb").Value(), Value::Integer(1));
    EXPECT_EQ(rs->Fields("v").Value(), Value::Text("abc"));
    EXPECT_EQ(rs->Fields("tx").Value(), Value::Text("text"));
    EXPECT_EQ(rs->Fields("lt").Value(), Value::Text(std::string(204800, 'x')));
    Bytes blob;
    for (int i = 0; i < 50000; ++i) blob.insert(blob.end(), {0x00, 0xff, 0x10});
    EXPECT_EQ(rs->Fields("bl").Value(), Value::Binary(blob));
    EXPECT_EQ(rs->Fields("tm").Value(), Value::Date({1899, 12, 30, 13, 14, 15}));
    EXPECT_EQ(rs->Fields("ub").Value(), Value::Decimal("18446744073709551615"));
    rs->MoveNext();
    for (const Field& f : rs->AllFields()) EXPECT_TRUE(f.Value().IsNull()) << f.Name();
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
}

TEST_F(MySqlProviderTest, LimitZeroAndOneAndStatementsWithoutRows) {
    c_.Execute("DROP TABLE IF EXISTS odbc_limit");
    auto created = c_.Execute("CREATE TABLE odbc_limit (id INT PRIMARY KEY, name VARCHAR(10))");
    EXPECT_EQ(created->FieldCount(), 0u);
    EXPECT_TRUE(created->Eof());
    c_.Execute("INSERT INTO odbc_limit VALUES (1, 'a'), (2, 'b')");
    auto none = c_.Execute("SELECT id, name FROM odbc_limit ORDER BY id LIMIT 0");
    EXPECT_EQ(none->FieldCount(), 2u);
    EXPECT_TRUE(none->Eof() && none->Bof());
    auto one = c_.Execute("SELECT id, name FROM odbc_limit ORDER BY id LIMIT 0, 1");
    ASSERT_FALSE(one->Eof());
    EXPECT_EQ(one->Fields("id").Value(), Value::Integer(1));
    one->MoveNext();
    EXPECT_TRUE(one->Eof());
}

// Lookups and writes beside a result still being read, also inside a
// transaction; a large result closed halfway leaves the connection usable.
TEST_F(MySqlProviderTest, StatementsRunWhileAResultIsStillBeingRead) {
    c_.Execute("DROP TABLE IF EXISTS odbc_lookup");
    c_.Execute("CREATE TABLE odbc_lookup (id INT PRIMARY KEY, name VARCHAR(10)) ENGINE=InnoDB");
    c_.Execute("INSERT INTO odbc_lookup VALUES (1, 'one'), (2, 'two'), (3, 'three')");
    long rows = 0;
    for (auto walk = c_.Execute("SELECT seq FROM seq_1_to_20000"); !walk->Eof(); walk->MoveNext()) {
        if (++rows % 5000 != 1) continue;
        EXPECT_EQ(c_.Execute("SELECT name FROM odbc_lookup WHERE id = 2")->Fields("name").Value().ToText(), "two");
        c_.Execute("UPDATE odbc_lookup SET name = 'uno' WHERE id = 1");
    }
    EXPECT_EQ(rows, 20000);

    c_.BeginTrans();
    auto inside = c_.Execute("SELECT seq FROM seq_1_to_3");
    c_.Execute("INSERT INTO odbc_lookup VALUES (4, 'four')");
    EXPECT_EQ(test::Count(c_, "SELECT COUNT(*) FROM odbc_lookup"), 4);
    c_.RollbackTrans();
    EXPECT_EQ(inside->Fields(0).Value(), Value::Integer(1));
    EXPECT_EQ(test::Count(c_, "SELECT COUNT(*) FROM odbc_lookup"), 3);

    auto large = c_.Execute("SELECT seq, REPEAT('x', 500) AS pad FROM seq_1_to_300000");
    for (rows = 0; rows < 1000; ++rows) large->MoveNext();
    EXPECT_EQ(large->Fields("seq").Value(), Value::Integer(1001));
    large->Close();
    EXPECT_EQ(c_.Execute("SELECT 7")->Fields(0).Value(), Value::Integer(7));
    EXPECT_THROW(large->MoveNext(), DatabaseError);
}

TEST_F(MySqlProviderTest, ErrorsCarryTheServersWords) {
    try {
        c_.Execute("SELECT * FROM odbc_no_such_table");
        FAIL() << "expected an error";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.Description(), "Table '" + database_ + ".odbc_no_such_table' doesn't exist.");
        EXPECT_EQ(e.NativeCode(), 1146);
        EXPECT_EQ(e.State(), "42S02");
    }
}

// Statements sent together: the server runs them in order up to the first
// it refuses; `done` points at that one, and later ones never run.
TEST_F(MySqlProviderTest, GroupsStopAtTheFirstRefusedStatement) {
    ASSERT_GT(c_.GroupStatementLimit(), 1u);
    const std::string text = "Z\xC3\xBCrich \xF0\x9F\x98\x80 -- ; # '';";
    struct Case {
        int duplicateAt;  // index of the statement that repeats key 1, or -1
        std::size_t done;
        const char* keys;
    };
    for (const Case& k : {Case{-1, 5, "1,2,3,4,5"}, Case{0, 0, "1"}, Case{2, 2, "1,2"}, Case{4, 4, "1,2,3,4"}}) {
        SCOPED_TRACE(k.duplicateAt);
        c_.Execute("DROP TABLE IF EXISTS odbc_group");
        c_.Execute("CREATE TABLE odbc_group (k INT PRIMARY KEY, v VARCHAR(50)) CHARACTER SET utf8mb4");
        if (k.duplicateAt == 0) c_.Execute("INSERT INTO odbc_group VALUES (1, 'before')");
        std::vector<std::string> group;
        for (int i = 0; i < 5; ++i)
            group.push_back("INSERT INTO odbc_group (k,v) VALUES (" + std::to_string(i == k.duplicateAt ? 1 : i + 1) +
                            ",'" + text + "')");
        std::size_t done = 99;
        const std::string error = test::ErrorText<DatabaseError>([&] { c_.ExecuteGroup(group, done); });
        EXPECT_EQ(error.find("Duplicate entry '1'") != std::string::npos, k.duplicateAt >= 0) << error;
        EXPECT_EQ(done, k.done);
        auto rs = c_.Execute("SELECT GROUP_CONCAT(k ORDER BY k), SUM(v = '" + text + "') FROM odbc_group");
        EXPECT_EQ(rs->Fields(0).Value().ToText(), k.keys);
        EXPECT_EQ(rs->Fields(1).Value().ToInteger(), static_cast<std::int64_t>(k.done));
        rs->Close();
    }
    // A last statement that held a second one: that one's refusal is a
    // failure too, not a leftover to drop.
    c_.Execute("DROP TABLE IF EXISTS odbc_group");
    c_.Execute("CREATE TABLE odbc_group (k INT PRIMARY KEY)");
    std::size_t done = 0;
    EXPECT_THROW(c_.ExecuteGroup({"INSERT INTO odbc_group VALUES (1)",
                                  "INSERT INTO odbc_group VALUES (2); INSERT INTO odbc_group VALUES (1)"},
                                 done),
                 DatabaseError);
    c_.Execute("DROP TABLE odbc_group");
}

}  // namespace
}  // namespace qdt::db
