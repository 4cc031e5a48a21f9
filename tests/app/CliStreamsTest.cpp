// What the companion and the wizard answer on which stream, with which exit
// code: help on stdout, mistakes and failures on stderr with what failed, in
// "\n" lines; query results as tab-separated text; progress on a terminal.
#include <gtest/gtest.h>

#include <algorithm>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"
#include "support/ShopFaults.h"

namespace qdt::app {
namespace {

using testing::RunCli;

struct StreamCase {
    const char* name;
    // "{source}" and "{dest}" stand for a 4.6 shop and a blank 5.104 shop.
    std::vector<std::string> args;
    int exitCode;
    // Texts that must start stdout and stderr ("" for empty, nullptr for anything).
    const char* outStart;
    const char* errStart;
    // Further texts stderr must hold.
    std::vector<std::string> errHolds{};
    // Makes the copy fail on the second product.
    bool duplicateProducts = false;
    std::string program = QDT_CLI_PATH;
};

std::string CaseName(const ::testing::TestParamInfo<StreamCase>& info) { return info.param.name; }

const char* kSecret = "Sekr3t-pw";

// An empty start asks for an empty text.
void ExpectStart(const std::string& text, const char* start) {
    if (start) {
        EXPECT_EQ(text.substr(0, *start ? std::string(start).size() : std::string::npos), start) << text;
    }
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
    auto r = testing::RunProgram(c.program, args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    ExpectStart(r.out, c.outStart);
    ExpectStart(r.err, c.errStart);
    for (const std::string& text : c.errHolds) EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
    EXPECT_EQ((r.out + r.err).find(kSecret), std::string::npos);
}

std::vector<std::string> Copy(const std::vector<std::string>& more = {}) {
    return testing::SqliteCopy("{source}", "{dest}", more);
}

INSTANTIATE_TEST_SUITE_P(
    Cli, CliStreams,
    ::testing::Values(
        StreamCase{"Help", {"--help"}, 0, "The Quillmart Data Tool's command-line companion", ""},
        StreamCase{"CopyHelp", {"copy", "--help"}, 0,
                   "Check both databases, then copy the source shop (or import the catalogue) into the "
                   "destination\nUsage: quillmart-datatool-cli copy [OPTIONS]",
                   ""},
        StreamCase{"ExecuteSqlHelp", {"execute-sql", "-h"}, 0,
                   "Check the database and the script, then run the script on the database\nUsage: ", ""},
        StreamCase{"Version", {"--version"}, 0, "quillmart-datatool-cli 0.1.0\n", ""},
        StreamCase{"NoCommand", {}, 2, "", "A subcommand is required\n\n", {"Usage: quillmart-datatool-cli"}},
        StreamCase{"UnknownCommand", {"frobnicate"}, 2, "",
                   "Unknown command 'frobnicate': use tables, query, copy or execute-sql."},
        StreamCase{"UnknownKind", {"copy", "--source-kind", "oracle", "--dest-kind=sqlite"}, 2, "",
                   "Unknown database kind 'oracle'", {"Usage: quillmart-datatool-cli copy [OPTIONS]"}},
        StreamCase{"MissingKind", {"copy", "--source-kind", "sqlite"}, 2, "", "--dest-kind is required"},
        StreamCase{"RehearsalOfTheCheckAlone", Copy({"--rehearse", "--check-only"}), 2, "",
                   "--check-only excludes --rehearse"},
        StreamCase{"ScriptMissing", {"execute-sql", "--source-kind", "sqlite"}, 2, "", "--script is required"},
        StreamCase{"ExecuteSqlOnAccess",
                   {"execute-sql", "--source-kind", "access", "--source-file", "{source}", "--script", "{dest}"},
                   2, "", "execute-sql runs a script on a SQL Server, MySQL or SQLite database, not on Access"},
        StreamCase{"SkippingAMissingTable", Copy({"--skip-table", "tblNoSuchTable"}), 2, nullptr,
                   "There is no table to copy 'tblNoSuchTable'"},
        StreamCase{"ImageOptionsOnAShopCopy", Copy({"--copy-images", "--uploads-folder", "/tmp"}), 2, nullptr,
                   "--copy-images, --image-folder and --uploads-folder are for catalogue sources; this source "
                   "was detected as Quillmart."},
        StreamCase{"SameDatabaseTwice", testing::SqliteCopy("{source}", "{source}"), 1,
                   "\nError occurred!\nBoth the source and destination databases are same!",
                   "Error occurred!\nBoth the source and destination databases are same!\nPlease go back and "
                   "ensure that the database details are set up correctly.\n"},
        StreamCase{"UnreachableServerKeepsThePasswordOut",
                   {"copy", "--source-kind", "sqlite", "--source-file", "{source}", "--dest-kind", "mysql",
                    "--dest-server", "127.0.0.1", "--dest-port", "1", "--dest-database", "qdt_none", "--dest-user",
                    "qdt", "--dest-password", kSecret},
                   1, nullptr, "Error occurred!\n", {"127.0.0.1"}},
        StreamCase{"FailedCopy", Copy(), 1, nullptr,
                   "Error occurred!\nUNIQUE constraint failed: tblQuillmartProducts.P_Name1\n\nINSERT INTO "
                   "tblQuillmartProducts (",
                   {"\nThe destination database was left unchanged.\n"}, true},
        StreamCase{"QueryOfAMissingFile", {"query", "Provider=SQLite;Data Source=/nonexistent.sqlite", "SELECT 1"},
                   1, "", nullptr, {"/nonexistent.sqlite"}}),
    CaseName);

#ifdef QDT_WIZARD_PATH
// The wizard's own command line is answered without a display.
StreamCase Wizard(StreamCase c) {
    c.program = QDT_WIZARD_PATH;
    return c;
}

INSTANTIATE_TEST_SUITE_P(
    Wizard, CliStreams,
    ::testing::Values(Wizard({"Help", {"--help"}, 0, "Usage: ", ""}),
                      Wizard({"Version", {"--version"}, 0, "Quillmart Data Tool 0.1.0\n", ""}),
                      Wizard({"UnknownOption", {"--bogus"}, 2, "", "Unknown option 'bogus'."}),
                      Wizard({"NoDisplay", {}, 1, "", "The wizard needs a display"})),
    CaseName);
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
    EXPECT_EQ(r.out,
              "CFG_ID\tCFG_Name\tCFG_Value\tCFG_Price\tCFG_Changed\n"
              "3\t202\t203\t6\t7\n"
              "1\ttab\ta\\tb\t12.5\t2004-03-07 09:05:02\n"
              "2\tlines\tx\\r\\ny\\\\z\tNULL\tNULL\n");
    EXPECT_EQ(r.err, "");
    r = RunCli({"tables", cs});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out.rfind("TABLE_CATALOG\tTABLE_SCHEMA\tTABLE_NAME\tTABLE_TYPE\n", 0), 0u) << r.out;
    EXPECT_NE(r.out.find("NULL\tNULL\ttblQuillmartConfig\tTABLE\n"), std::string::npos) << r.out;
}

// With stderr on a 200-column terminal and stdout elsewhere, the terminal
// sees the table, its rows and the speed, a few times a second.
TEST(CliProgress, ATerminalSeesTheTableItsRowsAndTheSpeed) {
    const std::string source = data::testing::SqliteShop("4.6", false);
    const std::string dest = data::testing::SqliteShop("5.104", true);
    // Enough rows to be still copying after the fifth of a second the speed needs.
    test::AddMailingListRows(source, 149001);
    std::string copy = "stty cols 200; exec " + testing::ShellQuote(QDT_CLI_PATH);
    for (const std::string& a : testing::SqliteCopy(source, dest)) copy += " " + testing::ShellQuote(a);
    const std::string seen = testing::RunProgram("script", {"-qec", copy + " >/dev/null", "/dev/null"}).out;
    EXPECT_NE(seen.find("\rtblQuillmartAffiliateLog: table 1 of 24, "), std::string::npos) << seen;
    EXPECT_NE(seen.find("tblQuillmartMailingList: table 7 of 24, "), std::string::npos) << seen;
    EXPECT_NE(seen.find(" of 149004 rows, "), std::string::npos) << seen;
    EXPECT_NE(seen.find(" rows/s, "), std::string::npos) << seen;
    EXPECT_NE(seen.find(" s left"), std::string::npos) << seen;
    EXPECT_LT(std::count(seen.begin(), seen.end(), '\r'), 200);
    // The line is gone before the summary is written.
    EXPECT_NE(seen.find("\rRun report: The run succeeded."), std::string::npos) << seen;
}

}  // namespace
}  // namespace qdt::app
