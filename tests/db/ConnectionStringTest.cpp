#include <gtest/gtest.h>

#include "db/ConnectionString.h"
#include "db/Error.h"

namespace qdt::db {
namespace {

TEST(ConnectionStringParsing, ReadsPlainQuotedAndBracedValues) {
    auto info = ParseConnectionString(
        "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop\\db.mdb;Extended Properties=\"Excel 8.0;HDR=yes\";"
        "DRIVER={MySQL ODBC 3.51 Driver};PWD='it''s'");
    EXPECT_EQ(info.GetOr("provider", ""), "Microsoft.Jet.OLEDB.4.0");
    EXPECT_EQ(info.GetOr("DATA SOURCE", ""), "C:\\shop\\db.mdb");
    EXPECT_EQ(info.GetOr("Extended Properties", ""), "Excel 8.0;HDR=yes");
    EXPECT_EQ(info.GetOr("Driver", ""), "MySQL ODBC 3.51 Driver");
    EXPECT_EQ(info.GetOr("pwd", ""), "it's");
    EXPECT_FALSE(info.Has("Password"));
}

TEST(ConnectionStringParsing, EmptyValuesTrailingSeparatorsAndLastKeyWins) {
    auto info = ParseConnectionString("A=1;;B=;A=2;");
    EXPECT_EQ(info.GetOr("A", ""), "2");
    ASSERT_TRUE(info.Get("B").has_value());
    EXPECT_EQ(*info.Get("B"), "");
}

TEST(ConnectionStringParsing, MalformedStringsAreRefused) {
    EXPECT_THROW(ParseConnectionString("Password=\"abc;Provider=x"), DatabaseError);
    EXPECT_THROW(ParseConnectionString("DRIVER={abc"), DatabaseError);
    EXPECT_THROW(ParseConnectionString("junk;Provider=x"), DatabaseError);
    EXPECT_THROW(ParseConnectionString("=value"), DatabaseError);
}

// Every quoted value must read back exactly as it went in, whatever it holds.
TEST(ConnectionStringQuoting, DangerousValuesRoundTripAndOrdinaryOnesStayAsTyped) {
    const std::string values[] = {"pa;ss", "a\"b", "it's", "{x}", "}", " lead", "trail ", "both\"'quotes;", "x=y",
                                  "plain", ""};
    for (const std::string& v : values) {
        auto ole = ParseConnectionString("Password=" + QuoteOleDbValue(v) + ";Provider=p");
        EXPECT_EQ(ole.GetOr("Password", "?"), v) << "OLE DB quoting of [" << v << "]";
        EXPECT_EQ(ole.GetOr("Provider", ""), "p");
        auto odbc = ParseConnectionString("PWD=" + QuoteOdbcValue(v) + ";DRIVER=d");
        EXPECT_EQ(odbc.GetOr("PWD", "?"), v) << "ODBC quoting of [" << v << "]";
        EXPECT_EQ(odbc.GetOr("DRIVER", ""), "d");
    }
    EXPECT_EQ(QuoteOleDbValue("C:\\shop\\db.mdb"), "C:\\shop\\db.mdb");
    EXPECT_EQ(QuoteOdbcValue("secret"), "secret");
    EXPECT_EQ(QuoteOleDbValue("x=y"), "x=y");
}

}  // namespace
}  // namespace qdt::db
