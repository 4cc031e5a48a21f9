#include <gtest/gtest.h>

#include "data/run/ConnectionProfile.h"
#include "db/ConnectionString.h"

namespace qdt::data {
namespace {

ConnectionProfile Profile(DatabaseKind kind) {
    ConnectionProfile p;
    p.Kind = kind;
    p.Port = 1433;
    return p;
}

TEST(ConnectionStrings, AccessExcelAndSqlite) {
    auto p = Profile(kAccess);
    p.Database = "C:\\shop\\db.mdb";
    EXPECT_EQ(GetConnectionString(p),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop\\db.mdb;Jet OLEDB:Database Password=");
    p.Password = "secret";
    EXPECT_EQ(GetConnectionString(p),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop\\db.mdb;Jet OLEDB:Database Password=secret");

    auto x = Profile(kExcel);
    x.Database = "/data/catalogue.xls";
    x.Server = "Sheet1";
    EXPECT_EQ(GetConnectionString(x),
              "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/catalogue.xls;Extended Properties=\"Excel 8.0;HDR=yes\"");

    auto s = Profile(kSqlite);
    s.Database = "/home/me/shop.sqlite";
    EXPECT_EQ(GetConnectionString(s), "Provider=SQLite;Data Source=/home/me/shop.sqlite");
}

TEST(ConnectionStrings, SqlServerTrustedAndWithLogin) {
    auto p = Profile(kSqlServer);
    p.Server = "MYPC\\SQLEXPRESS";
    p.Database = "shop";
    p.Trusted = true;
    p.User = "ignored";
    EXPECT_EQ(GetConnectionString(p),
              "Provider=sqloledb;Data Source=MYPC\\SQLEXPRESS,1433;Network Library=DBMSSOCN;Initial Catalog=shop;"
              "Trusted_Connection=yes;");
    p.Trusted = false;
    p.User = "sa";
    p.Password = "pw";
    p.Port = 14330;
    EXPECT_EQ(GetConnectionString(p),
              "Provider=sqloledb;Data Source=MYPC\\SQLEXPRESS,14330;Network Library=DBMSSOCN;Initial Catalog=shop;"
              "User ID=sa;Password=pw;");
}

TEST(ConnectionStrings, MySql) {
    auto p = Profile(kMySql);
    p.Server = "localhost";
    p.Database = "shop";
    p.User = "root";
    p.Password = "pw";
    EXPECT_EQ(GetConnectionString(p),
              "DRIVER={MySQL ODBC 3.51 Driver};SERVER=localhost;DATABASE=shop;USER=root;PASSWORD=pw;OPTION=3;");
}

TEST(ConnectionStrings, ScriptFileGivesNoStringAndKeepsThePath) {
    auto p = Profile(kSqlFile);
    p.Database = "C:\\scripts\\create.sql";
    EXPECT_EQ(GetConnectionString(p), "");
    EXPECT_EQ(p.ScriptPath, "C:\\scripts\\create.sql");
}

TEST(ConnectionStrings, TextFilePathIsSplitAtTheLastSeparator) {
    auto p = Profile(kTextFile);
    p.Database = "C:\\data\\items.csv";
    EXPECT_EQ(GetConnectionString(p), "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data;Extended Properties=\"text\"");
    EXPECT_EQ(p.TextFolder, "C:\\data");
    EXPECT_EQ(p.TextTable, "items.csv");

    p.Database = "/home/me/items.txt";
    GetConnectionString(p);
    EXPECT_EQ(p.TextFolder, "/home/me");
    EXPECT_EQ(p.TextTable, "items.txt");

    // A backslash wins over a later slash.
    p.Database = "C:\\data/sub\\x/items.csv";
    GetConnectionString(p);
    EXPECT_EQ(p.TextFolder, "C:\\data/sub");
    EXPECT_EQ(p.TextTable, "x/items.csv");

    // Without a separator the earlier split stays.
    p.Database = "items.csv";
    GetConnectionString(p);
    EXPECT_EQ(p.TextFolder, "C:\\data/sub");
    EXPECT_EQ(p.TextTable, "x/items.csv");

    // A separator in first place leaves an empty folder.
    p.Database = "/items.csv";
    GetConnectionString(p);
    EXPECT_EQ(p.TextFolder, "");
    EXPECT_EQ(p.TextTable, "items.csv");
}

// A value holding ";" must not be able to add or replace a key.
TEST(ConnectionStrings, DangerousValuesCannotInjectKeys) {
    auto m = Profile(kMySql);
    m.Server = "db";
    m.Database = "shop";
    m.User = "u";
    m.Password = "pa;ss;SERVER=evil";
    auto info = db::ParseConnectionString(GetConnectionString(m));
    EXPECT_EQ(info.GetOr("PASSWORD", ""), "pa;ss;SERVER=evil");
    EXPECT_EQ(info.GetOr("SERVER", ""), "db");

    auto s = Profile(kSqlServer);
    s.Server = "db";
    s.Database = "shop";
    s.User = "sa";
    s.Password = "x\";Trusted_Connection=yes;";
    info = db::ParseConnectionString(GetConnectionString(s));
    EXPECT_EQ(info.GetOr("Password", ""), s.Password);
    EXPECT_FALSE(info.Has("Trusted_Connection"));

    auto a = Profile(kAccess);
    a.Database = " /tmp/odd;name.mdb";
    a.Password = "{p}";
    info = db::ParseConnectionString(GetConnectionString(a));
    EXPECT_EQ(info.GetOr("Data Source", ""), " /tmp/odd;name.mdb");
    EXPECT_EQ(info.GetOr("Jet OLEDB:Database Password", ""), "{p}");
}

TEST(DatabaseKinds, CaptionsOfTheTypeCombos) {
    EXPECT_STREQ(DatabaseKindCaption(kAccess), "Access Database");
    EXPECT_STREQ(DatabaseKindCaption(kSqlServer), "MSSQL Server Database");
    EXPECT_STREQ(DatabaseKindCaption(kExcel), "Excel Spreadsheet (Catalogue only)");
    EXPECT_STREQ(DatabaseKindCaption(kTextFile), "Text File (Catalogue only)");
    EXPECT_STREQ(DatabaseKindCaption(kSqlFile), ".SQL File");
    EXPECT_STREQ(DatabaseKindCaption(kMySql), "MySQL Database");
    EXPECT_STREQ(DatabaseKindCaption(kSqlite), "SQLite Database");
}

}  // namespace
}  // namespace qdt::data
