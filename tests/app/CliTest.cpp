// The companion's command line: what it answers on which stream with which
// exit code, its queries and progress line, and its whole runs (copy, import,
// rehearsal, execute-sql) with their logs, summaries and reports.
#include <sys/wait.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "data/FixtureShops.h"
#include "support/ShopDatabases.h"
#include "support/ShopFaults.h"
#include "support/TestEnv.h"

namespace qdt::app {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;
using nlohmann::json;

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

std::string ReadWholeFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

json ReadReport(const std::string& path) { return json::parse(ReadWholeFile(path)); }

std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// A program (the companion unless named) run in a folder with no input and no display.
CliResult RunCli(const std::vector<std::string>& args, const std::string& folder = ".",
                 const std::string& program = QDT_CLI_PATH) {
    const std::string dir = test::TempDir();
    std::string cmd = "cd " + ShellQuote(folder) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                      ShellQuote(program);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    const int exitCode = Shell(cmd + " >" + dir + "/out 2>" + dir + "/err </dev/null");
    return {exitCode, ReadWholeFile(dir + "/out"), ReadWholeFile(dir + "/err")};
}

std::vector<std::string> SqliteCopy(const std::string& source, const std::string& dest,
                                    const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"copy",        "--source-kind", "sqlite",      "--source-file", source,
                                     "--dest-kind", "sqlite",        "--dest-file", dest};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The test server's options for the mariadb client tools (the password goes in MYSQL_PWD).
std::string ClientArgs(const test::MySqlServer& server) {
    return " --no-defaults -h " + ShellQuote(server.host) + " -P " + std::to_string(server.port) + " -u " +
           ShellQuote(server.user);
}

bool Holds(const std::string& text, const std::string& pattern) { return std::regex_search(text, std::regex(pattern)); }

long Rows(const std::string& shop, const std::string& table) {
    db::Connection c = test::OpenSqlite(shop);
    return test::Count(c, "SELECT COUNT(*) FROM " + table);
}

struct StreamCase {
    const char* name;
    std::vector<std::string> args;  // "{source}" and "{dest}" stand for a 4.6 shop and a blank 5.104 shop
    int exitCode;
    const char* outStart;  // what stdout and stderr start with ("" for empty, nullptr for anything)
    const char* errStart;
    std::vector<std::string> errHolds{};  // further texts stderr holds
    bool duplicateProducts = false;       // makes the copy fail on the second product
    std::string program = QDT_CLI_PATH;
};

std::string CaseName(const ::testing::TestParamInfo<StreamCase>& info) { return info.param.name; }

const char* kSecret = "Sekr3t-pw";

void ExpectStart(const std::string& text, const char* start) {
    EXPECT_TRUE(!start || (*start ? text.starts_with(start) : text.empty())) << "Expected to start with: " << start
                                                                              << "\nActual: " << text;
}

class CliStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(CliStreams, ExitCodeAndStreams) {
    const StreamCase& c = GetParam();
    // Shops are made only for the cases that name them: making one takes a while.
    const bool shops = std::find(c.args.begin(), c.args.end(), "{source}") != c.args.end();
    const std::string source = shops ? data::testing::SqliteShop("4.6", false) : "";
    const std::string dest = shops ? data::testing::SqliteShop("5.104", true) : "";
    if (c.duplicateProducts) test::MakeProductNamesClash(source, dest);
    std::vector<std::string> args = c.args;
    for (std::string& a : args) a = a == "{source}" ? source : a == "{dest}" ? dest : a;
    auto r = RunCli(args, ".", c.program);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    ExpectStart(r.out, c.outStart);
    ExpectStart(r.err, c.errStart);
    for (const std::string& text : c.errHolds) EXPECT_THAT(r.err, HasSubstr(text));
    EXPECT_THAT(r.err, Not(HasSubstr("\r")));
    EXPECT_THAT(r.out + r.err, Not(HasSubstr(kSecret)));
}

std::vector<std::string> Copy(const std::vector<std::string>& more = {}) {
    return SqliteCopy("{source}", "{dest}", more);
}

const StreamCase kCliCases[] = {
    {"Help", {"--help"}, 0, "The Quillmart Data Tool's command-line companion", ""},
    {"CopyHelp", {"copy", "--help"}, 0,
     "Check both databases, then copy the source shop (or import the catalogue) into the destination\nUsage: "
     "quillmart-datatool-cli copy [OPTIONS]", ""},
    {"ExecuteSqlHelp", {"execute-sql", "-h"}, 0,
     "Check the database and the script, then run the script on the database\nUsage: ", ""},
    {"Version", {"--version"}, 0, "quillmart-datatool-cli 0.1.0\n", ""},
    {"NoCommand", {}, 2, "", "A subcommand is required\n\n", {"Usage: quillmart-datatool-cli"}},
    {"UnknownCommand", {"frobnicate"}, 2, "", "Unknown command 'frobnicate': use tables, query, copy or execute-sql."},
    {"UnknownKind", {"copy", "--source-kind", "oracle", "--dest-kind=sqlite"}, 2, "", "Unknown database kind 'oracle'",
     {"Usage: quillmart-datatool-cli copy [OPTIONS]"}},
    {"MissingKind", {"copy", "--source-kind", "sqlite"}, 2, "", "--dest-kind is required"},
    {"RehearsalOfTheCheckAlone", Copy({"--rehearse", "--check-only"}), 2, "", "--check-only excludes --rehearse"},
    {"ScriptMissing", {"execute-sql", "--source-kind", "sqlite"}, 2, "", "--script is required"},
    {"ExecuteSqlOnAccess", {"execute-sql", "--source-kind", "access", "--source-file", "{source}", "--script",
     "{dest}"}, 2, "", "execute-sql runs a script on a SQL Server, MySQL or SQLite database, not on Access"},
    {"SkippingAMissingTable", Copy({"--skip-table", "tblNoSuchTable"}), 2, nullptr,
     "There is no table to copy 'tblNoSuchTable'"},
    {"ImageOptionsOnAShopCopy", Copy({"--copy-images", "--uploads-folder", "/tmp"}), 2, nullptr,
     "--copy-images, --image-folder and --uploads-folder are for catalogue sources; this source was detected as "
     "Quillmart."},
    {"SameDatabaseTwice", SqliteCopy("{source}", "{source}"), 1,
     "\nError occurred!\nBoth the source and destination databases are same!",
     "Error occurred!\nBoth the source and destination databases are same!\nPlease go back and ensure that the "
     "database details are set up correctly.\n"},
    {"UnreachableServerKeepsThePasswordOut",
     {"copy", "--source-kind", "sqlite", "--source-file", "{source}", "--dest-kind", "mysql", "--dest-server",
      "127.0.0.1", "--dest-port", "1", "--dest-database", "qdt_none", "--dest-user", "qdt", "--dest-password", kSecret},
     1, nullptr, "Error occurred!\n", {"127.0.0.1"}},
    {"FailedCopy", Copy(), 1, nullptr,
     "Error occurred!\nUNIQUE constraint failed: tblQuillmartProducts.P_Name1\n\nINSERT INTO tblQuillmartProducts (",
     {"\nThe destination database was left unchanged.\n"}, true},
    {"QueryOfAMissingFile", {"query", "Provider=SQLite;Data Source=/nonexistent.sqlite", "SELECT 1"}, 1, "", nullptr,
     {"/nonexistent.sqlite"}},
};

INSTANTIATE_TEST_SUITE_P(Cli, CliStreams, ::testing::ValuesIn(kCliCases), CaseName);

#ifdef QDT_WIZARD_PATH
// The wizard's own command line is answered without a display.
const StreamCase kWizardCases[] = {
    {"Help", {"--help"}, 0, "Usage: ", "", {}, false, QDT_WIZARD_PATH},
    {"Version", {"--version"}, 0, "Quillmart Data Tool 0.1.0\n", "", {}, false, QDT_WIZARD_PATH},
    {"UnknownOption", {"--bogus"}, 2, "", "Unknown option 'bogus'.", {}, false, QDT_WIZARD_PATH},
    {"NoDisplay", {}, 1, "", "The wizard needs a display", {}, false, QDT_WIZARD_PATH},
};

INSTANTIATE_TEST_SUITE_P(Wizard, CliStreams, ::testing::ValuesIn(kWizardCases), CaseName);
#endif

TEST(CliQuery, PrintsNamesTypesAndEscapedRowsAndTheTables) {
    const std::string cs = "Provider=SQLite;Data Source=" + test::NewSqliteFile();
    db::Connection c;
    c.Open(cs);
    c.Execute("CREATE TABLE tblQuillmartConfig (CFG_ID INTEGER, CFG_Name VARCHAR(50), CFG_Value LONGTEXT, "
              "CFG_Price CURRENCY, CFG_Changed DATETIME)");
    c.Execute("INSERT INTO tblQuillmartConfig VALUES (1, 'tab', 'a\tb', '12.5000', '2004/3/7 9:05:02'), "
              "(2, 'lines', 'x' || char(13) || char(10) || 'y\\z', NULL, NULL)");
    auto r = RunCli({"query", cs, "SELECT * FROM tblQuillmartConfig ORDER BY CFG_ID"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out + r.err,
              "CFG_ID\tCFG_Name\tCFG_Value\tCFG_Price\tCFG_Changed\n"
              "3\t202\t203\t6\t7\n"
              "1\ttab\ta\\tb\t12.5\t2004-03-07 09:05:02\n"
              "2\tlines\tx\\r\\ny\\\\z\tNULL\tNULL\n");
    r = RunCli({"tables", cs});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, AllOf(StartsWith("TABLE_CATALOG\tTABLE_SCHEMA\tTABLE_NAME\tTABLE_TYPE\n"),
                             HasSubstr("NULL\tNULL\ttblQuillmartConfig\tTABLE\n")));
}

// With stderr on a 200-column terminal and stdout elsewhere, the terminal
// sees the table, its rows and the speed, a few times a second, and the line
// is gone before the summary is written.
TEST(CliProgress, ATerminalSeesTheTableItsRowsAndTheSpeed) {
    const std::string source = data::testing::SqliteShop("4.6", false);
    const std::string dest = data::testing::SqliteShop("5.104", true);
    // Enough rows to be still copying after the fifth of a second the speed needs.
    test::AddMailingListRows(source, 149001);
    std::string copy = "stty cols 200; exec " + ShellQuote(QDT_CLI_PATH);
    for (const std::string& a : SqliteCopy(source, dest)) copy += " " + ShellQuote(a);
    const std::string seen = RunCli({"-qec", copy + " >/dev/null", "/dev/null"}, ".", "script").out;
    EXPECT_THAT(seen, AllOf(HasSubstr("\rtblQuillmartAffiliateLog: table 1 of 24, "),
                            HasSubstr("tblQuillmartMailingList: table 7 of 24, "), HasSubstr(" of 149004 rows, "),
                            HasSubstr(" rows/s, "), HasSubstr(" s left"),
                            HasSubstr("\rRun report: The run succeeded.")));
    EXPECT_LT(std::count(seen.begin(), seen.end(), '\r'), 200);
}

// A blank shop checked alone, then copied into while it silently drops every
// second news row.
TEST(CliCopy, CheckAloneThenTheCopy) {
    const std::string source = data::testing::SqliteShop("4.6", false);
    const std::string dest = data::testing::SqliteShop("5.104", true);
    const std::string blank = ReadWholeFile(dest);
    const std::string report = test::TempDir() + "/report.json";
    auto r = RunCli(SqliteCopy(source, dest, {"--check-only", "--report", report}));
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, StartsWith("Testing SQLite Database source connection... done.\nDetecting version...Set to "
                                  "Quillmart v4.6\n"));
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(ReadReport(report)["outcome"], "check-passed");
    EXPECT_TRUE(ReadWholeFile(dest) == blank) << "the check changed the destination";
    test::OpenSqlite(dest).Execute("CREATE TRIGGER drop_news AFTER INSERT ON tblQuillmartNews WHEN NEW.rowid % 2 = 0 "
                                   "BEGIN DELETE FROM tblQuillmartNews WHERE rowid = NEW.rowid; END");
    r = RunCli(SqliteCopy(source, dest, {"--skip-table", "tblQuillmartMailingList", "--skip-compare",
                                         "tblQuillmartConfig", "--skip-job",
                                         "Add News Placeholders For New Languages", "--report", report}));
    ASSERT_EQ(r.exitCode, 3) << r.out << r.err;
    EXPECT_THAT(r.out, AllOf(HasSubstr("\nConnecting to source database... done.\n"),
                             HasSubstr("\nConnecting to destination database... done.\n"),
                             HasSubstr("Adding table tblQuillmartVersions...done."),
                             Not(HasSubstr("Adding table tblQuillmartMailingList...")),
                             EndsWith("\nData Transfer Successful!\n")));
    EXPECT_THAT(r.err, StartsWith("Run report: The run ended, but the destination does not hold every row read: "
                                  "NOT MATCHED.\n"));
    EXPECT_TRUE(Holds(r.err, "\ntblQuillmartNews +[0-9]+ +[0-9]+ +[0-9.]+  NOT MATCHED\n")) << r.err;
    EXPECT_TRUE(Holds(r.err, "\ntblQuillmartProducts +([0-9]+) +\\1 +[0-9.]+  matched\n")) << r.err;
    json j = ReadReport(report);
    EXPECT_EQ(json({j["outcome"], j["kept"], j["copy"]["verification"]}), json({"succeeded", true, "NOT MATCHED"}));
    for (const auto& table : j["copy"]["tables"]) {
        if (table["table"] == "tblQuillmartNews") {
            EXPECT_EQ(json({table["rowsRead"], table["matched"]}), json({Rows(source, "tblQuillmartNews"), false}));
        }
    }
    json& settings = j["settings"];
    EXPECT_EQ(json({settings["tablesNotCopied"][0], settings["tablesNotCompared"][0], settings["jobsNotRun"][0]}),
              json({"tblQuillmartMailingList", "tblQuillmartConfig", "Add News Placeholders For New Languages"}));
}

