#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/odbc/MySqlProvider.h"
#include "db/odbc/OdbcProvider.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

// Against the test MariaDB server and ports where nobody listens. Each test
// has its own table names, so that test processes can share the server.
namespace qdt::db::odbc {
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

    EXPECT_EQ(rs->Fields("s").Value(), Value::Integer(300));
    EXPECT_EQ(rs->Fields("t").Value(), Value::Integer(-5));
    EXPECT_EQ(rs->Fields("f").Value(), Value::Single(17.5f));
    EXPECT_EQ(rs->Fields("m").Value(), Value::Decimal("12.5"));
    EXPECT_EQ(rs->Fields("dt").Value(), Value::Date({2004, 3, 7, 9, 5, 2}));
    EXPECT_EQ(rs->Fields("dd").Value(), Value::Date({2004, 3, 7, 0, 0, 0}));
    EXPECT_EQ(rs->Fields("bt").Value(), Value::Boolean(true));
    EXPECT_EQ(rs->Fields("tb").Value(), Value::Integer(1));
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

// A statement without rows gives an empty result; writes run beside a result
// still being read inside a transaction; a large result closed halfway leaves
// the connection usable.
TEST_F(MySqlProviderTest, StatementsRunWhileAResultIsStillBeingRead) {
    c_.Execute("DROP TABLE IF EXISTS odbc_lookup");
    auto created = c_.Execute("CREATE TABLE odbc_lookup (id INT PRIMARY KEY, name VARCHAR(10)) ENGINE=InnoDB");
    EXPECT_EQ(created->FieldCount(), 0u);
    EXPECT_TRUE(created->Eof());
    c_.Execute("INSERT INTO odbc_lookup VALUES (1, 'one'), (2, 'two'), (3, 'three')");
    c_.BeginTrans();
    auto inside = c_.Execute("SELECT seq FROM seq_1_to_3");
    c_.Execute("INSERT INTO odbc_lookup VALUES (4, 'four')");
    EXPECT_EQ(test::Count(c_, "SELECT COUNT(*) FROM odbc_lookup"), 4);
    c_.RollbackTrans();
    EXPECT_EQ(inside->Fields(0).Value(), Value::Integer(1));
    EXPECT_EQ(test::Count(c_, "SELECT COUNT(*) FROM odbc_lookup"), 3);

    auto large = c_.Execute("SELECT seq, REPEAT('x', 500) AS pad FROM seq_1_to_300000");
    for (int rows = 0; rows < 1000; ++rows) large->MoveNext();
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

using Clock = std::chrono::steady_clock;

// Opens the connection expecting failure; returns the message and how long it took.
std::pair<std::string, double> FailToOpen(const std::string& connectionString) {
    auto start = Clock::now();
    const std::string message = test::ErrorText<DatabaseError>([&] { Connection().Open(connectionString); });
    return {message, std::chrono::duration<double>(Clock::now() - start).count()};
}

// Nobody listens: the message names the server and the reason, without the
// driver's tags and without the password.
TEST(OdbcConnectFailureTest, AClosedPortFailsFastNamingTheServer) {
    struct Case {
        const char* connection;
        const char* start;
        const char* driverTag;
        double seconds;
    };
    const Case cases[] = {
        {"Provider=sqloledb;Data Source=127.0.0.1,1;Network Library=DBMSSOCN;Initial Catalog=shop;User ID=sa;"
         "Password=Sekrit-pw-99;",
         "Cannot connect to SQL Server on 127.0.0.1,1: ", "[FreeTDS]", 2.0},
        {"DRIVER={MySQL ODBC 3.51 Driver};SERVER=127.0.0.1:1;DATABASE=shop;USER=u;PASSWORD=Sekrit-pw-99;OPTION=3;",
         "Cannot connect to MySQL on 127.0.0.1:1: Can't connect", "[", 3.0},
    };
    for (const Case& c : cases) {
        auto [message, seconds] = FailToOpen(c.connection);
        EXPECT_LT(seconds, c.seconds) << message;
        EXPECT_EQ(message.rfind(c.start, 0), 0u) << message;
        EXPECT_GT(message.size(), std::string(c.start).size() + 5) << message;
        EXPECT_EQ(message.find("Sekrit-pw-99"), std::string::npos) << message;
        EXPECT_EQ(message.find(c.driverTag), std::string::npos) << message;
    }
}

TEST(OdbcConnectFailureTest, MySqlWrongPasswordIsToldWithoutThePassword) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    test::MySqlServer wrong = server;
    wrong.password = "Wrong-pw;{x}";
    auto [message, seconds] = FailToOpen(wrong.ConnectionString());
    EXPECT_LT(seconds, 3.0);
    EXPECT_NE(message.find("Access denied"), std::string::npos) << message;
    EXPECT_EQ(message.find("Wrong-pw"), std::string::npos) << message;
}

// The handling of drivers whose open results keep the handle busy, run on
// the test MariaDB server with the session told that its results occupy the
// handle (as they do with FreeTDS and with a streaming Connector/ODBC).
std::unique_ptr<OdbcProvider> OccupyingProvider(const test::MySqlServer& server) {
    OdbcTarget target = MySqlTarget(ParseConnectionString(server.ConnectionString()));
    target.resultsOccupyHandle = OdbcTarget::Occupancy::Occupies;
    return std::make_unique<OdbcProvider>(std::move(target));
}

TEST(OdbcSessionTest, LookupsWhileWalkingRunOnASecondHandleKeptForLater) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    auto p = OccupyingProvider(server);
    auto walk = p->Execute("SELECT seq FROM seq_1_to_5000");
    long rows = 0, sum = 0;
    for (; !walk->Eof(); walk->MoveNext()) {
        ++rows;
        if (rows % 1000 == 0) sum += p->Execute("SELECT " + std::to_string(rows))->Fields(0).Value().ToInteger();
    }
    EXPECT_EQ(rows, 5000);
    EXPECT_EQ(sum, 15000);
    EXPECT_EQ(p->HandleCount(), 2u);
    // Reaching the end frees the main handle: nothing new is opened.
    EXPECT_EQ(p->Execute("SELECT 1")->Fields(0).Value(), Value::Integer(1));
    walk->MoveFirst();
    EXPECT_EQ(walk->Fields(0).Value(), Value::Integer(1));
    EXPECT_EQ(p->Execute("SELECT 2")->Fields(0).Value(), Value::Integer(2));
    EXPECT_EQ(p->HandleCount(), 2u);
}

