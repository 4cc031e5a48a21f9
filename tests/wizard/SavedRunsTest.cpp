// The wizard's saved runs: one folder per run named by its start, the oldest
// beyond the last ones kept removed, nothing else in the folder touched.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/TestEnv.h"
#include "wizard/report/SavedRuns.h"

namespace qdt::wizard::report {
namespace {

namespace fs = std::filesystem;

Clock::time_point At(int second) { return Clock::time_point(std::chrono::seconds(1796000000 + second)); }

TEST(SavedRuns, PruningKeepsTheNewestAndLeavesOtherFilesAlone) {
    struct Case {
        int runsBefore;  // saved a second apart, before the new one
        std::size_t keep, runsAfter;
    };
    const Case cases[] = {{0, 50, 1}, {48, 50, 49}, {49, 50, 50}, {50, 50, 50}, {60, 50, 50}, {5, 2, 2}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.runsBefore) + " runs, keeping " + std::to_string(c.keep));
        const fs::path root = test::TempDir() + "/runs";
        fs::create_directories(root / "notes");
        std::ofstream(root / "README.txt") << "mine";
        for (int i = 0; i < c.runsBefore; ++i) fs::create_directories(root / RunFolderName(At(i)));

        RunReport report;
        report.started = At(c.runsBefore);
        const fs::path saved = SaveRun(root, report, "check\r\nlog", "\r\nrun", c.keep);

        std::vector<std::string> runs;
        for (const auto& entry : fs::directory_iterator(root))
            if (entry.path().filename().string().rfind("20", 0) == 0) runs.push_back(entry.path().filename().string());
        std::sort(runs.begin(), runs.end());
        ASSERT_EQ(runs.size(), c.runsAfter);
        EXPECT_EQ(runs.back(), saved.filename().string());
        // The oldest went first.
        EXPECT_EQ(runs.front(), RunFolderName(At(c.runsBefore + 1 - static_cast<int>(c.runsAfter))));
        EXPECT_TRUE(fs::exists(root / "notes"));
        EXPECT_TRUE(fs::exists(root / "README.txt"));
        std::ifstream check(saved / "check.log");
        EXPECT_EQ(std::string(std::istreambuf_iterator<char>(check), {}), "check\nlog");
        EXPECT_TRUE(fs::exists(saved / "report.json"));
    }
}

TEST(SavedRuns, TwoRunsOfTheSameMomentKeepBoth) {
    const fs::path root = test::TempDir() + "/twins";
    RunReport report;
    report.started = At(7);
    const fs::path first = SaveRun(root, report, "", "");
    const fs::path second = SaveRun(root, report, "", "");
    EXPECT_NE(first, second);
    EXPECT_TRUE(fs::exists(first / "run.log"));
    EXPECT_TRUE(fs::exists(second / "run.log"));
}

}  // namespace
}  // namespace qdt::wizard::report