// The demo catalogue named bare, from its own folder, with its images copied
// from and to named folders over an old picture.
TEST(CliImport, RehearsalThenImportOfTheDemoCatalogue) {
    const std::string folder = test::TempDir(), uploads = test::TempDir() + "/uploads";
    const std::string report = test::TempDir() + "/import.json";
    fs::copy_file(QDT_DEMO_CATALOGUE "/catalogue.csv", folder + "/catalogue.csv");
    const std::string shop = data::testing::SqliteShop("5.104", true);
    test::WriteFile(uploads + "/images_products/1.png", "the old picture");
    std::vector<std::string> args = {"copy", "--source-kind", "text", "--source-file", "catalogue.csv", "--dest-kind",
                                     "sqlite", "--dest-file", shop, "--copy-images", "--image-folder",
                                     QDT_DEMO_CATALOGUE "/images", "--uploads-folder", uploads, "--report", report};
    const std::string blank = ReadWholeFile(shop);
    args.push_back("--rehearse");
    auto r = RunCli(args, folder);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.out, EndsWith("\nRehearsal: nothing was kept. The destination database and the image folders are "
                                "as they were.\n"));
    EXPECT_TRUE(ReadWholeFile(shop) == blank) << "the rehearsal changed the destination";
    EXPECT_FALSE(fs::exists(shop + "-journal"));
    EXPECT_EQ(test::Files(uploads),
              (std::map<std::string, std::string>{{"images_products/1.png", "the old picture"}}));
    EXPECT_FALSE(fs::exists(uploads + "/images_versions"));
    json rehearsed = ReadReport(report);
    EXPECT_EQ(json({rehearsed["rehearsal"], rehearsed["kept"]}), json({true, false}));
    args.pop_back();
    r = RunCli(args, folder);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_THAT(r.err, HasSubstr("\nCreated: "));
    json import = ReadReport(report)["import"];
    EXPECT_EQ(import, rehearsed["import"]);
    const std::map<std::string, const char*> counts = {
        {"categories", "tblQuillmartProdType"}, {"products", "tblQuillmartProducts"},
        {"versions", "tblQuillmartVersions"},   {"links", "tblQuillmartProductProdTypeLink"},
        {"relatedProducts", "tblQuillmartRelatedProducts"}, {"taxRates", "tblQuillmartTaxRates"}};
    for (const auto& [key, table] : counts) EXPECT_EQ(import[key].get<long>(), Rows(shop, table)) << key;
    EXPECT_EQ(import["imagesCopied"].get<long>(), static_cast<long>(test::Files(uploads).size()));
    EXPECT_EQ(ReadWholeFile(uploads + "/images_products/1.png"),
              ReadWholeFile(QDT_DEMO_CATALOGUE "/images/sencha.png"));
    EXPECT_TRUE(fs::exists(uploads + "/images_versions/1.png"));
    // Nothing went to the defaults, the folders of the two files.
    EXPECT_FALSE(fs::exists(fs::path(shop).parent_path() / "images_products"));
}

