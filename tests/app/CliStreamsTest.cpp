// What the companion answers on which stream, with which exit code: help on
// stdout, mistakes and failures on stderr with what failed, in "\n" lines.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>

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
};

void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }

const char* kSecret = "Sekr3t-pw";

class CliStreams : public ::testing::TestWithParam<StreamCase> {};

TEST_P(CliStreams, ExitCodeAndStreams) {
    const StreamCase& c = GetParam();
    // Shops are made only for the cases that name them: making one takes a while.
    const bool shops = std::find(c.args.begin(), c.args.end(), "{source}") != c.args.end();
    const std::string source = shops ? data::testing::SqliteShop("4.6", false) : "";
    const std::string dest = shops ? data::testing::SqliteShop("5.104", true) : "";
    if (c.duplicateProducts) test::MakeProductNamesClash(source, dest);
    std::vector<std::string> args = c.args;
    for (std::string& a : args) {
        if (a == "{source}") a = source;
        if (a == "{dest}") a = dest;
    }
    auto r = RunCli(args);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    if (c.outStart) {
        EXPECT_EQ(r.out.substr(0, std::string(c.outStart).size()), c.outStart) << r.out;
    }
    if (c.errStart) {
        EXPECT_EQ(r.err.substr(0, std::string(c.errStart).size()), c.errStart) << r.err;
    }
    for (const std::string& text : c.errHolds) EXPECT_NE(r.err.find(text), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find('\r'), std::string::npos) << r.err;
    EXPECT_EQ(r.out.find(kSecret), std::string::npos);
    EXPECT_EQ(r.err.find(kSecret), std::string::npos);
    // Nothing but what was asked for: no progress when stderr is not a terminal,
    // and after a run only its summary.
    if (c.exitCode == 0 && c.errStart && !*c.errStart) {
        EXPECT_EQ(r.err, "");
    }
}

const std::vector<std::string> kCopy = {"copy", "--source-kind", "sqlite", "--source-file", "{source}",
                                        "--dest-kind", "sqlite", "--dest-file", "{dest}"};

