// The companion's run report: the verification and its exit code, the
// rehearsal that keeps nothing, the check alone, and the counts of imports
// and scripts.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <map>
#include <regex>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::app {
namespace {

namespace fs = std::filesystem;
using testing::ReadWholeFile;
using testing::RunCli;

const char kRehearsalLine[] =
    "\nRehearsal: nothing was kept. The destination database and the image folders are as they were.\n";

std::vector<std::string> SqliteCopy(const std::string& source, const std::string& dest,
                                    std::vector<std::string> more = {}) {
    std::vector<std::string> args = {"copy",        "--source-kind", "sqlite", "--source-file", source,
                                     "--dest-kind", "sqlite",        "--dest-file=" + dest};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

nlohmann::json ReadReport(const std::string& path) { return nlohmann::json::parse(ReadWholeFile(path)); }

// Every file under a folder with its bytes: equal snapshots mean an unchanged folder.
std::map<std::string, std::string> Snapshot(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        const std::string name = fs::relative(entry.path(), folder).string();
        files[name] = entry.is_regular_file() ? ReadWholeFile(entry.path().string()) : "<folder>";
    }
    return files;
}

struct VerificationCase {
    const char* name;
    // Run on the destination before the copy.
    const char* trigger;
    int exitCode;
    const char* verification;
    const char* newsLine;  // how the summary shows tblQuillmartNews
};

void PrintTo(const VerificationCase& c, std::ostream* os) { *os << c.name; }

class CliVerification : public ::testing::TestWithParam<VerificationCase> {};

TEST_P(CliVerification, ExitCodeSummaryAndReport) {
    const VerificationCase& c = GetParam();
    const std::string source = data::testing::SqliteShop("4.6", false);
    const std::string dest = data::testing::SqliteShop("5.104", true);
    if (*c.trigger) test::OpenSqlite(dest).Execute(c.trigger);
    const std::string report = test::TempDir() + "/report.json";
    const auto r = RunCli(SqliteCopy(source, dest, {"--report", report}));
    ASSERT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_NE(r.out.find("\nData Transfer Successful!\n"), std::string::npos);
    EXPECT_EQ(r.err.rfind("Run report: ", 0), 0u) << r.err;
    EXPECT_TRUE(std::regex_search(r.err, std::regex(c.newsLine))) << r.err;
    EXPECT_TRUE(std::regex_search(r.err, std::regex("\ntblQuillmartProducts +([0-9]+) +\\1 +[0-9.]+  matched\n"))) << r.err;

    const nlohmann::json json = ReadReport(report);
    EXPECT_EQ(json["outcome"], "succeeded");
    EXPECT_EQ(json["copy"]["verification"], c.verification);
    db::Connection shop = test::OpenSqlite(source);
    const long sourceNews = test::Count(shop, "SELECT COUNT(*) FROM tblQuillmartNews");
    for (const auto& table : json["copy"]["tables"]) {
        if (table["table"] != "tblQuillmartNews") continue;
        EXPECT_EQ(table["rowsRead"], sourceNews);
        EXPECT_EQ(table["matched"], std::string(c.verification) == "matched");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliVerification,
    ::testing::Values(
        VerificationCase{"EveryRowArrives", "", 0, "matched", "\ntblQuillmartNews +([0-9]+) +\\1 +[0-9.]+  matched\n"},
        // The destination silently drops every second news row.
        VerificationCase{"ATriggerDropsRows",
                         "CREATE TRIGGER drop_news AFTER INSERT ON tblQuillmartNews WHEN NEW.rowid % 2 = 0 "
                         "BEGIN DELETE FROM tblQuillmartNews WHERE rowid = NEW.rowid; END",
                         3, "NOT MATCHED", "\ntblQuillmartNews +[0-9]+ +[0-9]+ +[0-9.]+  NOT MATCHED\n"}),
    [](const ::testing::TestParamInfo<VerificationCase>& info) { return std::string(info.param.name); });

// A rehearsal runs everything and keeps nothing: the shop file and the uploads
// folder end byte for byte as they began, for a shop copy and for a catalogue
// import that copies images over old ones.
struct RehearsalCase {
    const char* name;
    bool catalogue;
};

void PrintTo(const RehearsalCase& c, std::ostream* os) { *os << c.name; }

class CliRehearsal : public ::testing::TestWithParam<RehearsalCase> {};

TEST_P(CliRehearsal, LeavesTheShopAndItsImagesAsTheyWere) {
    const std::string dest = data::testing::SqliteShop("5.104", true);
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads + "/images_products");
    std::ofstream(uploads + "/images_products/1.png") << "the old picture";
    std::vector<std::string> args;
    if (GetParam().catalogue) {
        args = {"copy",        "--source-kind", "text",        "--source-file",  QDT_DEMO_CATALOGUE "/catalogue.csv",
                "--dest-kind", "sqlite",        "--dest-file", dest,             "--copy-images",
                "--image-folder", QDT_DEMO_CATALOGUE "/images", "--uploads-folder", uploads};
    } else {
        args = SqliteCopy(data::testing::SqliteShop("4.6", false), dest);
    }
    const std::string report = test::TempDir() + "/rehearsal.json";
    args.insert(args.end(), {"--rehearse", "--report", report});
    const std::string before = ReadWholeFile(dest);
    const auto imagesBefore = Snapshot(uploads);

    const auto r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    ASSERT_GE(r.out.size(), sizeof kRehearsalLine - 1);
    EXPECT_EQ(r.out.substr(r.out.size() - (sizeof kRehearsalLine - 1)), kRehearsalLine) << r.out;
    EXPECT_TRUE(ReadWholeFile(dest) == before) << "the destination file changed";
    EXPECT_EQ(Snapshot(uploads), imagesBefore);
    EXPECT_FALSE(fs::exists(dest + "-journal"));

    const nlohmann::json json = ReadReport(report);
    EXPECT_TRUE(json["rehearsal"].get<bool>());
    EXPECT_FALSE(json["kept"].get<bool>());
    EXPECT_EQ(json["outcome"], "succeeded");
    if (GetParam().catalogue) {
        // The counts of what the import would have created.
        EXPECT_GT(json["import"]["products"].get<long>(), 0);
        EXPECT_GT(json["import"]["imagesCopied"].get<long>(), 0);
    } else {
        EXPECT_EQ(json["copy"]["verification"], "matched");
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, CliRehearsal,
                         ::testing::Values(RehearsalCase{"ShopCopy", false}, RehearsalCase{"CatalogueImport", true}),
                         [](const ::testing::TestParamInfo<RehearsalCase>& info) {
                             return std::string(info.param.name);
                         });

// The counts of an import are those of the rows it created: the destination's
// catalogue tables were emptied first, so they hold exactly those rows.
TEST(CliReport, ImportCountsAreTheRowsCreated) {
    const std::string dest = data::testing::SqliteShop("5.104", true);
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads);
    const std::string report = test::TempDir() + "/import.json";
    const auto r = RunCli({"copy", "--source-kind", "text", "--source-file", QDT_DEMO_CATALOGUE "/catalogue.csv",
                           "--dest-kind", "sqlite", "--dest-file", dest, "--copy-images", "--image-folder",
                           QDT_DEMO_CATALOGUE "/images", "--uploads-folder", uploads, "--report=" + report});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const nlohmann::json import = ReadReport(report)["import"];
    db::Connection shop = test::OpenSqlite(dest);
    const std::pair<const char*, const char*> counts[] = {
        {"categories", "tblQuillmartProdType"},
        {"products", "tblQuillmartProducts"},
        {"versions", "tblQuillmartVersions"},
        {"links", "tblQuillmartProductProdTypeLink"},
        {"relatedProducts", "tblQuillmartRelatedProducts"},
        {"taxRates", "tblQuillmartTaxRates"}};
    for (const auto& [key, table] : counts)
        EXPECT_EQ(import[key].get<long>(), test::Count(shop, std::string("SELECT COUNT(*) FROM ") + table)) << key;
    long files = 0;
    for (const auto& entry : fs::recursive_directory_iterator(uploads)) files += entry.is_regular_file();
    EXPECT_EQ(import["imagesCopied"].get<long>(), files);
    EXPECT_NE(r.err.find("Created: "), std::string::npos) << r.err;
}

// The check alone: its log, exit 0, and nothing run or changed.
struct CheckOnlyCase {
    const char* name;
    bool script;
};

void PrintTo(const CheckOnlyCase& c, std::ostream* os) { *os << c.name; }

class CliCheckOnly : public ::testing::TestWithParam<CheckOnlyCase> {};

TEST_P(CliCheckOnly, RunsTheCheckAlone) {
    const std::string dest = data::testing::SqliteShop("5.104", true);
    const std::string before = ReadWholeFile(dest);
    const std::string report = test::TempDir() + "/check.json";
    std::vector<std::string> args;
    if (GetParam().script) {
        const std::string script = test::TempDir() + "/drop.sql";
        std::ofstream(script) << "DROP TABLE tblQuillmartProducts;\r\n";
        args = {"execute-sql", "--source-kind", "sqlite", "--source-file", dest, "--script", script};
    } else {
        args = SqliteCopy(data::testing::SqliteShop("4.6", false), dest);
    }
    args.insert(args.end(), {"--check-only", "--report", report});
    const auto r = RunCli(args);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out.rfind("Testing SQLite Database source connection... done.\n", 0), 0u) << r.out;
    EXPECT_EQ(r.out.find("Connecting to source database"), std::string::npos) << r.out;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(ReadWholeFile(dest) == before);
    EXPECT_EQ(ReadReport(report)["outcome"], "check-passed");
}

