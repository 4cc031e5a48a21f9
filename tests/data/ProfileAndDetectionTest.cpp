// A side's profile: the connection string built from it, and the shop system
// and version read from the database it names. Detection reads only table
// and column names, so a recording connection stands in for every engine.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "TransferHarness.h"
#include "data/ConversionSettings.h"
#include "data/Detection.h"

namespace qdt::data {
namespace {

using testing::RecordedTransfer;
using Statements = std::vector<std::string>;

ConnectionProfile Profile(DatabaseKind kind, const char* server, const char* database, const char* user = "",
                          const char* password = "", bool trusted = false, int port = 1433) {
    ConnectionProfile p;
    p.Kind = kind;
    p.Server = server;
    p.Database = database;
    p.User = user;
    p.Password = password;
    p.Trusted = trusted;
    p.Port = port;
    return p;
}

TEST(ConnectionStrings, AreBuiltFromTheProfile) {
    const std::pair<ConnectionProfile, const char*> cases[] = {
        {Profile(kAccess, "", "C:\\shop\\db.mdb", "", "secret"),
         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop\\db.mdb;Jet OLEDB:Database Password=secret"},
        {Profile(kExcel, "Sheet1", "/data/catalogue.xls"),
         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/catalogue.xls;Extended Properties=\"Excel 8.0;HDR=yes\""},
        {Profile(kSqlite, "", "/home/me/shop.sqlite"), "Provider=SQLite;Data Source=/home/me/shop.sqlite"},
        // A trusted login ignores the user typed before it was ticked.
        {Profile(kSqlServer, "MYPC\\SQLEXPRESS", "shop", "ignored", "", true),
         "Provider=sqloledb;Data Source=MYPC\\SQLEXPRESS,1433;Network Library=DBMSSOCN;Initial Catalog=shop;"
         "Trusted_Connection=yes;"},
        {Profile(kSqlServer, "MYPC", "shop", "sa", "pw", false, 14330),
         "Provider=sqloledb;Data Source=MYPC,14330;Network Library=DBMSSOCN;Initial Catalog=shop;"
         "User ID=sa;Password=pw;"},
        {Profile(kMySql, "localhost", "shop", "root", "pw"),
         "DRIVER={MySQL ODBC 3.51 Driver};SERVER=localhost;DATABASE=shop;USER=root;PASSWORD=pw;OPTION=3;"},
        {Profile(kTextFile, "", "C:\\data\\items.csv"),
         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data;Extended Properties=\"text\""},
        // A value holding ";" cannot add or replace a key.
        {Profile(kMySql, "db", "shop", "u", "pa;ss;SERVER=evil"),
         "DRIVER={MySQL ODBC 3.51 Driver};SERVER=db;DATABASE=shop;USER=u;PASSWORD={pa;ss;SERVER=evil};OPTION=3;"},
        {Profile(kSqlServer, "db", "shop", "sa", "x\";Trusted_Connection=yes;"),
         "Provider=sqloledb;Data Source=db,1433;Network Library=DBMSSOCN;Initial Catalog=shop;User ID=sa;"
         "Password=\"x\"\";Trusted_Connection=yes;\";"},
        {Profile(kAccess, "", " /tmp/odd;name.mdb", "", "{p}"),
         "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=\" /tmp/odd;name.mdb\";Jet OLEDB:Database Password=\"{p}\""},
        // A script has no connection string; its path is kept for the runner.
        {Profile(kSqlFile, "", "C:\\scripts\\create.sql"), ""},
    };
    for (auto [profile, expected] : cases) {
        EXPECT_EQ(GetConnectionString(profile), expected) << profile.Database;
        EXPECT_EQ(profile.ScriptPath, profile.Kind == kSqlFile ? profile.Database : "");
    }
}

// Windows shops store paths with "\"; where a path also holds "/", the last
// "\" still ends the folder. Without a separator a text file's earlier split stays.
TEST(PathSplitting, FolderEndsAtTheLastBackslashElseTheLastSlash) {
    struct Case {
        const char* path;
        const char* folder;  // GetParentFolder, and a text file's folder
        const char* file;    // a text file's table
    };
    for (const Case& c : {Case{"C:\\data\\items.csv", "C:\\data", "items.csv"},
                          Case{"C:\\shop\\db\\shop.mdb", "C:\\shop\\db", "shop.mdb"},
                          Case{"/home/me/items.txt", "/home/me", "items.txt"},
                          Case{"C:\\data/sub\\x/items.csv", "C:\\data/sub", "x/items.csv"},
                          Case{"/items.csv", "", "items.csv"}, Case{"items.csv", "", ""}}) {
        EXPECT_EQ(GetParentFolder(c.path), c.folder);
        ConnectionProfile p = Profile(kTextFile, "", c.path);
        p.TextFolder = "earlier";
        p.TextTable = "earlier.csv";
        GetConnectionString(p);
        const bool split = std::string(c.path).find_first_of("\\/") != std::string::npos;
        EXPECT_EQ(p.TextFolder, split ? c.folder : "earlier") << c.path;
        EXPECT_EQ(p.TextTable, split ? c.file : "earlier.csv") << c.path;
    }
}

// The newest marker column present names the version; each probe reads one
// row, and the last one stays in strQuery.
TEST(QuillmartVersion, NewestMarkerColumnPresentNamesTheVersion) {
    struct Case {
        DatabaseKind kind;
        std::vector<std::string> orderNumberColumns;
        std::vector<std::string> versionColumns;
        float expected;
    };
    const Case cases[] = {
        {kSqlite, {"ON_ID", "ON_Total"}, {"V_ID"}, 4.5f},
        {kAccess, {"ON_ID", "ON_WishList"}, {"V_ID"}, 4.6f},
        {kSqlServer, {"ON_ID", "ON_WishList", "ON_CouponCode"}, {"V_ID"}, 4.7f},
        {kMySql, {"ON_CouponCode", "ON_WishList"}, {"V_ID"}, 4.7f},
        {kSqlite, {"ON_WishList", "ON_PaymentGateWay", "ON_CouponCode"}, {"V_ID"}, 5.0f},
        {kAccess, {"ON_PaymentGateWay", "ON_OrderHandlingCharge"}, {"V_ID"}, 5.1f},
        {kSqlite, {"ON_ID"}, {"V_ID", "V_RRP"}, 5.104f},
        {kMySql, {"ON_OrderHandlingCharge", "ON_WishList"}, {"V_RRP"}, 5.104f},
        // Column names compare case-sensitively: these are not the marker columns.
        {kSqlServer, {"ON_PaymentGateway", "on_couponcode"}, {"v_rrp"}, 4.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.orderNumberColumns) + ::testing::PrintToString(c.versionColumns));
        const bool limit = c.kind == kMySql || c.kind == kSqlite;
        const std::string orders = limit ? "SELECT * FROM tblQuillmartOrderNumbers LIMIT 0, 1"
                                         : "SELECT TOP 1 * FROM tblQuillmartOrderNumbers";
        const std::string versions =
            limit ? "SELECT * FROM tblQuillmartVersions LIMIT 0, 1" : "SELECT TOP 1 * FROM tblQuillmartVersions";
        RecordedTransfer t(kSqlServer, 0, 0);
        t.source.Answer(orders, {c.orderNumberColumns, {}, {}}).Answer(versions, {c.versionColumns, {}, {}});
        t.ctx.source.Kind = c.kind;
        t.ctx.source.SystemName = kSystemQuillmart;
        EXPECT_EQ(GetSchemaVersion(t.ctx, t.ctx.source, t.sourceConn), c.expected);
        EXPECT_EQ(t.source.Statements(), (Statements{orders, versions}));
        EXPECT_EQ(t.ctx.strQuery, versions);
        EXPECT_EQ(t.source.OpenResults(), 0);
    }
}

TEST(SchemaVersion, CatalogueSystemsHaveFixedVersionsWithoutAQuery) {
    RecordedTransfer t(kSqlServer, 0, 0);
    const std::tuple<std::string, float, const char*> cases[] = {{"VPASP", 5.0f, "5"},   {"Comersus", 5.0f, "5"},
                                                                 {"Actinic", 61.0f, "61"}, {"Flat File", 0.0f, "0"},
                                                                 {"quillmart", 0.0f, "0"}, {"", 0.0f, "0"}};
    for (const auto& [system, version, shown] : cases) {
        t.ctx.source.SystemName = system;
        EXPECT_EQ(GetSchemaVersion(t.ctx, t.ctx.source, t.sourceConn), version) << system;
        EXPECT_EQ(FormatVersion(version), shown);
    }
    EXPECT_TRUE(t.source.Statements().empty());
}

TEST(DetectSourceSystem, TableNamesInTheirOrderDecide) {
    // The tables in the order the schema rowset lists them, and the system they mean.
    const std::pair<std::vector<std::string>, const char*> cases[] = {
        {{}, "VPASP"},
        {{"products", "categories"}, "VPASP"},
        {{"TBLQUILLMARTPRODUCTS"}, "Quillmart"},  // the prefix ignores case
        {{"tblQuillmar"}, "VPASP"},              // too short for the prefix
        {{"adminStats", "products"}, "Comersus"},
        {{"AdminStats"}, "VPASP"},  // the markers do not
        {{"catalog section"}, "VPASP"},
        // A later Quillmart or Actinic table overrides adminStats ...
        {{"adminStats", "Catalog section"}, "Actinic"},
        {{"adminStats", "tblquillmartX"}, "Quillmart"},
        // ... and the first Quillmart or Actinic table ends the search.
        {{"Catalog section", "tblQuillmartConfig"}, "Actinic"},
        {{"x", "tblQuillmartConfig", "Catalog section"}, "Quillmart"},
        {{"Catalog section", "adminStats"}, "Actinic"},
    };
    for (const auto& [tables, expected] : cases) {
        RecordedTransfer t(kSqlServer, 0, 0);
        t.source.Tables(tables);
        EXPECT_EQ(DetectSourceSystem(t.sourceConn), expected) << ::testing::PrintToString(tables);
        EXPECT_TRUE(t.source.Statements().empty());
        EXPECT_EQ(t.source.OpenResults(), 0) << "schema rowset left open";
    }
}

}  // namespace
}  // namespace qdt::data
