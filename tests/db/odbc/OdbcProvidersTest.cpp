// The ODBC providers: connection strings, UTF-8 and the drivers' UTF-16, the
// test MariaDB server (each test with its own tables) and ports nobody listens on.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <tuple>
#include <vector>

#include "db/Connection.h"
#include "db/ConnectionString.h"
#include "db/Error.h"
#include "db/ProviderTestSupport.h"
#include "db/odbc/MySqlProvider.h"
#include "db/odbc/OdbcHandle.h"
#include "db/odbc/OdbcProvider.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/OdbcText.h"
#include "db/odbc/SqlServerProvider.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db::odbc {
namespace {

// Keys in any letter case; plain, quoted and braced values; empty values and
// separators; the last of a repeated key wins; malformed strings are refused.
TEST(ConnectionStringParsing, ReadsPlainQuotedAndBracedValues) {
    auto info = ParseConnectionString(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop\\db.mdb;Extended Properties=\"Excel 8.0;HDR=yes\";"
        "A=1;DRIVER={MySQL ODBC 3.51 Driver};PWD='it''s';;B=;A=2;");
    const std::pair<const char*, const char*> values[] = {
        {"DATA SOURCE", "C:\\shop\\db.mdb"}, {"Extended Properties", "Excel 8.0;HDR=yes"},
        {"Driver", "MySQL ODBC 3.51 Driver"}, {"pwd", "it's"}, {"a", "2"}, {"B", ""}};
    for (const auto& [key, value] : values) EXPECT_EQ(info.GetOr(key, "?"), value) << key;
    EXPECT_FALSE(info.Has("Password"));
    for (const char* bad : {"Password=\"abc;Provider=x", "DRIVER={abc", "junk;Provider=x", "=value"})
        EXPECT_THROW(ParseConnectionString(bad), DatabaseError) << bad;
}

// Every quoted value must read back exactly as it went in, whatever it holds,
// also through the rewrite for today's drivers; ordinary ones stay as typed.
TEST(ConnectionStringQuoting, DangerousValuesRoundTripAndOrdinaryOnesStayAsTyped) {
    for (const std::string v : {"pa;ss", "a\"b", "it's", "{x}", "}", " lead", "trail ", "both\"'quotes;", "x=y", ""}) {
        SCOPED_TRACE("[" + v + "]");
        const std::string ole = QuoteOleDbValue(v), odbc = QuoteOdbcValue(v);
        auto parsed = ParseConnectionString("Password=" + ole + ";Provider=p");
        EXPECT_EQ(parsed.GetOr("Password", "?") + "|" + parsed.GetOr("Provider", ""), v + "|p");
        parsed = ParseConnectionString("PWD=" + odbc + ";DRIVER=d");
        EXPECT_EQ(parsed.GetOr("PWD", "?") + "|" + parsed.GetOr("DRIVER", ""), v + "|d");
        parsed = ParseConnectionString(TranslateMySqlConnectionString(
            ParseConnectionString("SERVER=h;USER=" + odbc + ";PASSWORD=" + odbc), "Maria {DB}"));
        EXPECT_EQ(parsed.GetOr("DRIVER", "") + "|" + parsed.GetOr("USER", "?") + "|" + parsed.GetOr("PASSWORD", "?"),
                  "Maria {DB}|" + v + "|" + v);
        parsed = ParseConnectionString(TranslateSqlServerConnectionString(
            ParseConnectionString("Provider=sqloledb;Data Source=h;Initial Catalog=" + ole + ";Password=" + ole)));
        EXPECT_EQ(parsed.GetOr("DATABASE", "") + "|" + parsed.GetOr("PWD", "?"), v + "|" + v);
    }
    EXPECT_EQ(QuoteOleDbValue("C:\\shop\\db.mdb"), "C:\\shop\\db.mdb");
    EXPECT_EQ(QuoteOdbcValue("secret"), "secret");
    EXPECT_THROW(TranslateSqlServerConnectionString(ParseConnectionString("Provider=sqloledb;Initial Catalog=x")),
                 DatabaseError);
}

// A connection string of the old OLE DB and ODBC drivers, as today's drivers take it.
struct Rewrite {
    const char* input;
    const char* driver;  // the MySQL driver found; nullptr for SQL Server
    const char* output;
};

TEST(ConnectionStringRewrite, NamesTodaysDriverAndSplitsThePort) {
    const Rewrite cases[] = {
        // Streaming and UTF-8 are added to the OPTION given.
        {"DRIVER={MySQL ODBC 3.51 Driver};SERVER=db.example:3307;DATABASE=shop;USER=u;PASSWORD=p;OPTION=3;",
         "MariaDB Unicode",
         "DRIVER={MariaDB Unicode};SERVER=db.example;PORT=3307;DATABASE=shop;USER=u;PASSWORD=p;OPTION=68157443;"
         "CHARSET=utf8mb4;"},
        {"DRIVER={MySQL ODBC 3.51 Driver};SERVER=localhost;DATABASE=shop;", "MariaDB Unicode",
         "DRIVER={MariaDB Unicode};SERVER=localhost;DATABASE=shop;OPTION=68157440;CHARSET=utf8mb4;"},
        // An explicit PORT wins over the one in SERVER; a given CHARSET is kept.
        {"DRIVER=x;SERVER=h:1;PORT=2;CHARSET=latin1;OPTION=1048576", "x",
         "DRIVER={x};SERVER=h;PORT=2;CHARSET=latin1;OPTION=68157440;"},
        {"SERVER=[::1]:3307", "d", "DRIVER={d};SERVER=::1;PORT=3307;OPTION=68157440;CHARSET=utf8mb4;"},
        {"SERVER=::1", "d", "DRIVER={d};SERVER=::1;OPTION=68157440;CHARSET=utf8mb4;"},
        {"SERVER=host:abc", "d", "DRIVER={d};SERVER=host:abc;OPTION=68157440;CHARSET=utf8mb4;"},
        {"SERVER=a;server=b:5;Database=x", "d", "DRIVER={d};SERVER=b;PORT=5;Database=x;OPTION=68157440;CHARSET=utf8mb4;"},
        {"Provider=sqloledb;Data Source=sql.example,1433;Network Library=DBMSSOCN;Initial Catalog=shop;User ID=sa;"
         "Password=secret;",
         nullptr, "DRIVER={FreeTDS};SERVER=sql.example;PORT=1433;DATABASE=shop;UID=sa;PWD=secret;TDS_Version=7.4"},
        {"Provider=sqloledb;Data Source=sql.example;Initial Catalog=shop;User ID=sa;Password=;", nullptr,
         "DRIVER={FreeTDS};SERVER=sql.example;DATABASE=shop;UID=sa;PWD=;TDS_Version=7.4"},
        {"Provider=sqloledb;Data Source=srv\\SHOP;Initial Catalog=db;Trusted_Connection=yes;", nullptr,
         "DRIVER={FreeTDS};SERVER=srv\\SHOP;DATABASE=db;Trusted_Connection=Yes;TDS_Version=7.4"},
        // A port names the instance by itself; FreeTDS takes one or the other.
        {"Provider=sqloledb;Data Source=srv\\SHOP,1500;Integrated Security=SSPI;", nullptr,
         "DRIVER={FreeTDS};SERVER=srv;PORT=1500;Trusted_Connection=Yes;TDS_Version=7.4"},
        {"Provider=sqloledb;Data Source=(local);User ID=u;Password=p", nullptr,
         "DRIVER={FreeTDS};SERVER=localhost;UID=u;PWD=p;TDS_Version=7.4"}};
    for (const Rewrite& r : cases) {
        const ConnectionStringInfo info = ParseConnectionString(r.input);
        EXPECT_EQ(r.driver ? TranslateMySqlConnectionString(info, r.driver) : TranslateSqlServerConnectionString(info),
                  r.output) << r.input;
    }
}

TEST(MySqlDriverChoiceTest, PrefersMariaDbUnicodeThenAnyMySqlDriverAndDropsItsTags) {
    EXPECT_EQ(ChooseMySqlDriver({"FreeTDS", "MariaDB", "MariaDB Unicode"}), "MariaDB Unicode");
    EXPECT_EQ(ChooseMySqlDriver({"FreeTDS", "MySQL ODBC 8.0 ANSI Driver"}), "MySQL ODBC 8.0 ANSI Driver");
    EXPECT_EQ(ChooseMySqlDriver({"MDBTools", "MariaDB"}), "MariaDB");
    EXPECT_THAT(test::ErrorText<DatabaseError>([] { ChooseMySqlDriver({"FreeTDS", "MDBTools"}); }),
                ::testing::HasSubstr("odbc-mariadb"));
    // Only the driver's leading tags go; brackets of the message itself stay.
    EXPECT_EQ(StripDriverTags("Table 'x' doesn't exist [really]"), "Table 'x' doesn't exist [really]");
}

// UTF-16 as the driver gives it, the UTF-8 it becomes, and whether it was
// valid and so also goes back to the same UTF-16.
TEST(OdbcTextTest, Utf16AndUtf8AtTheirBoundaries) {
    const std::tuple<WideText, std::string, bool> cases[] = {
        {{0x7F, 0x80}, "\x7F\xC2\x80", true},
        {{0x7FF, 0x800}, "\xDF\xBF\xE0\xA0\x80", true},
        {{0xD7FF, 0xE000, 0xFFFF}, "\xED\x9F\xBF\xEE\x80\x80\xEF\xBF\xBF", true},
        {{0xD800, 0xDC00}, "\xF0\x90\x80\x80", true},
        {{'a', 0xDBFF, 0xDFFF, 'b'}, "a\xF4\x8F\xBF\xBF" "b", true},
        // Surrogates out of their pairs are replaced, one by one.
        {{'x', 0xDC00, 'y'}, "x\xEF\xBF\xBDy", false},
        {{0xDFFF, 0xD800}, "\xEF\xBF\xBD\xEF\xBF\xBD", false},
        {{0xDBFF, 0xE000}, "\xEF\xBF\xBD\xEE\x80\x80", false},
    };
    for (const auto& [wide, utf8, valid] : cases) {
        EXPECT_EQ(FromWide(wide.data(), wide.size()), utf8) << utf8;
        if (!valid) continue;
        WideText terminated = wide;
        terminated.push_back(0);
        EXPECT_EQ(ToWide(utf8), terminated) << utf8;
    }
    // Malformed UTF-8 becomes replacement characters.
    const std::pair<std::string, std::string> malformed[] = {
        {"a\xff" "b\xe6\x9d", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
        {"\xC1\xBF", "\xEF\xBF\xBD"},              // overlong
        {"\xE0\x9F\xBF", "\xEF\xBF\xBD"},          // overlong
        {"\xF0\x8F\xBF\xBF", "\xEF\xBF\xBD"},      // overlong
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD"},      // above U+10FFFF
        {"\xED\xA0\x80", "\xEF\xBF\xBD"},          // a surrogate
        {"\xC3(x", "\xEF\xBF\xBD(x"},          // a lead byte without its continuation
    };
    for (const auto& [bytes, shown] : malformed) {
        const WideText wide = ToWide(bytes);
        EXPECT_EQ(FromWide(wide.data(), wide.size() - 1), shown) << shown;
    }
}

TEST(ReadOnlyStatementTest, ReadsAreToldFromWrites) {
    for (const char* read : {"  /* lookup */ (select 1)", "-- note\nShow tables", "WITH a AS (SELECT 1) SELECT * FROM a"})
        EXPECT_TRUE(IsReadOnlyStatement(read)) << read;
    for (const char* write : {"INSERT INTO t SELECT * FROM u", "SELECT a INTO @x FROM t", "SELECT a FROM t FOR UPDATE",
                              "WITH a AS (SELECT 1) DELETE FROM t", "SELECTED"})
        EXPECT_FALSE(IsReadOnlyStatement(write)) << write;
}

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
    std::vector<int> types;
    for (const Field& f : rs->AllFields()) types.push_back(f.Type());
    EXPECT_EQ(types, (std::vector<int>{3, 2, 17, 20, 4, 5, 131, 135, 133, 11, 17, 202, 203, 203, 205, 134, 20}));
    Bytes blob;
    for (int i = 0; i < 50000; ++i) blob.insert(blob.end(), {0x00, 0xff, 0x10});
    const std::pair<const char*, Value> values[] = {
        {"s", Value::Integer(300)}, {"t", Value::Integer(-5)}, {"f", Value::Single(17.5f)}, {"m", Value::Decimal("12.5")},
        {"dt", Value::Date({2004, 3, 7, 9, 5, 2})}, {"dd", Value::Date({2004, 3, 7, 0, 0, 0})},
        {"bt", Value::Boolean(true)}, {"tb", Value::Integer(1)}, {"lt", Value::Text(std::string(204800, 'x'))},
        {"bl", Value::Binary(blob)}, {"tm", Value::Date({1899, 12, 30, 13, 14, 15})},
        {"ub", Value::Decimal("18446744073709551615")}};
    for (const auto& [name, value] : values) EXPECT_TRUE(rs->Fields(name).Value() == value) << name;
    rs->MoveNext();
    for (const Field& f : rs->AllFields()) EXPECT_TRUE(f.Value().IsNull()) << f.Name();
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
}

// A statement without rows gives an empty result; writes run beside a result
// still being read inside a transaction; a large result closed halfway leaves
// the connection usable; errors carry the server's words.
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
    try {
        c_.Execute("SELECT * FROM odbc_no_such_table");
        FAIL() << "expected an error";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(e.Description() + " " + std::to_string(e.NativeCode()) + " " + e.State(),
                  "Table '" + database_ + ".odbc_no_such_table' doesn't exist. 1146 42S02");
    }
}

