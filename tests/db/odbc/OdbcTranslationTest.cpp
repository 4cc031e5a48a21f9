#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "db/ConnectionString.h"
#include "db/Error.h"
#include "db/odbc/MySqlProvider.h"
#include "db/odbc/OdbcHandle.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/OdbcText.h"
#include "db/odbc/SqlServerProvider.h"
#include "support/TestEnv.h"

namespace qdt::db::odbc {
namespace {

// Keys in any letter case; plain, quoted and braced values; empty values and
// separators; the last of a repeated key wins; malformed strings are refused.
TEST(ConnectionStringParsing, ReadsPlainQuotedAndBracedValues) {
    auto info = ParseConnectionString(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop\\db.mdb;Extended Properties=\"Excel 8.0;HDR=yes\";"
        "A=1;DRIVER={MySQL ODBC 3.51 Driver};PWD='it''s';;B=;A=2;");
    EXPECT_EQ(info.GetOr("DATA SOURCE", ""), "C:\\shop\\db.mdb");
    EXPECT_EQ(info.GetOr("Extended Properties", ""), "Excel 8.0;HDR=yes");
    EXPECT_EQ(info.GetOr("Driver", ""), "MySQL ODBC 3.51 Driver");
    EXPECT_EQ(info.GetOr("pwd", ""), "it's");
    EXPECT_EQ(info.GetOr("a", ""), "2");
    EXPECT_EQ(info.Get("B"), "");
    EXPECT_FALSE(info.Has("Password"));
    for (const char* bad : {"Password=\"abc;Provider=x", "DRIVER={abc", "junk;Provider=x", "=value"})
        EXPECT_THROW(ParseConnectionString(bad), DatabaseError) << bad;
}

// Every quoted value must read back exactly as it went in, whatever it holds;
// ordinary ones stay as typed.
TEST(ConnectionStringQuoting, DangerousValuesRoundTripAndOrdinaryOnesStayAsTyped) {
    for (const std::string v : {"pa;ss", "a\"b", "it's", "{x}", "}", " lead", "trail ", "both\"'quotes;", "x=y", ""}) {
        auto ole = ParseConnectionString("Password=" + QuoteOleDbValue(v) + ";Provider=p");
        EXPECT_EQ(ole.GetOr("Password", "?"), v) << "OLE DB quoting of [" << v << "]";
        EXPECT_EQ(ole.GetOr("Provider", ""), "p");
        auto odbc = ParseConnectionString("PWD=" + QuoteOdbcValue(v) + ";DRIVER=d");
        EXPECT_EQ(odbc.GetOr("PWD", "?"), v) << "ODBC quoting of [" << v << "]";
        EXPECT_EQ(odbc.GetOr("DRIVER", ""), "d");
    }
    EXPECT_EQ(QuoteOleDbValue("C:\\shop\\db.mdb"), "C:\\shop\\db.mdb");
    EXPECT_EQ(QuoteOdbcValue("secret"), "secret");
}

// A connection string of the old OLE DB and ODBC drivers, as today's drivers take it.
struct Rewrite {
    const char* input;
    const char* driver;  // the MySQL driver found; nullptr for SQL Server
    const char* output;
};

class ConnectionStringRewrite : public ::testing::TestWithParam<Rewrite> {};

TEST_P(ConnectionStringRewrite, NamesTodaysDriverAndSplitsThePort) {
    const Rewrite& r = GetParam();
    const ConnectionStringInfo info = ParseConnectionString(r.input);
    EXPECT_EQ(r.driver ? TranslateMySqlConnectionString(info, r.driver) : TranslateSqlServerConnectionString(info),
              r.output);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringRewrite,
    ::testing::Values(
        // Streaming and UTF-8 are added to the OPTION given.
        Rewrite{"DRIVER={MySQL ODBC 3.51 Driver};SERVER=db.example:3307;DATABASE=shop;USER=u;PASSWORD=p;OPTION=3;",
                "MariaDB Unicode",
                "DRIVER={MariaDB Unicode};SERVER=db.example;PORT=3307;DATABASE=shop;USER=u;PASSWORD=p;"
                "OPTION=68157443;CHARSET=utf8mb4;"},
        Rewrite{"DRIVER={MySQL ODBC 3.51 Driver};SERVER=localhost;DATABASE=shop;", "MariaDB Unicode",
                "DRIVER={MariaDB Unicode};SERVER=localhost;DATABASE=shop;OPTION=68157440;CHARSET=utf8mb4;"},
        // An explicit PORT wins over the one in SERVER; a given CHARSET is kept.
        Rewrite{"DRIVER=x;SERVER=h:1;PORT=2;CHARSET=latin1;OPTION=1048576", "x",
                "DRIVER={x};SERVER=h;PORT=2;CHARSET=latin1;OPTION=68157440;"},
        Rewrite{"SERVER=[::1]:3307", "d", "DRIVER={d};SERVER=::1;PORT=3307;OPTION=68157440;CHARSET=utf8mb4;"},
        Rewrite{"SERVER=::1", "d", "DRIVER={d};SERVER=::1;OPTION=68157440;CHARSET=utf8mb4;"},
        Rewrite{"SERVER=host:abc", "d", "DRIVER={d};SERVER=host:abc;OPTION=68157440;CHARSET=utf8mb4;"},
        Rewrite{"SERVER=a;server=b:5;Database=x", "d",
                "DRIVER={d};SERVER=b;PORT=5;Database=x;OPTION=68157440;CHARSET=utf8mb4;"},
        Rewrite{"Provider=sqloledb;Data Source=sql.example,1433;Network Library=DBMSSOCN;Initial Catalog=shop;"
                "User ID=sa;Password=secret;",
                nullptr, "DRIVER={FreeTDS};SERVER=sql.example;PORT=1433;DATABASE=shop;UID=sa;PWD=secret;TDS_Version=7.4"},
        Rewrite{"Provider=sqloledb;Data Source=sql.example;Initial Catalog=shop;User ID=sa;Password=;", nullptr,
                "DRIVER={FreeTDS};SERVER=sql.example;DATABASE=shop;UID=sa;PWD=;TDS_Version=7.4"},
        Rewrite{"Provider=sqloledb;Data Source=srv\\SHOP;Initial Catalog=db;Trusted_Connection=yes;", nullptr,
                "DRIVER={FreeTDS};SERVER=srv\\SHOP;DATABASE=db;Trusted_Connection=Yes;TDS_Version=7.4"},
        // A port names the instance by itself; FreeTDS takes one or the other.
        Rewrite{"Provider=sqloledb;Data Source=srv\\SHOP,1500;Integrated Security=SSPI;", nullptr,
                "DRIVER={FreeTDS};SERVER=srv;PORT=1500;Trusted_Connection=Yes;TDS_Version=7.4"},
        Rewrite{"Provider=sqloledb;Data Source=(local);User ID=u;Password=p", nullptr,
                "DRIVER={FreeTDS};SERVER=localhost;UID=u;PWD=p;TDS_Version=7.4"}));

TEST(ConnectionStringRewrite, ValuesThatNeedQuotingReadBackUnchanged) {
    ConnectionStringInfo mySql = ParseConnectionString(TranslateMySqlConnectionString(
        ParseConnectionString("DRIVER={MySQL ODBC 3.51 Driver};SERVER=h;USER='o''brien';PASSWORD={a;b}}c{d}"),
        "Maria {DB}"));
    EXPECT_EQ(mySql.Get("DRIVER"), "Maria {DB}");
    EXPECT_EQ(mySql.Get("USER"), "o'brien");
    EXPECT_EQ(mySql.Get("PASSWORD"), "a;b}c{d");
    ConnectionStringInfo sqlServer = ParseConnectionString(TranslateSqlServerConnectionString(
        ParseConnectionString("Provider=sqloledb;Data Source=h,1;Initial Catalog=\"a;b\";User ID=u;Password=\"p}w;d\"")));
    EXPECT_EQ(sqlServer.Get("DATABASE"), "a;b");
    EXPECT_EQ(sqlServer.Get("PWD"), "p}w;d");
    EXPECT_THROW(TranslateSqlServerConnectionString(ParseConnectionString("Provider=sqloledb;Initial Catalog=x")),
                 DatabaseError);
}

TEST(MySqlDriverChoiceTest, PrefersMariaDbUnicodeThenAnyMySqlDriver) {
    EXPECT_EQ(ChooseMySqlDriver({"FreeTDS", "MariaDB", "MariaDB Unicode"}), "MariaDB Unicode");
    EXPECT_EQ(ChooseMySqlDriver({"FreeTDS", "MySQL ODBC 8.0 ANSI Driver"}), "MySQL ODBC 8.0 ANSI Driver");
    EXPECT_EQ(ChooseMySqlDriver({"MDBTools", "MariaDB"}), "MariaDB");
    EXPECT_THAT(test::ErrorText<DatabaseError>([] { ChooseMySqlDriver({"FreeTDS", "MDBTools"}); }),
                ::testing::HasSubstr("odbc-mariadb"));
}

// Only the driver's leading tags go; brackets of the message itself stay.
TEST(OdbcDiagnosticsTest, DriverTagsAreRemoved) {
    EXPECT_EQ(StripDriverTags("Table 'x' doesn't exist [really]"), "Table 'x' doesn't exist [really]");
}

// UTF-16 as the driver gives it and the UTF-8 it becomes; the valid ones
// also go back to the same UTF-16.
struct WideCase {
    WideText wide;
    std::string utf8;
    bool valid;
};

TEST(OdbcTextTest, Utf16AndUtf8AtTheirBoundaries) {
    const WideCase cases[] = {
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
    for (const WideCase& c : cases) {
        EXPECT_EQ(FromWide(c.wide.data(), c.wide.size()), c.utf8) << c.utf8;
        if (!c.valid) continue;
        WideText terminated = c.wide;
        terminated.push_back(0);
        EXPECT_EQ(ToWide(c.utf8), terminated) << c.utf8;
    }
}

TEST(OdbcTextTest, MalformedUtf8BecomesReplacementCharacters) {
    const std::pair<std::string, std::string> cases[] = {
        {"a\xff" "b\xe6\x9d", "a\xEF\xBF\xBD" "b\xEF\xBF\xBD"},
        {"\xC1\xBF", "\xEF\xBF\xBD"},              // overlong
        {"\xE0\x9F\xBF", "\xEF\xBF\xBD"},          // overlong
        {"\xF0\x8F\xBF\xBF", "\xEF\xBF\xBD"},      // overlong
        {"\xF4\x90\x80\x80", "\xEF\xBF\xBD"},      // above U+10FFFF
        {"\xED\xA0\x80", "\xEF\xBF\xBD"},          // a surrogate
    };
    for (const auto& [bytes, shown] : cases) {
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

}  // namespace
}  // namespace qdt::db::odbc