// Each catalogue system takes its images from the named folder: the source
// (a SQLite script to build it from, or the file), an image in its images
// folder and where it lands under the uploads folder.
struct ShopCase {
    const char* name;
    const char* kind;
    const char* source;
    const char* image;
    const char* uploaded;
};

const ShopCase kShops[] = {
    {"Vpasp", "sqlite", QDT_VPASP_SCRIPTS_DIR "/sqlite/vpasp-shop.sql", "sencha.gif", "images_products/1.gif"},
    {"Comersus", "sqlite", QDT_COMERSUS_SCRIPTS "/sqlite/comersus-shop.sql", "hats.gif", "images_categories/1.gif"},
    // An Actinic catalogue kept in a SQLite file, given as the Access file.
    {"Actinic", "access", QDT_ACTINIC_FIXTURES "/shop.sqlite", "sencha.png", "images_products/1.png"},
};

class CliShopImport : public ::testing::TestWithParam<ShopCase> {};

TEST_P(CliShopImport, TakesTheImagesFromTheNamedFolder) {
    const ShopCase& c = GetParam();
    std::string source = c.source;
    if (source.ends_with(".sql")) {
        source = test::NewSqliteFile();
        db::Connection conn = test::OpenSqlite(source);
        ASSERT_NO_FATAL_FAILURE(data::testing::RunShopScript(conn, c.source));
    }
    const std::string images = test::TempDir(), uploads = test::TempDir();
    test::WriteFile(images + "/images/" + c.image, "picture");
    auto r = RunCli({"copy", "--source-kind", c.kind, "--source-file", source, "--dest-kind", "sqlite", "--dest-file",
                     data::testing::SqliteShop("5.104", true), "--copy-images", "--image-folder", images,
                     "--uploads-folder", uploads});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(fs::exists(uploads + "/" + c.uploaded)) << r.out;
}

