// A rehearsal into MariaDB leaves the destination's dump as it was, and is
// refused before anything is written when a table it would write cannot
// roll back. No password reaches the report or the output.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>
#include <regex>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"
#include "support/TestEnv.h"

namespace qdt::app {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::RunCli;
using testing::ShellQuote;


// The database as mariadb-dump writes it. InnoDB does not give back the
// auto-increment values a rolled-back insert took, so the tables' next
// AUTO_INCREMENT is left out: rows and schema are compared, not that counter.
std::string Dump(const test::MySqlServer& server, const std::string& database) {
    const std::string out = test::TempDir() + "/dump.sql";
    const std::string command = "MYSQL_PWD=" + ShellQuote(server.password) +
                                " mariadb-dump --no-defaults --skip-dump-date --skip-comments -h " +
                                ShellQuote(server.host) + " -P " + std::to_string(server.port) + " -u " +
                                ShellQuote(server.user) + " " + database + " > " + out;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return std::regex_replace(ReadWholeFile(out), std::regex(" AUTO_INCREMENT=[0-9]+"), "");
}

struct MariaDbRehearsalCase {
    const char* name;
    // Run on the destination before the rehearsal.
    const char* prepare;
    int exitCode;
    const char* errHolds;
};

void PrintTo(const MariaDbRehearsalCase& c, std::ostream* os) { *os << c.name; }

class CliRehearsalMariaDb : public ::testing::TestWithParam<MariaDbRehearsalCase> {};

TEST_P(CliRehearsalMariaDb, LeavesTheDumpAsItWas) {
    const MariaDbRehearsalCase& c = GetParam();
    QDT_REQUIRE_MYSQL_SERVER(server);
    // A database per case, so that cases may run side by side.
    const std::string database = std::string("qdt_cli_rehearsal_") + (*c.prepare ? "refused" : "kept");
    test::MySqlServer scratch = server;
    scratch.database = database;
    db::Connection admin;
    admin.Open(server.ConnectionString());
    admin.Execute("DROP DATABASE IF EXISTS " + database);
    admin.Execute("CREATE DATABASE " + database + " CHARACTER SET utf8mb4");
    {
        db::Connection conn;
        conn.Open(scratch.ConnectionString());
        data::testing::RunShopScript(conn, data::testing::ShopScript("mysql", "5.104", true));
        if (*c.prepare) conn.Execute(c.prepare);
    }
    const std::string before = Dump(server, database);
    const std::string report = test::TempDir() + "/maria.json";
    const auto r = RunCli({"copy", "--source-kind", "sqlite", "--source-file", data::testing::SqliteShop("4.6", false),
                           "--dest-kind", "mysql", "--dest-server", server.host, "--dest-port",
                           std::to_string(server.port), "--dest-database", database, "--dest-user", server.user,
                           "--dest-password", server.password, "--rehearse", "--report", report});
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_NE(r.err.find(c.errHolds), std::string::npos) << r.err;
    EXPECT_TRUE(Dump(server, database) == before) << "the rehearsal changed the destination";
    const std::string text = ReadWholeFile(report);
    // The test's own folders may hold the password's letters in their names.
    const std::string root = fs::path(test::TempDir()).parent_path().string();
    for (std::string shown : {r.out, r.err, text}) {
        for (std::size_t at; (at = shown.find(root)) != std::string::npos;) shown.erase(at, root.size());
        EXPECT_EQ(shown.find(server.password), std::string::npos) << shown;
    }
    const nlohmann::json json = nlohmann::json::parse(text);
    EXPECT_FALSE(json["kept"].get<bool>());
    EXPECT_EQ(json["destination"]["database"], database);
    EXPECT_EQ(json["destination"]["user"], server.user);
    admin.Execute("DROP DATABASE " + database);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliRehearsalMariaDb,
    ::testing::Values(MariaDbRehearsalCase{"Rehearsed", "", 0, "tblQuillmartProducts"},
                      MariaDbRehearsalCase{"RefusedForATableThatCannotRollBack",
                                           "ALTER TABLE tblQuillmartNews ENGINE=MyISAM", 1,
                                           "A rehearsal cannot run on this destination"}),
    [](const ::testing::TestParamInfo<MariaDbRehearsalCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::app
