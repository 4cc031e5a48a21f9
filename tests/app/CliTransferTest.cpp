#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "data/FixtureShops.h"
#include "db/Connection.h"
#include "app/CliRunner.h"
#include "support/TestEnv.h"

namespace qdt::app {
namespace {

using testing::RunCli;

long Count(const std::string& cs, const std::string& sql) {
    db::Connection c;
    c.Open(cs);
    return static_cast<long>(c.Execute(sql)->Fields(0).Value().ToInteger());
}

TEST(CliCopy, CopiesAShopPrintingBothLogsAndHonoursSkippedTables) {
    std::string source = data::testing::SqliteShop("4.6", false);
    std::string destination = data::testing::SqliteShop("5.104", true);
    auto r = RunCli({"copy", "--source-kind", "sqlite", "--source-file", source, "--dest-kind", "sqlite", "--dest-file",
                  destination, "--skip-table", "tblQuillmartNews", "--skip-job",
                  "Add News Placeholders For New Languages"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("Testing SQLite Database source connection... done.\nDetecting version...Set to Quillmart v4.6\n",
                          0),
              0u)
        << r.out;
    EXPECT_NE(r.out.find("\nConnecting to source database... done.\n"), std::string::npos);
    EXPECT_EQ(r.out.find("Adding table tblQuillmartNews..."), std::string::npos);
    EXPECT_NE(r.out.find("Adding table tblQuillmartVersions...done."), std::string::npos);
    EXPECT_EQ(r.out.substr(r.out.size() - 27), "\nData Transfer Successful!\n");
    // The blank shop's news rows stay, as the table was not copied and no placeholders were added.
    EXPECT_EQ(Count("Provider=SQLite;Data Source=" + destination, "SELECT COUNT(*) FROM tblQuillmartNews"),
              Count("Provider=SQLite;Data Source=" + data::testing::SqliteShop("5.104", true),
                    "SELECT COUNT(*) FROM tblQuillmartNews"));
}

// The typical migration on the real server: a script builds an old shop and a
// new one, then the old shop is copied into the new one.
TEST(CliOnMariaDb, ScriptsBuildShopsAndA46ShopCopiesInto5104) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    db::Connection admin;
    admin.Open(server.ConnectionString());
    for (const char* name : {"qdt_cli_old", "qdt_cli_new"}) {
        admin.Execute(std::string("DROP DATABASE IF EXISTS ") + name);
        admin.Execute(std::string("CREATE DATABASE ") + name + " CHARACTER SET utf8mb4");
    }
    auto side = [&](const char* prefix, const char* database) {
        return std::vector<std::string>{std::string("--") + prefix + "-kind", "mysql",
                                        std::string("--") + prefix + "-server", server.host,
                                        std::string("--") + prefix + "-port", std::to_string(server.port),
                                        std::string("--") + prefix + "-database", database,
                                        std::string("--") + prefix + "-user", server.user,
                                        std::string("--") + prefix + "-password", server.password};
    };
    auto with = [](std::vector<std::string> a, const std::vector<std::string>& b) {
        a.insert(a.end(), b.begin(), b.end());
        return a;
    };
    auto r = RunCli(with(with({"execute-sql"}, side("source", "qdt_cli_old")),
                      {"--script", data::testing::ShopScript("mysql", "4.6", false)}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Detecting version...Set To Blank SQL File"), std::string::npos);
    r = RunCli(with(with({"execute-sql"}, side("source", "qdt_cli_new")),
                 {"--script", data::testing::ShopScript("mysql", "5.104", true)}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;

    // The destination's password comes from the environment, out of the process list.
    auto dest = side("dest", "qdt_cli_new");
    dest.erase(dest.end() - 2, dest.end());
    setenv("QDT_DEST_PASSWORD", server.password.c_str(), 1);
    r = RunCli(with(with({"copy"}, side("source", "qdt_cli_old")), dest));
    unsetenv("QDT_DEST_PASSWORD");
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Set to Quillmart v4.6\nTesting MySQL Database destination connection... done.\n"
                         "Detecting version...Set to Quillmart v5.104"),
              std::string::npos)
        << r.out;
    test::MySqlServer oldShop = server, newShop = server;
    oldShop.database = "qdt_cli_old";
    newShop.database = "qdt_cli_new";
    EXPECT_EQ(Count(newShop.ConnectionString(), "SELECT COUNT(*) FROM tblQuillmartProducts"),
              Count(oldShop.ConnectionString(), "SELECT COUNT(*) FROM tblQuillmartProducts"));
    EXPECT_EQ(Count(newShop.ConnectionString(), "SELECT COUNT(*) FROM tblQuillmartNews"),
              Count(oldShop.ConnectionString(), "SELECT COUNT(*) FROM tblQuillmartNews") + 16);
    // The password never shows in what the companion prints.
    EXPECT_EQ(r.out.find(server.password), std::string::npos);
    for (const char* name : {"qdt_cli_old", "qdt_cli_new"}) admin.Execute(std::string("DROP DATABASE ") + name);
}

}  // namespace
}  // namespace qdt::app
