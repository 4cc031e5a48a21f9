#include <gtest/gtest.h>

#include <ostream>

#include "data/ConversionSettings.h"
#include "data/run/ConnectionProfile.h"
#include "db/ConnectionString.h"

namespace qdt::data {
namespace {

struct StringCase {
    const char* name;
    ConnectionProfile profile;
    const char* expected;
};

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

class ConnectionStrings : public ::testing::TestWithParam<StringCase> {};

TEST_P(ConnectionStrings, AreBuiltFromTheProfile) {
    ConnectionProfile p = GetParam().profile;
    EXPECT_EQ(GetConnectionString(p), GetParam().expected);
    // A script has no connection string; its path is kept for the runner.
    if (p.Kind == kSqlFile) {
        EXPECT_EQ(p.ScriptPath, p.Database);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ConnectionStrings,
    ::testing::Values(
        StringCase{"Access", Profile(kAccess, "", "C:\\shop\\db.mdb", "", "secret"),
                   "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\shop\\db.mdb;Jet OLEDB:Database Password=secret"},
        StringCase{"Excel", Profile(kExcel, "Sheet1", "/data/catalogue.xls"),
                   "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=/data/catalogue.xls;"
                   "Extended Properties=\"Excel 8.0;HDR=yes\""},
        StringCase{"Sqlite", Profile(kSqlite, "", "/home/me/shop.sqlite"),
                   "Provider=SQLite;Data Source=/home/me/shop.sqlite"},
        // A trusted login ignores the user typed before it was ticked.
        StringCase{"SqlServerTrusted", Profile(kSqlServer, "MYPC\\SQLEXPRESS", "shop", "ignored", "", true),
                   "Provider=sqloledb;Data Source=MYPC\\SQLEXPRESS,1433;Network Library=DBMSSOCN;Initial Catalog=shop;"
                   "Trusted_Connection=yes;"},
        StringCase{"SqlServerLogin", Profile(kSqlServer, "MYPC", "shop", "sa", "pw", false, 14330),
                   "Provider=sqloledb;Data Source=MYPC,14330;Network Library=DBMSSOCN;Initial Catalog=shop;"
                   "User ID=sa;Password=pw;"},
        StringCase{"MySql", Profile(kMySql, "localhost", "shop", "root", "pw"),
                   "DRIVER={MySQL ODBC 3.51 Driver};SERVER=localhost;DATABASE=shop;USER=root;PASSWORD=pw;OPTION=3;"},
        StringCase{"TextFileFolder", Profile(kTextFile, "", "C:\\data\\items.csv"),
                   "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=C:\\data;Extended Properties=\"text\""},
        StringCase{"ScriptFileHasNone", Profile(kSqlFile, "", "C:\\scripts\\create.sql"), ""}),
    [](const ::testing::TestParamInfo<StringCase>& info) { return std::string(info.param.name); });

// A value holding ";" must not be able to add or replace a key.
TEST(ConnectionStrings, DangerousValuesCannotInjectKeys) {
    const auto StringOf = [](ConnectionProfile p) { return GetConnectionString(p); };
    auto info = db::ParseConnectionString(StringOf(Profile(kMySql, "db", "shop", "u", "pa;ss;SERVER=evil")));
    EXPECT_EQ(info.GetOr("PASSWORD", ""), "pa;ss;SERVER=evil");
    EXPECT_EQ(info.GetOr("SERVER", ""), "db");

    info = db::ParseConnectionString(StringOf(Profile(kSqlServer, "db", "shop", "sa", "x\";Trusted_Connection=yes;")));
    EXPECT_EQ(info.GetOr("Password", ""), "x\";Trusted_Connection=yes;");
    EXPECT_FALSE(info.Has("Trusted_Connection"));

    info = db::ParseConnectionString(StringOf(Profile(kAccess, "", " /tmp/odd;name.mdb", "", "{p}")));
    EXPECT_EQ(info.GetOr("Data Source", ""), " /tmp/odd;name.mdb");
    EXPECT_EQ(info.GetOr("Jet OLEDB:Database Password", ""), "{p}");
}

// Windows shops store paths with "\"; where a path also holds "/", the last
// "\" still ends the folder.
struct PathCase {
    const char* path;
    const char* folder;  // GetParentFolder, and a text file's folder
    const char* file;    // a text file's table
};

void PrintTo(const PathCase& c, std::ostream* os) { *os << c.path; }

class PathSplitting : public ::testing::TestWithParam<PathCase> {};

TEST_P(PathSplitting, FolderEndsAtTheLastBackslashElseTheLastSlash) {
    const PathCase& c = GetParam();
    EXPECT_EQ(GetParentFolder(c.path), c.folder);
    ConnectionProfile p = Profile(kTextFile, "", c.path);
    p.TextFolder = "earlier";
    p.TextTable = "earlier.csv";
    GetConnectionString(p);
    // Without a separator the earlier split stays.
    const bool split = std::string(c.path).find_first_of("\\/") != std::string::npos;
    EXPECT_EQ(p.TextFolder, split ? c.folder : "earlier");
    EXPECT_EQ(p.TextTable, split ? c.file : "earlier.csv");
}

INSTANTIATE_TEST_SUITE_P(Paths, PathSplitting,
                         ::testing::Values(PathCase{"C:\\data\\items.csv", "C:\\data", "items.csv"},
                                           PathCase{"C:\\shop\\db\\shop.mdb", "C:\\shop\\db", "shop.mdb"},
                                           PathCase{"/home/me/items.txt", "/home/me", "items.txt"},
                                           PathCase{"C:\\data/sub\\x/items.csv", "C:\\data/sub", "x/items.csv"},
                                           PathCase{"/items.csv", "", "items.csv"},
                                           PathCase{"items.csv", "", ""}));

}  // namespace
}  // namespace qdt::data
