#pragma once

#include <cstddef>
#include <filesystem>
#include <string>

#include "wizard/report/RunReport.h"

namespace qdt::wizard::report {

inline constexpr std::size_t kRunsKept = 50;

// Where the wizard keeps its runs: $XDG_STATE_HOME/quillmart-datatool/runs,
// or ~/.local/state/quillmart-datatool/runs when that is not set.
std::filesystem::path RunsFolder();

// A run's folder name, from its start: 2026-12-06T13-40-42.123Z (UTC), so
// that names sort as the runs began.
std::string RunFolderName(Clock::time_point started);

// Saves one run in a folder of its own under runsFolder: check.log and
// run.log (the logs as shown, "\n" line ends, passwords masked; the caller
// masks) and report.json; then removes the oldest runs beyond keep. Returns
// the new folder. Throws std::filesystem::filesystem_error on a write failure.
std::filesystem::path SaveRun(const std::filesystem::path& runsFolder, const RunReport& report,
                              const std::string& checkLog, const std::string& runLog, std::size_t keep = kRunsKept);

// Removes the oldest run folders beyond the newest keep; folders and files
// that are not runs are left alone.
void PruneRuns(const std::filesystem::path& runsFolder, std::size_t keep);

}  // namespace qdt::wizard::report
