// What the companion answers on which stream, with which exit code: help on
// stdout, mistakes and failures on stderr with what failed, in "\n" lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"
#include "db/Connection.h"

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
    if (c.duplicateProducts) {
        db::Connection s, d;
        s.Open("Provider=SQLite;Data Source=" + source);
        s.Execute("UPDATE tblQuillmartProducts SET P_Name = 'Same'");
        d.Open("Provider=SQLite;Data Source=" + dest);
        d.Execute("CREATE UNIQUE INDEX one_name ON tblQuillmartProducts (P_Name1)");
    }
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
    // Nothing but what was asked for: no progress when stderr is not a terminal.
    if (c.exitCode == 0) {
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
        StreamCase{"Help", {"--help"}, 0, "Usage:\n  quillmart-datatool-cli tables", ""},
        StreamCase{"CopyHelp", {"copy", "--help"}, 0, "Usage:\n  quillmart-datatool-cli copy", ""},
        StreamCase{"ExecuteSqlHelp", {"execute-sql", "--help"}, 0, "Usage:\n  quillmart-datatool-cli copy", ""},
        StreamCase{"Version", {"--version"}, 0, "quillmart-datatool-cli ", ""},
        StreamCase{"NoCommand", {}, 2, "", "Usage:"},
        StreamCase{"UnknownCommand", {"frobnicate"}, 2, "", "Usage:"},
        StreamCase{"UnknownKind", {"copy", "--source-kind", "oracle"}, 2, "", "Unknown database kind 'oracle'"},
        StreamCase{"UnknownOption", Copy({"--frob"}), 2, "", "Unknown option '--frob'."},
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
        StreamCase{"SuccessfulCopy", kCopy, 0, "Testing SQLite Database source connection... done.\n", ""}),
    [](const ::testing::TestParamInfo<StreamCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::app
