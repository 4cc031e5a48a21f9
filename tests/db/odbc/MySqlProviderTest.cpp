#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/TestEnv.h"

// Against the throw-away server of scripts/test-mariadb. Each test uses its
// own table names so that test processes can run side by side.
namespace qdt::db {
namespace {

long Count(Connection& c, const std::string& table) {
    auto rs = c.Execute("SELECT COUNT(*) AS n FROM " + table);
    return static_cast<long>(rs->Fields("n").Value().ToInteger());
}

TEST(MySqlProviderTest, ColumnTypesAndValues) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection c;
    c.Open(server.ConnectionString());
    c.Execute("DROP TABLE IF EXISTS odbc_types");
    c.Execute(
        "CREATE TABLE odbc_types (i INT, s SMALLINT, t TINYINT, b BIGINT, f FLOAT, d DOUBLE, m DECIMAL(19,4), "
        "dt DATETIME, dd DATE, bt BIT(1), tb TINYINT(1), v VARCHAR(50), tx TEXT, lt LONGTEXT, bl BLOB, tm TIME, "
        "ub BIGINT UNSIGNED)");
    c.Execute(
        "INSERT INTO odbc_types VALUES (-7, 300, -5, 9007199254740993, 17.5, 0.1, 12.5000, '2004/3/7 9:05:02', "
        "'2004-03-07', b'1', 1, 'abc', 'text', REPEAT('x', 204800), x'00ff10', '13:14:15', 18446744073709551615)");
    auto rs = c.Execute("SELECT * FROM odbc_types");
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
    EXPECT_EQ(rs->Fields("bl").Value(), Value::Binary({0x00, 0xff, 0x10}));
    EXPECT_EQ(rs->Fields("tm").Value(), Value::Date({1899, 12, 30, 13, 14, 15}));
    EXPECT_EQ(rs->Fields("ub").Value(), Value::Decimal("18446744073709551615"));
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
}

TEST(MySqlProviderTest, NullsUnicodeAndLongBinaryComeBackWhole) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection c;
    c.Open(server.ConnectionString());
    c.Execute("DROP TABLE IF EXISTS odbc_text");
    c.Execute("CREATE TABLE odbc_text (id INT, v VARCHAR(100), lt LONGTEXT, bl LONGBLOB, dt DATETIME, m DECIMAL(9,2))");
    const std::string text = "Zürich – 東京 😀";
    c.Execute("INSERT INTO odbc_text VALUES (1, '" + text + "', CONCAT(REPEAT('é', 70000), '😀'), "
              "REPEAT(x'00ff', 50000), NULL, NULL), (2, NULL, NULL, NULL, NULL, NULL)");
    auto rs = c.Execute("SELECT v, lt, bl, dt, m FROM odbc_text ORDER BY id");
    EXPECT_EQ(rs->Fields("v").Value(), Value::Text(text));
    std::string longText;
    for (int i = 0; i < 70000; ++i) longText += "é";
    EXPECT_EQ(rs->Fields("lt").Value().AsText(), longText + "😀");
    Bytes blob;
    for (int i = 0; i < 50000; ++i) blob.insert(blob.end(), {0x00, 0xff});
    EXPECT_EQ(rs->Fields("bl").Value(), Value::Binary(blob));
    rs->MoveNext();
    for (const char* name : {"v", "lt", "bl", "dt", "m"}) EXPECT_TRUE(rs->Fields(name).Value().IsNull()) << name;

    // And the text reaches the server unchanged, not just back.
    auto check = c.Execute("SELECT HEX(v) AS h FROM odbc_text WHERE id = 1");
    EXPECT_EQ(check->Fields("h").Value().AsText(), "5AC3BC7269636820E2809320E69DB1E4BAAC20F09F9880");
}

TEST(MySqlProviderTest, LimitZeroAndOneAndStatementsWithoutRows) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection c;
    c.Open(server.ConnectionString());
    c.Execute("DROP TABLE IF EXISTS odbc_limit");
    auto created = c.Execute("CREATE TABLE odbc_limit (id INT PRIMARY KEY, name VARCHAR(10))");
    EXPECT_EQ(created->FieldCount(), 0u);
    EXPECT_TRUE(created->Eof());
    c.Execute("INSERT INTO odbc_limit VALUES (1, 'a'), (2, 'b')");
    EXPECT_EQ(c.Execute("UPDATE odbc_limit SET name = 'z' WHERE id = 99")->FieldCount(), 0u);

    auto none = c.Execute("SELECT id, name FROM odbc_limit LIMIT 0, 1");
    none = c.Execute("SELECT id, name FROM odbc_limit ORDER BY id LIMIT 0");
    EXPECT_EQ(none->FieldCount(), 2u);
    EXPECT_TRUE(none->Eof());
    EXPECT_TRUE(none->Bof());
    auto one = c.Execute("SELECT id, name FROM odbc_limit ORDER BY id LIMIT 0, 1");
    ASSERT_FALSE(one->Eof());
    EXPECT_EQ(one->Fields("id").Value(), Value::Integer(1));
    one->MoveNext();
    EXPECT_TRUE(one->Eof());
}

