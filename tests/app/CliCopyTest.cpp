// The companion's copy of a shop or import of a catalogue: the check alone,
// a rehearsal and the run, with their logs, summaries, reports and exit
// codes, into SQLite and MariaDB; the options reach the run.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <regex>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"
#include "support/ShopDatabases.h"

namespace qdt::app {
namespace {

namespace fs = std::filesystem;
using testing::ReadReport;
using testing::ReadWholeFile;
using testing::RunCli;
using testing::SqliteCopy;

long Rows(const std::string& shop, const std::string& table) {
    db::Connection c = test::OpenSqlite(shop);
    return test::Count(c, "SELECT COUNT(*) FROM " + table);
}

bool Holds(const std::string& text, const std::string& pattern) { return std::regex_search(text, std::regex(pattern)); }

bool Lists(const nlohmann::json& list, const char* n) { return std::find(list.begin(), list.end(), n) != list.end(); }

// One blank shop taken through the steps a user takes before trusting a copy:
// the check alone, a rehearsal, then the copy, into a destination that
// silently drops every second news row.
TEST(CliCopy, CheckAloneThenRehearsalThenTheCopy) {
    const std::string source = data::testing::SqliteShop("4.6", false);
    const std::string dest = data::testing::SqliteShop("5.104", true);
    const std::string blank = ReadWholeFile(dest);
    const long blankMailingList = Rows(dest, "tblQuillmartMailingList");
    const std::string report = test::TempDir() + "/report.json";

    auto r = RunCli(SqliteCopy(source, dest, {"--check-only", "--report", report}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("Testing SQLite Database source connection... done.\nDetecting version...Set to Quillmart "
                          "v4.6\n", 0), 0u) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadReport(report)["outcome"], "check-passed");
    EXPECT_TRUE(ReadWholeFile(dest) == blank) << "the check changed the destination";

    r = RunCli(SqliteCopy(source, dest, {"--rehearse", "--report", report}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(r.out.ends_with(testing::kRehearsalLine)) << r.out;
    EXPECT_EQ(r.err.rfind("Run report: The rehearsal succeeded; nothing was kept.\nTable ", 0), 0u) << r.err;
    EXPECT_TRUE(ReadWholeFile(dest) == blank) << "the rehearsal changed the destination";
    EXPECT_FALSE(fs::exists(dest + "-journal"));
    nlohmann::json json = ReadReport(report);
    EXPECT_TRUE(json["rehearsal"].get<bool>());
    EXPECT_FALSE(json["kept"].get<bool>());
    EXPECT_EQ(json["copy"]["verification"], "matched");

    test::OpenSqlite(dest).Execute("CREATE TRIGGER drop_news AFTER INSERT ON tblQuillmartNews WHEN NEW.rowid % 2 = 0 "
                                   "BEGIN DELETE FROM tblQuillmartNews WHERE rowid = NEW.rowid; END");
    r = RunCli(SqliteCopy(source, dest, {"--skip-table", "tblQuillmartMailingList", "--skip-compare",
                                         "tblQuillmartConfig", "--skip-job",
                                         "Add News Placeholders For New Languages", "--report", report}));
    ASSERT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_NE(r.out.find("\nConnecting to source database... done.\n"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("Adding table tblQuillmartVersions...done."), std::string::npos);
    EXPECT_EQ(r.out.find("Adding table tblQuillmartMailingList..."), std::string::npos);
    EXPECT_EQ(Rows(dest, "tblQuillmartMailingList"), blankMailingList);
    EXPECT_TRUE(r.out.ends_with("\nData Transfer Successful!\n")) << r.out;
    EXPECT_EQ(r.err.rfind("Run report: The run ended, but the destination does not hold every row read: NOT "
                          "MATCHED.\n", 0), 0u) << r.err;
    EXPECT_TRUE(Holds(r.err, "\ntblQuillmartNews +[0-9]+ +[0-9]+ +[0-9.]+  NOT MATCHED\n")) << r.err;
    EXPECT_TRUE(Holds(r.err, "\ntblQuillmartProducts +([0-9]+) +\\1 +[0-9.]+  matched\n")) << r.err;
    json = ReadReport(report);
    EXPECT_EQ(json["outcome"], "succeeded");
    EXPECT_TRUE(json["kept"].get<bool>());
    EXPECT_EQ(json["copy"]["verification"], "NOT MATCHED");
    for (const auto& table : json["copy"]["tables"]) {
        if (table["table"] != "tblQuillmartNews") continue;
        EXPECT_EQ(table["rowsRead"], Rows(source, "tblQuillmartNews"));
        EXPECT_FALSE(table["matched"].get<bool>());
    }
    EXPECT_TRUE(Lists(json["settings"]["tablesNotCopied"], "tblQuillmartMailingList"));
    EXPECT_TRUE(Lists(json["settings"]["tablesNotCompared"], "tblQuillmartConfig"));
    EXPECT_TRUE(Lists(json["settings"]["jobsNotRun"], "Add News Placeholders For New Languages"));
}

// The demo catalogue named bare, from its own folder (a text source needs the
// folder its name leaves out), with its images copied from and to named
// folders over an old picture.
TEST(CliImport, RehearsalThenImportOfTheDemoCatalogue) {
    const std::string folder = test::TempDir();
    fs::copy_file(QDT_DEMO_CATALOGUE "/catalogue.csv", folder + "/catalogue.csv");
    const std::string shop = data::testing::SqliteShop("5.104", true);
    const std::string uploads = test::TempDir() + "/uploads";
    test::WriteFile(uploads + "/images_products/1.png", "the old picture");
    const std::string report = test::TempDir() + "/import.json";
    std::vector<std::string> args = {"copy", "--source-kind", "text", "--source-file", "catalogue.csv", "--dest-kind",
                                     "sqlite", "--dest-file", shop, "--copy-images", "--image-folder",
                                     QDT_DEMO_CATALOGUE "/images", "--uploads-folder", uploads, "--report", report};
    const std::string blank = ReadWholeFile(shop);
    const auto imagesBefore = test::Files(uploads);
    args.push_back("--rehearse");
    auto r = RunCli(args, folder);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(r.out.ends_with(testing::kRehearsalLine)) << r.out;
    EXPECT_TRUE(ReadWholeFile(shop) == blank) << "the rehearsal changed the destination";
    EXPECT_EQ(test::Files(uploads), imagesBefore);
    EXPECT_FALSE(fs::exists(uploads + "/images_versions"));
    const nlohmann::json rehearsed = ReadReport(report);
    EXPECT_FALSE(rehearsed["kept"].get<bool>());

    args.pop_back();
    r = RunCli(args, folder);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.err.find("\nCreated: "), std::string::npos) << r.err;
    const nlohmann::json import = ReadReport(report)["import"];
    EXPECT_EQ(import, rehearsed["import"]);
    db::Connection conn = test::OpenSqlite(shop);
    const std::pair<const char*, const char*> counts[] = {
        {"categories", "tblQuillmartProdType"}, {"products", "tblQuillmartProducts"},
        {"versions", "tblQuillmartVersions"},   {"links", "tblQuillmartProductProdTypeLink"},
        {"relatedProducts", "tblQuillmartRelatedProducts"}, {"taxRates", "tblQuillmartTaxRates"}};
    for (const auto& [key, table] : counts)
        EXPECT_EQ(import[key].get<long>(), test::Count(conn, std::string("SELECT COUNT(*) FROM ") + table)) << key;
    EXPECT_EQ(import["imagesCopied"].get<long>(), static_cast<long>(test::Files(uploads).size()));
    EXPECT_NE(ReadWholeFile(uploads + "/images_products/1.png"), "the old picture");
    EXPECT_TRUE(fs::exists(uploads + "/images_versions/1.png"));
    // Nothing went to the defaults, the folders of the two files.
    EXPECT_FALSE(fs::exists(fs::path(shop).parent_path() / "images_products"));
}

// Each catalogue system takes its images from the named folder.
struct ShopCase {
    const char* name;
    const char* kind;
    const char* source;    // a SQLite script to build the source from, or the source file
    const char* image;     // under the image folder
    const char* uploaded;  // where it lands under the uploads folder
};

class CliShopImport : public ::testing::TestWithParam<ShopCase> {};

TEST_P(CliShopImport, TakesTheImagesFromTheNamedFolder) {
    const ShopCase& c = GetParam();
    std::string source = c.source;
    if (source.ends_with(".sql")) {
        source = test::NewSqliteFile("shop.sqlite");
        db::Connection conn = test::OpenSqlite(source);
        ASSERT_NO_FATAL_FAILURE(data::testing::RunShopScript(conn, c.source));
    }
    const std::string images = test::TempDir(), uploads = test::TempDir();
    test::WriteFile(images + "/" + c.image, "picture");
    auto r = RunCli({"copy", "--source-kind", c.kind, "--source-file", source, "--dest-kind", "sqlite", "--dest-file",
                     data::testing::SqliteShop("5.104", true), "--copy-images", "--image-folder", images,
                     "--uploads-folder", uploads});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(fs::exists(uploads + "/" + c.uploaded)) << r.out;
}

INSTANTIATE_TEST_SUITE_P(
    Systems, CliShopImport,
    ::testing::Values(
        ShopCase{"Vpasp", "sqlite", QDT_VPASP_SCRIPTS_DIR "/sqlite/vpasp-shop.sql", "images/sencha.gif",
                 "images_products/1.gif"},
        ShopCase{"Comersus", "sqlite", QDT_COMERSUS_SCRIPTS "/sqlite/comersus-shop.sql", "images/hats.gif",
                 "images_categories/1.gif"},
        // An Actinic catalogue kept in a SQLite file, given as the Access file.
        ShopCase{"Actinic", "access", QDT_ACTINIC_FIXTURES "/shop.sqlite", "images/sencha.png",
                 "images_products/1.png"}),
    [](const ::testing::TestParamInfo<ShopCase>& info) { return std::string(info.param.name); });

// The database as mariadb-dump writes it. InnoDB does not give back the
// auto-increment values a rolled-back insert took, so the tables' next
// AUTO_INCREMENT is left out: rows and schema are compared, not that counter.
std::string Dump(const test::MySqlServer& server) {
    const std::string out = test::TempDir() + "/dump.sql";
    const std::string command = "MYSQL_PWD=" + testing::ShellQuote(server.password) + " mariadb-dump" +
                                testing::ClientArgs(server) + " --skip-dump-date --skip-comments " + server.database +
                                " > " + out;
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return std::regex_replace(ReadWholeFile(out), std::regex(" AUTO_INCREMENT=[0-9]+"), "");
}

// A rehearsal into MariaDB leaves the destination's dump as it was; once a
// table it would write cannot roll back, it is refused before anything is
// written. No password reaches the report or the output, whether it came
// from the environment or from the command line.
TEST(CliRehearsalMariaDb, LeavesTheDumpAsItWasOrIsRefused) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    const test::ScratchMySqlDatabase scratch(server, "cli_rehearsal");
    const test::MySqlServer& dest = scratch.Server();
    db::Connection conn;
    conn.Open(dest.ConnectionString());
    ASSERT_NO_FATAL_FAILURE(data::testing::RunShopScript(conn, data::testing::ShopScript("mysql", "5.104", true)));
    const std::string report = test::TempDir() + "/maria.json";
    std::vector<std::string> args = {"copy", "--source-kind", "sqlite", "--source-file",
                                     data::testing::SqliteShop("4.6", false), "--dest-kind", "mysql", "--dest-server",
                                     dest.host, "--dest-port", std::to_string(dest.port), "--dest-database",
                                     dest.database, "--dest-user", dest.user, "--rehearse", "--report", report};
    // The test's own folders may hold the password's letters in their names.
    const std::string root = fs::path(test::TempDir()).parent_path().string();
    auto rehearse = [&](int exitCode, const std::string& errHolds) {
        const std::string before = Dump(dest);
        const auto r = RunCli(args);
        EXPECT_EQ(r.exitCode, exitCode) << r.out << r.err;
        EXPECT_NE(r.err.find(errHolds), std::string::npos) << r.err;
        EXPECT_TRUE(Dump(dest) == before) << "the rehearsal changed the destination";
        const std::string text = ReadWholeFile(report);
        for (std::string shown : {r.out, r.err, text}) {
            for (std::size_t at; (at = shown.find(root)) != std::string::npos;) shown.erase(at, root.size());
            EXPECT_EQ(shown.find(dest.password), std::string::npos) << shown;
        }
        const nlohmann::json json = nlohmann::json::parse(text);
        EXPECT_FALSE(json["kept"].get<bool>());
        EXPECT_EQ(json["destination"]["database"], dest.database);
        EXPECT_EQ(json["destination"]["user"], dest.user);
    };
    setenv("QDT_DEST_PASSWORD", dest.password.c_str(), 1);
    rehearse(0, "tblQuillmartProducts");
    unsetenv("QDT_DEST_PASSWORD");
    conn.Execute("ALTER TABLE tblQuillmartNews ENGINE=MyISAM");
    args.insert(args.end(), {"--dest-password", dest.password});
    rehearse(1, "A rehearsal cannot run on this destination");
}

}  // namespace
}  // namespace qdt::app
