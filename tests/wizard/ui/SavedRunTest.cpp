// Every run of the window is saved with its two logs, as shown, and its
// report; a wizard started to rehearse keeps nothing of its Data Copy.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "WizardHarness.h"
#include "wizard/report/SavedRuns.h"
#include "wizard/ui/RunSaving.h"

namespace qdt::wizard::ui::testing {
namespace {

namespace fs = std::filesystem;
using ::testing::EndsWith;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The run folders saved so far, oldest first.
std::vector<fs::path> SavedRuns() {
    std::vector<fs::path> runs;
    if (!fs::exists(report::RunsFolder())) return runs;
    for (const auto& entry : fs::directory_iterator(report::RunsFolder())) runs.push_back(entry.path());
    std::sort(runs.begin(), runs.end());
    return runs;
}

// A rehearsal is saved as a run: its logs as shown, and its report.
TEST(WizardSavedRun, KeepsBothLogsAsShownAndTheReportOfARehearsal) {
    fs::remove_all(report::RunsFolder());
    const std::string source = SqliteShop("4.6", false);
    const std::string destination = SqliteShop("5.104", true);
    const std::string before = ReadFile(destination);
    Wizard w;
    w.window->SetRehearsal(true);
    w.EnterSqliteFiles(source, destination);
    ASSERT_TRUE(w.WaitForWork());
    // The check alone is not a run.
    EXPECT_TRUE(SavedRuns().empty());
    w.Next();
    ASSERT_TRUE(w.WaitForWork());

    const std::vector<fs::path> runs = SavedRuns();
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(ReadFile(runs[0] / "check.log"), w.Text("txtConnect"));
    EXPECT_EQ(ReadFile(runs[0] / "run.log"), w.Text("txtStep2"));
    const nlohmann::json json = nlohmann::json::parse(ReadFile(runs[0] / "report.json"));
    EXPECT_EQ(json["rehearsal"].get<bool>(), true);
    EXPECT_EQ(json["kept"].get<bool>(), false);
    EXPECT_EQ(json["copy"]["verification"], "matched");
    // Named by the run's start, as the report gives it.
    std::string started = json["started"].get<std::string>();
    std::replace(started.begin(), started.end(), ':', '-');
    EXPECT_EQ(runs[0].filename().string(), started);
    EXPECT_EQ(ReadFile(destination), before);
    EXPECT_THAT(w.Text("txtStep2"), EndsWith("\nRehearsal: nothing was kept. The destination database and the "
                                              "image folders are as they were."));
}

// A password the logs or the failure happen to hold (a driver's echo) is
// masked in the saved copies, for both sides.
TEST(WizardSavedRunMasking, PasswordsAreMaskedInTheSavedLogsAndReport) {
    fs::remove_all(report::RunsFolder());
    QtStatus status;
    run::RunContext ctx(status);
    ctx.source.Password = "src-Secret1";
    ctx.destination.Password = "Sekr3t-pw";
    ctx.destination.Kind = data::kMySql;
    ctx.strWarnings = "- a warning naming Sekr3t-pw\r\n";
    status.AddMessageConnect("Testing connection with Sekr3t-pw... ");
    status.AddMessage("Error occurred!\r\nAccess denied (Sekr3t-pw)");
    StepOutcome outcome;
    outcome.error = "Login failed with 'src-Secret1' and Sekr3t-pw";
    outcome.failedStatement = "SET PASSWORD = 'Sekr3t-pw'";
    report::RunReport record;
    report::BeginReport(record, ctx, false);
    report::EndReport(record, ctx, outcome);
    SaveRunQuietly(ctx, record, status);
    const std::vector<fs::path> runs = SavedRuns();
    ASSERT_EQ(runs.size(), 1u);
    for (const char* file : {"check.log", "run.log", "report.json"}) {
        const std::string text = ReadFile(runs[0] / file);
        for (const char* secret : {"src-Secret1", "Sekr3t-pw"})
            EXPECT_EQ(text.find(secret), std::string::npos) << file << ": " << text;
    }
    EXPECT_EQ(ReadFile(runs[0] / "run.log"), "\nError occurred!\nAccess denied (********)");
    const std::string json = ReadFile(runs[0] / "report.json");
    EXPECT_NE(json.find("Login failed with '********' and ********"), std::string::npos) << json;
    EXPECT_NE(json.find("\"outcome\": \"failed\""), std::string::npos) << json;
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