INSTANTIATE_TEST_SUITE_P(Systems, CliShopImport, ::testing::ValuesIn(kShops),
                         [](const auto& info) { return std::string(info.param.name); });

// The database as mariadb-dump writes it, less the next AUTO_INCREMENT values,
// which InnoDB does not give back when an insert is rolled back.
std::string Dump(const test::MySqlServer& server) {
    const std::string out = test::TempDir() + "/dump.sql";
    EXPECT_EQ(Shell("MYSQL_PWD=" + ShellQuote(server.password) + " mariadb-dump" + ClientArgs(server) +
                    " --skip-dump-date --skip-comments " + server.database + " > " + out), 0);
    return std::regex_replace(ReadWholeFile(out), std::regex(" AUTO_INCREMENT=[0-9]+"), "");
}

// A rehearsal into MariaDB leaves the destination's dump as it was, or is
// refused when a table it would write cannot roll back. No password reaches
// the report or the output, from the environment or the command line.
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
        EXPECT_THAT(r.err, HasSubstr(errHolds));
        EXPECT_TRUE(Dump(dest) == before) << "the rehearsal changed the destination";
        const std::string text = ReadWholeFile(report);
        for (std::string shown : {r.out, r.err, text}) {
            for (std::size_t at; (at = shown.find(root)) != std::string::npos;) shown.erase(at, root.size());
            EXPECT_EQ(shown.find(dest.password), std::string::npos) << shown;
        }
        json j = json::parse(text);
        EXPECT_EQ(json({j["rehearsal"], j["kept"], j["destination"]["database"], j["destination"]["user"]}),
                  json({true, false, dest.database, dest.user}));
    };
    setenv("QDT_DEST_PASSWORD", dest.password.c_str(), 1);
    rehearse(0, "Run report: The rehearsal succeeded; nothing was kept.\nTable ");
    unsetenv("QDT_DEST_PASSWORD");
    conn.Execute("ALTER TABLE tblQuillmartNews ENGINE=MyISAM");
    args.insert(args.end(), {"--dest-password", dest.password});
    rehearse(1, "A rehearsal cannot run on this destination");
}