// Statements sent together: the server runs them in order up to the first
// it refuses; `done` points at that one, and later ones never run.
TEST_F(MySqlProviderTest, GroupsStopAtTheFirstRefusedStatement) {
    ASSERT_GT(c_.GroupStatementLimit(), 1u);
    const std::string text = "Z\xC3\xBCrich \xF0\x9F\x98\x80 -- ; # '';";
    // (the statement that repeats key 1 or -1, `done`, the keys then held)
    const std::tuple<int, std::size_t, const char*> cases[] = {
        {-1, 5, "1,2,3,4,5"}, {0, 0, "1"}, {2, 2, "1,2"}, {4, 4, "1,2,3,4"}};
    for (const auto& [duplicateAt, expectedDone, keys] : cases) {
        SCOPED_TRACE(duplicateAt);
        c_.Execute("DROP TABLE IF EXISTS odbc_group");
        c_.Execute("CREATE TABLE odbc_group (k INT PRIMARY KEY, v VARCHAR(50)) CHARACTER SET utf8mb4");
        if (duplicateAt == 0) c_.Execute("INSERT INTO odbc_group VALUES (1, 'before')");
        std::vector<std::string> group;
        for (int i = 0; i < 5; ++i)
            group.push_back("INSERT INTO odbc_group (k,v) VALUES (" + std::to_string(i == duplicateAt ? 1 : i + 1) +
                            ",'" + text + "')");
        std::size_t done = 99;
        const std::string error = test::ErrorText<DatabaseError>([&] { c_.ExecuteGroup(group, done); });
        EXPECT_EQ(error.find("Duplicate entry '1'") != std::string::npos, duplicateAt >= 0) << error;
        EXPECT_EQ(done, expectedDone);
        const std::string held = "SELECT CONCAT(GROUP_CONCAT(k ORDER BY k), ' ', SUM(v = '" + text + "')) FROM odbc_group";
        EXPECT_EQ(FirstValue(c_, held), keys + (" " + std::to_string(expectedDone)));
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

std::pair<std::string, double> FailToOpen(const std::string& connectionString) {
    const auto start = std::chrono::steady_clock::now();
    const std::string message = test::ErrorText<DatabaseError>([&] { Connection().Open(connectionString); });
    return {message, std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count()};
}

// Nobody listens: the message names the server and the reason, without the
// driver's tags and without the password.
TEST(OdbcConnectFailureTest, FailsFastNamingTheServerWithoutThePassword) {
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
    // The test server refuses a wrong password, which the message leaves out too.
    QDT_REQUIRE_MYSQL_SERVER(server);
    test::MySqlServer wrong = server;
    wrong.password = "Wrong-pw;{x}";
    auto [message, seconds] = FailToOpen(wrong.ConnectionString());
    EXPECT_LT(seconds, 3.0);
    EXPECT_NE(message.find("Access denied"), std::string::npos) << message;
    EXPECT_EQ(message.find("Wrong-pw"), std::string::npos) << message;
}

// Drivers whose open results keep the handle busy (FreeTDS, a streaming
// Connector/ODBC), played by the test MariaDB server told that they do.
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
    EXPECT_EQ(std::to_string(rows) + " rows, lookups " + std::to_string(sum), "5000 rows, lookups 15000");
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