TEST(MySqlProviderTest, StatementsRunWhileAResultIsStillBeingRead) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection c;
    c.Open(server.ConnectionString());
    c.Execute("DROP TABLE IF EXISTS odbc_lookup");
    c.Execute("CREATE TABLE odbc_lookup (id INT PRIMARY KEY, name VARCHAR(10)) ENGINE=InnoDB");
    c.Execute("INSERT INTO odbc_lookup VALUES (1, 'one'), (2, 'two'), (3, 'three')");

    auto walk = c.Execute("SELECT seq FROM seq_1_to_20000");
    long rows = 0;
    for (; !walk->Eof(); walk->MoveNext()) {
        ++rows;
        if (rows % 5000 == 1) {
            auto lookup = c.Execute("SELECT name FROM odbc_lookup WHERE id = 2");
            EXPECT_EQ(lookup->Fields("name").Value().ToText(), "two");
            c.Execute("UPDATE odbc_lookup SET name = 'uno' WHERE id = 1");
        }
    }
    EXPECT_EQ(rows, 20000);

    c.BeginTrans();
    auto inside = c.Execute("SELECT seq FROM seq_1_to_3");
    c.Execute("INSERT INTO odbc_lookup VALUES (4, 'four')");
    EXPECT_EQ(Count(c, "odbc_lookup"), 4);
    c.RollbackTrans();
    EXPECT_EQ(inside->Fields(0).Value(), Value::Integer(1));
    EXPECT_EQ(Count(c, "odbc_lookup"), 3);
}

TEST(MySqlProviderTest, AbandoningALargeResultHalfwayLeavesTheConnectionUsable) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection c;
    c.Open(server.ConnectionString());
    auto rs = c.Execute("SELECT seq, REPEAT('x', 500) AS pad FROM seq_1_to_300000");
    long rows = 0;
    for (; !rs->Eof() && rows < 1000; rs->MoveNext()) ++rows;
    EXPECT_EQ(rs->Fields("seq").Value(), Value::Integer(1001));
    rs->Close();
    EXPECT_EQ(c.Execute("SELECT 7")->Fields(0).Value(), Value::Integer(7));
    EXPECT_THROW(rs->MoveNext(), DatabaseError);
}

TEST(MySqlProviderTest, ErrorsCarryTheServersWords) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection c;
    c.Open(server.ConnectionString());
    try {
        c.Execute("SELECT * FROM odbc_no_such_table");
        FAIL() << "expected an error";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.Description(), "Table '" + server.database + ".odbc_no_such_table' doesn't exist.");
        EXPECT_EQ(e.NativeCode(), 1146);
        EXPECT_EQ(e.State(), "42S02");
    }
}

// Statements sent together: the server runs them in order up to the first
// it refuses; `done` points at that one, and later ones never run.
TEST(MySqlProviderTest, GroupsStopAtTheFirstRefusedStatement) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection c;
    c.Open(server.ConnectionString());
    ASSERT_GT(c.GroupStatementLimit(), 1u);
    const std::string text = "Z\xC3\xBCrich \xF0\x9F\x98\x80 -- ; # '';";
    struct Case {
        int duplicateAt;  // index of the statement that repeats key 1, or -1
        std::size_t done;
        const char* keys;
    };
    for (const Case& k : {Case{-1, 5, "1,2,3,4,5"}, Case{0, 0, "1"}, Case{2, 2, "1,2"}, Case{4, 4, "1,2,3,4"}}) {
        c.Execute("DROP TABLE IF EXISTS odbc_group");
        c.Execute("CREATE TABLE odbc_group (k INT PRIMARY KEY, v VARCHAR(50)) CHARACTER SET utf8mb4");
        if (k.duplicateAt == 0) c.Execute("INSERT INTO odbc_group VALUES (1, 'before')");
        std::vector<std::string> group;
        for (int i = 0; i < 5; ++i)
            group.push_back("INSERT INTO odbc_group (k,v) VALUES (" + std::to_string(i == k.duplicateAt ? 1 : i + 1) +
                            ",'" + text + "')");
        std::size_t done = 99;
        bool refused = false;
        try {
            c.ExecuteGroup(group, done);
        } catch (const DatabaseError& e) {
            refused = true;
            EXPECT_NE(std::string(e.what()).find("Duplicate entry '1'"), std::string::npos) << e.what();
        }
        EXPECT_EQ(refused, k.duplicateAt >= 0);
        EXPECT_EQ(done, k.done) << k.duplicateAt;
        auto rs = c.Execute("SELECT GROUP_CONCAT(k ORDER BY k), SUM(v = '" + text + "') FROM odbc_group");
        EXPECT_EQ(rs->Fields(0).Value().ToText(), k.keys) << k.duplicateAt;
        EXPECT_EQ(rs->Fields(1).Value().ToInteger(), static_cast<std::int64_t>(k.done)) << k.duplicateAt;
        rs->Close();
    }
    // A last statement that held a second one: that one's refusal is a
    // failure too, not a leftover to drop.
    c.Execute("DROP TABLE IF EXISTS odbc_group");
    c.Execute("CREATE TABLE odbc_group (k INT PRIMARY KEY)");
    std::size_t done = 0;
    EXPECT_THROW(c.ExecuteGroup({"INSERT INTO odbc_group VALUES (1)", "INSERT INTO odbc_group VALUES (2); INSERT INTO "
                                                                       "odbc_group VALUES (1)"},
                                done),
                 DatabaseError);
    c.Execute("DROP TABLE odbc_group");
}

}  // namespace
}  // namespace qdt::db
