#include "importers/PathExistence.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace qdt::importers {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

// Without its final separators; a path made only of separators is the root.
std::string WithoutFinalSeparators(const std::string& path) {
    std::size_t end = path.size();
    while (end > 0 && IsSeparator(path[end - 1])) --end;
    if (end == 0) return path.empty() ? std::string() : std::string("/");
    return path.substr(0, end);
}

std::string WithForwardSlashes(std::string path) {
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// A dangling link is still an entry, as the shop's own file search would find it.
bool EntryExists(const std::string& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

bool IsFolder(const std::string& path) {
    std::error_code error;
    return fs::is_directory(path, error);
}

}  // namespace

bool FolderExists(const std::string& folder) {
    const std::string trimmed = WithoutFinalSeparators(folder);
    if (trimmed.empty()) return false;
    if (IsFolder(trimmed)) return true;
    // "C:\shop\" or "/srv/up\images_products\": try it with "\" as a separator.
    if (trimmed.find('\\') == std::string::npos) return false;
    return IsFolder(WithoutFinalSeparators(WithForwardSlashes(trimmed)));
}

bool FileExists(const std::string& path) {
    if (path.empty()) return false;
    if (EntryExists(path)) return true;
    if (path.find('\\') == std::string::npos) return false;
    return EntryExists(WithForwardSlashes(path));
}

}  // namespace qdt::importers