INSTANTIATE_TEST_SUITE_P(Cases, CliCheckOnly,
                         ::testing::Values(CheckOnlyCase{"Copy", false}, CheckOnlyCase{"ExecuteSql", true}),
                         [](const ::testing::TestParamInfo<CheckOnlyCase>& info) {
                             return std::string(info.param.name);
                         });

// Statements and batches as the script runner executed them: blank pieces are not statements.
struct ScriptCase {
    const char* name;
    const char* script;
    long statements;
    long batches;
};

void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

class CliScriptCounts : public ::testing::TestWithParam<ScriptCase> {};

TEST_P(CliScriptCounts, AreReported) {
    const ScriptCase& c = GetParam();
    const std::string db = test::NewSqliteFile();
    const std::string script = test::TempDir() + "/script.sql";
    std::ofstream(script, std::ios::binary) << c.script;
    const std::string report = test::TempDir() + "/script.json";
    const auto r = RunCli({"execute-sql", "--source-kind", "sqlite", "--source-file", db, "--script", script,
                           "--report", report});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const nlohmann::json json = ReadReport(report);
    EXPECT_EQ(json["action"], "execute-sql");
    EXPECT_FALSE(json["source"].contains("version")) << json["source"];
    EXPECT_EQ(json["destination"]["kind"], "sql-file");
    EXPECT_EQ(json["script"]["statements"].get<long>(), c.statements);
    EXPECT_EQ(json["script"]["batches"].get<long>(), c.batches);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CliScriptCounts,
    ::testing::Values(ScriptCase{"OneBatch", "CREATE TABLE a (x INT);\r\nINSERT INTO a VALUES (1);\r\n", 2, 1},
                      ScriptCase{"TwoBatches", "CREATE TABLE a (x INT);\r\nGO\r\nINSERT INTO a VALUES (1)\r\n", 2, 2},
                      ScriptCase{"Empty", "", 0, 0}),
    [](const ::testing::TestParamInfo<ScriptCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::app