// Text that trips naive script splitters: quotes, backslashes before quotes and
// at the end, comment and separator look-alikes in strings, NUL, CR LF, tab,
// 4-byte UTF-8, a long text, a blob, a quoted name and a view.
const char kSourceSql[] = R"sql(
CREATE TABLE products (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, name VARCHAR(200) NOT NULL, descr TEXT,
  price DECIMAL(10,2), weight DOUBLE, added DATETIME(3), pic BLOB)
  ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COMMENT='The shop''s products; don''t edit';
INSERT INTO products (name, descr, price, weight, added, pic)
SELECT CONCAT('Item ', seq, ' ', ELT(1 + seq % 12,
         'it''s', 'say "hi"', 'C:\\shop\\new\\table', 'ends with \\', 'a \\'' b', 'Taufa\'ahau Tupou IV',
         '# not a comment', '-- nor this', '/* or this */', 'semi;\nGO\n', CONCAT('tab\there', CHAR(0), 'nul'),
         CONCAT('{fn NOW()} ? %s ', CONVERT(UNHEX('F09F9880') USING utf8mb4)))),
       IF(seq % 7 = 0, NULL, REPEAT(CONCAT('line ', seq, ';\r\n'), seq % 40)),
       seq * 1.25, seq / 7, TIMESTAMPADD(MICROSECOND, seq * 1234567, '2024-01-01 00:00:00'),
       UNHEX(CONCAT('00275C0D0A22FF', HEX(seq)))
