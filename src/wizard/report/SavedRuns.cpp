#include "wizard/report/SavedRuns.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <vector>

namespace qdt::wizard::report {

namespace {

namespace fs = std::filesystem;

bool IsRunFolderName(const std::string& name) {
    static const std::regex pattern(R"(\d{4}-\d\d-\d\dT\d\d-\d\d-\d\d\.\d{3}Z(-\d+)?)");
    return std::regex_match(name, pattern);
}

std::string UnixLines(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    return out;
}

void Write(const fs::path& path, const std::string& text) {
    std::ofstream out(path, std::ios::binary);
    out << text;
    out.close();
    if (!out)
        throw fs::filesystem_error("The run could not be saved", path,
                                   std::make_error_code(std::errc::io_error));
}

}  // namespace

fs::path RunsFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    fs::path base;
    if (state && *state) base = state;
    else if (const char* home = std::getenv("HOME"); home && *home) base = fs::path(home) / ".local" / "state";
    else base = fs::temp_directory_path();
    return base / "quillmart-datatool" / "runs";
}

std::string RunFolderName(Clock::time_point started) {
    std::string name = IsoTime(started);
    std::replace(name.begin(), name.end(), ':', '-');
    return name;
}

fs::path SaveRun(const fs::path& runsFolder, const RunReport& report, const std::string& checkLog,
                 const std::string& runLog, std::size_t keep) {
    fs::create_directories(runsFolder);
    const std::string name = RunFolderName(report.started);
    fs::path folder = runsFolder / name;
    // Two runs begun in the same millisecond keep both.
    for (int n = 2; !fs::create_directory(folder); ++n) folder = runsFolder / (name + "-" + std::to_string(n));
    Write(folder / "check.log", UnixLines(checkLog));
    Write(folder / "run.log", UnixLines(runLog));
    Write(folder / "report.json", ToJson(report));
    PruneRuns(runsFolder, keep);
    return folder;
}

void PruneRuns(const fs::path& runsFolder, std::size_t keep) {
    std::vector<std::string> runs;
    std::error_code ec;
    for (const fs::directory_entry& entry : fs::directory_iterator(runsFolder, ec)) {
        const std::string name = entry.path().filename().string();
        if (entry.is_directory(ec) && IsRunFolderName(name)) runs.push_back(name);
    }
    if (runs.size() <= keep) return;
    // "...Z" sorts before "...Z-2", its twin of the same millisecond.
    std::sort(runs.begin(), runs.end());
    for (std::size_t i = 0; i + keep < runs.size(); ++i) fs::remove_all(runsFolder / runs[i], ec);
}

}  // namespace qdt::wizard::report