TEST(OdbcSessionTest, WritesCannotLeaveATransactionAndResultsOutliveTheConnection) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    auto p = OccupyingProvider(server);
    p->Execute("DROP TABLE IF EXISTS odbc_session_tx");
    p->Execute("CREATE TABLE odbc_session_tx (id INT) ENGINE=InnoDB");

    // A result open before the transaction keeps its handle; the transaction
    // takes another.
    auto before = p->Execute("SELECT seq FROM seq_1_to_100");
    p->BeginTrans();
    p->Execute("INSERT INTO odbc_session_tx VALUES (1)");
    EXPECT_EQ(p->Execute("SELECT COUNT(*) FROM odbc_session_tx")->Fields(0).Value(), Value::Integer(1));

    auto inside = p->Execute("SELECT seq FROM seq_1_to_100");
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { p->Execute("INSERT INTO odbc_session_tx VALUES (2)"); }),
                ::testing::HasSubstr("still being read"));
    // Reads still run alongside.
    EXPECT_EQ(p->Execute("SELECT 5")->Fields(0).Value(), Value::Integer(5));
    inside->Close();
    p->Execute("INSERT INTO odbc_session_tx VALUES (3)");
    p->RollbackTrans();
    EXPECT_EQ(p->Execute("SELECT COUNT(*) FROM odbc_session_tx")->Fields(0).Value(), Value::Integer(0));

    // A result outlives its closed connection: the handle stays open for it.
    p->Close();
    before->MoveNext();
    EXPECT_EQ(before->Fields(0).Value(), Value::Integer(2));
    before->Close();
    EXPECT_THROW(p->Execute("SELECT 1"), DatabaseError);
    EXPECT_THROW(p->BeginTrans(), DatabaseError);
}

}  // namespace
}  // namespace qdt::db::odbc