FROM seq_1_to_300;
CREATE TABLE `shop's notes` (id INT PRIMARY KEY, body LONGTEXT, lang VARCHAR(10)) DEFAULT CHARSET=utf8mb4;
INSERT INTO `shop's notes` VALUES (1, REPEAT('a\'b\\c;\r\n', 30000), 'en'), (2, '', NULL), (3, NULL, 'de'),
  (4, 'x\\', 'fr'), (5, CONCAT('\r\n;\r\nGO\r\n', CHAR(0), '\\0'), 'it');
CREATE VIEW dear_items AS SELECT id, name FROM products WHERE price > 200 AND name LIKE '%''%';
)sql";

// A real mariadb-dump, loaded by the companion's execute-sql, gives the same
// database as the mariadb client loading the same file.
TEST(CliExecuteSql, MariaDbDumpLoadsAsTheMariaDbClientLoadsIt) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    const test::ScratchMySqlDatabase source(server, "dump_source"), client(server, "dump_client"),
        tool(server, "dump_tool");
    // The password reaches the tools through the environment, as users pass it.
    setenv("MYSQL_PWD", server.password.c_str(), 1);
    setenv("QDT_SOURCE_PASSWORD", server.password.c_str(), 1);
    const std::string dir = test::TempDir();
    test::WriteFile(dir + "/source.sql", kSourceSql);
    ASSERT_EQ(Shell("mariadb" + ClientArgs(server) + " " + source.Server().database + " <" + dir + "/source.sql"), 0);
    // Blobs are dumped as hexadecimal: raw bytes are no UTF-8 text. Comment
    // lines of the kind people add by hand come first.
    test::WriteFile(dir + "/dump.sql",
                    "# Nightly dump of the shop's catalogue; don't edit\n-- it's made by mariadb-dump\n");
    ASSERT_EQ(Shell("mariadb-dump" + ClientArgs(server) + " --hex-blob " + source.Server().database + " >>" + dir +
                    "/dump.sql"), 0);
    ASSERT_EQ(Shell("mariadb" + ClientArgs(server) + " " + client.Server().database + " <" + dir + "/dump.sql"), 0);
    const auto r = RunCli({"execute-sql", "--source-kind", "mysql", "--source-server", server.host, "--source-port",
                           std::to_string(server.port), "--source-database", tool.Server().database, "--source-user",
                           server.user, "--script", dir + "/dump.sql"});
    unsetenv("MYSQL_PWD");
    unsetenv("QDT_SOURCE_PASSWORD");
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const std::string loaded = Dump(client.Server());
    EXPECT_TRUE(loaded == Dump(source.Server())) << "the mariadb client loaded another database";
    EXPECT_TRUE(Dump(tool.Server()) == loaded) << "execute-sql loaded another database than the mariadb client";
}

