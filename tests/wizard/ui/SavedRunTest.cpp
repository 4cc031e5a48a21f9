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

struct SavedRunCase {
    const char* name;
    bool rehearse;
};

void PrintTo(const SavedRunCase& c, std::ostream* os) { *os << c.name; }

class WizardSavedRun : public ::testing::TestWithParam<SavedRunCase> {};

TEST_P(WizardSavedRun, KeepsBothLogsAsShownAndTheReport) {
    const bool rehearse = GetParam().rehearse;
    fs::remove_all(report::RunsFolder());
    const std::string source = SqliteShop("4.6", false);
    const std::string destination = SqliteShop("5.104", true);
    const std::string before = ReadFile(destination);
    Wizard w;
    w.window->SetRehearsal(rehearse);
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
    EXPECT_EQ(json["rehearsal"].get<bool>(), rehearse);
    EXPECT_EQ(json["kept"].get<bool>(), !rehearse);
    EXPECT_EQ(json["copy"]["verification"], "matched");
    // Named by the run's start, as the report gives it.
    std::string started = json["started"].get<std::string>();
    std::replace(started.begin(), started.end(), ':', '-');
    EXPECT_EQ(runs[0].filename().string(), started);
    EXPECT_EQ(ReadFile(destination) == before, rehearse);
    if (rehearse) {
        EXPECT_THAT(w.Text("txtStep2"), EndsWith("\nRehearsal: nothing was kept. The destination database and the "
                                                  "image folders are as they were."));
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, WizardSavedRun,
                         ::testing::Values(SavedRunCase{"Run", false}, SavedRunCase{"Rehearsal", true}),
                         [](const ::testing::TestParamInfo<SavedRunCase>& info) {
                             return std::string(info.param.name);
                         });

// A password the logs happen to hold (a driver's echo) is masked in the saved copies.
TEST(WizardSavedRunMasking, PasswordsAreMaskedInTheSavedLogs) {
    fs::remove_all(report::RunsFolder());
    QtStatus status;
    run::RunContext ctx(status);
    ctx.destination.Password = "Sekr3t-pw";
    status.AddMessageConnect("Testing connection with Sekr3t-pw... ");
    status.AddMessage("Error occurred!\r\nAccess denied (Sekr3t-pw)");
    report::RunReport record;
    report::BeginReport(record, ctx, false);
    SaveRunQuietly(ctx, record, status);
    const std::vector<fs::path> runs = SavedRuns();
    ASSERT_EQ(runs.size(), 1u);
    for (const char* file : {"check.log", "run.log", "report.json"}) {
        const std::string text = ReadFile(runs[0] / file);
        EXPECT_EQ(text.find("Sekr3t-pw"), std::string::npos) << file << ": " << text;
    }
    EXPECT_EQ(ReadFile(runs[0] / "run.log"), "\nError occurred!\nAccess denied (********)");
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