std::vector<std::string> Copy(std::vector<std::string> more) {
    std::vector<std::string> args = kCopy;
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliStreams,
    ::testing::Values(
        StreamCase{"Help", {"--help"}, 0, "The Quillmart Data Tool's command-line companion", ""},
        StreamCase{"CopyHelp", {"copy", "--help"}, 0,
                   "Check both databases, then copy the source shop (or import the catalogue) into the "
                   "destination\nUsage: quillmart-datatool-cli copy [OPTIONS]",
                   ""},
        StreamCase{"ExecuteSqlHelp", {"execute-sql", "-h"}, 0,
                   "Check the database and the script, then run the script on the database\nUsage: "
                   "quillmart-datatool-cli execute-sql [OPTIONS]",
                   ""},
        StreamCase{"Version", {"--version"}, 0, "quillmart-datatool-cli ", ""},
        StreamCase{"NoCommand", {}, 2, "", "A subcommand is required\n\n", {"Usage: quillmart-datatool-cli"}},
        StreamCase{"UnknownCommand", {"frobnicate"}, 2, "", "Unknown command 'frobnicate': use tables, query, copy or execute-sql."},
        StreamCase{"UnknownKind", {"copy", "--source-kind", "oracle", "--dest-kind=sqlite"}, 2, "",
                   "Unknown database kind 'oracle'", {"Usage: quillmart-datatool-cli copy [OPTIONS]"}},
        StreamCase{"MissingKind", {"copy", "--source-kind", "sqlite"}, 2, "", "--dest-kind is required"},
        StreamCase{"UnknownOption", Copy({"--frob"}), 2, "", "The following argument was not expected: --frob"},
        StreamCase{"RehearsalOfTheCheckAlone", Copy({"--rehearse", "--check-only"}), 2, "",
                   "--check-only excludes --rehearse"},
        StreamCase{"ScriptMissing", {"execute-sql", "--source-kind", "sqlite"}, 2, "", "--script is required"},
        StreamCase{"ExecuteSqlOnAccess",
                   {"execute-sql", "--source-kind", "access", "--source-file", "{source}", "--script", "{dest}"},
                   2, "", "execute-sql runs a script on a SQL Server, MySQL or SQLite database, not on Access"},
        StreamCase{"ExecuteSqlOnExcel",
                   {"execute-sql", "--source-kind", "excel", "--source-file", "{source}", "--script", "{dest}"},
                   2, "", "execute-sql runs a script on a SQL Server, MySQL or SQLite database, not on Excel"},
        StreamCase{"ExecuteSqlOnText",
                   {"execute-sql", "--source-kind", "text", "--source-file", "{source}", "--script", "{dest}"},
                   2, "", "execute-sql runs a script on a SQL Server, MySQL or SQLite database, not on Text"},
        StreamCase{"SkippingAMissingTable", Copy({"--skip-table", "tblNoSuchTable"}), 2, nullptr,
                   "There is no table to copy 'tblNoSuchTable'"},
        StreamCase{"ImageOptionsOnAShopCopy", Copy({"--copy-images", "--uploads-folder", "/tmp"}), 2, nullptr,
                   "--copy-images, --image-folder and --uploads-folder are for catalogue sources; this source "
                   "was detected as Quillmart."},
        StreamCase{"ImageFolderWithoutAValue", Copy({"--image-folder"}), 2, "",
                   "--image-folder: 1 required DIR missing"},
        StreamCase{"SameDatabaseTwice",
                   {"copy", "--source-kind", "sqlite", "--source-file", "{source}", "--dest-kind", "sqlite",
                    "--dest-file", "{source}"},
                   1, "\nError occurred!\nBoth the source and destination databases are same!",
                   "Error occurred!\nBoth the source and destination databases are same!\nPlease go back and "
                   "ensure that the database details are set up correctly.\n"},
        StreamCase{"UnreachableServerKeepsThePasswordOut",
                   {"copy", "--source-kind", "sqlite", "--source-file", "{source}", "--dest-kind", "mysql",
                    "--dest-server", "127.0.0.1", "--dest-port", "1", "--dest-database", "qdt_none", "--dest-user",
                    "qdt", "--dest-password", kSecret},
                   1, nullptr, "Error occurred!\n", {"127.0.0.1"}},
        StreamCase{"FailedCopy",
                   kCopy,
                   1,
                   nullptr,
                   "Error occurred!\nUNIQUE constraint failed: tblQuillmartProducts.P_Name1\n\nINSERT INTO "
                   "tblQuillmartProducts (",
                   {"\nThe destination database was left unchanged.\n"},
                   true},
        StreamCase{"SuccessfulCopy", kCopy, 0, "Testing SQLite Database source connection... done.\n",
                   "Run report: The run succeeded.\nTable "}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

// Runs the companion with stderr on a terminal and stdout on /dev/null;
// returns what the terminal received.
std::string RunOnTerminal(const std::vector<std::string>& args) {
    int master = -1, slave = -1;
    winsize size{};
    size.ws_col = 200;
    size.ws_row = 40;
    if (openpty(&master, &slave, nullptr, nullptr, &size) != 0) return "openpty failed";
    std::vector<char*> argv{const_cast<char*>(QDT_CLI_PATH)};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const pid_t child = fork();
    if (child == 0) {
        dup2(slave, 2);
        const int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        execv(argv[0], argv.data());
        _exit(127);
    }
    close(slave);
    std::string seen;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0;) seen.append(buffer, static_cast<std::size_t>(n));
    close(master);
    int status = 0;
    waitpid(child, &status, 0);
    return seen;
}

TEST(CliProgress, ATerminalSeesTheTableItsRowsAndTheSpeed) {
    const std::string source = data::testing::SqliteShop("4.6", false);
    const std::string dest = data::testing::SqliteShop("5.104", true);
    // Enough rows to be still copying after the fifth of a second the speed needs.
    test::AddMailingListRows(source, 149001);
    const std::string seen = RunOnTerminal({"copy", "--source-kind", "sqlite", "--source-file", source, "--dest-kind",
                                            "sqlite", "--dest-file", dest});
    EXPECT_NE(seen.find("\rtblQuillmartAffiliateLog: table 1 of 24, "), std::string::npos) << seen;
    EXPECT_NE(seen.find("tblQuillmartMailingList: table 7 of 24, "), std::string::npos) << seen;
    EXPECT_NE(seen.find(" of 149004 rows, "), std::string::npos) << seen;
    EXPECT_NE(seen.find(" rows/s, "), std::string::npos) << seen;
    EXPECT_NE(seen.find(" s left"), std::string::npos) << seen;
    // A few updates a second, not one per row; and the line is gone at the end.
    EXPECT_LT(std::count(seen.begin(), seen.end(), '\r'), 200);
    // The line is gone before the summary is written.
    EXPECT_NE(seen.find("\rRun report: The run succeeded."), std::string::npos) << seen;
}

}  // namespace
}  // namespace qdt::app