// The log shows the start of a failing huge statement and its length, while
// the server was given all of it (its error names the column at the very end).
// The summary and the report count what ran before it, not blank pieces.
TEST(CliExecuteSql, HugeFailingStatementIsShownCutAndWhatRanIsCounted) {
    const std::string dir = test::TempDir();
    const std::string statement = "INSERT INTO t VALUES ('" + std::string(1 << 20, 'x') + "'), (no_such_column)";
    test::WriteFile(dir + "/big.sql",
                    "CREATE TABLE t (v TEXT);\nINSERT INTO t VALUES ('a');\nGO\n" + statement + ";\n");
    const auto r = RunCli({"execute-sql", "--source-kind", "sqlite", "--source-file", test::NewSqliteFile(),
                           "--script", dir + "/big.sql", "--report", dir + "/report.json"});
    EXPECT_EQ(r.exitCode, 1);
    const std::string shown = statement.substr(0, 4096) + "\n... (statement of " + std::to_string(statement.size()) +
                              " characters, first 4096 shown)";
    EXPECT_NE(r.out.find("Error occurred!\nno such column: no_such_column\n\n" + shown + "\n"), std::string::npos)
        << r.out.substr(0, 300);
    EXPECT_LT(r.out.size(), 6000u);
    EXPECT_THAT(r.err, HasSubstr("\nRan 2 statements in 1 batches.\n"));
    json j = ReadReport(dir + "/report.json");
    EXPECT_FALSE(j["source"].contains("version")) << j["source"];
    EXPECT_EQ(json({j["action"], j["destination"]["kind"], j["script"]["statements"], j["script"]["batches"]}),
              json({"execute-sql", "sql-file", 2, 1}));
}

}  // namespace
}  // namespace qdt::app
