#include "importers/SourceFileFinder.h"

#include <algorithm>
#include <cctype>
#include <system_error>
#include <vector>

namespace qdt::importers {

namespace fs = std::filesystem;

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

}  // namespace

std::vector<std::string> PathParts(const std::string& path) {
    std::vector<std::string> parts;
    std::string part;
    for (char c : path) {
        if (IsSeparator(c)) {
            if (!part.empty() && part != ".") parts.push_back(part);
            part.clear();
        } else {
            part += c;
        }
    }
    if (!part.empty() && part != ".") parts.push_back(part);
    return parts;
}

namespace {

std::string Lower(std::string text) {
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool HasDrive(const std::string& path) {
    return path.size() >= 2 && std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':';
}

bool IsShare(const std::string& path) { return path.size() >= 2 && path[0] == '\\' && path[1] == '\\'; }

bool Exists(const fs::path& path) {
    std::error_code error;
    return fs::exists(fs::symlink_status(path, error));
}

}  // namespace

fs::path LocalFolder(const std::string& folder) {
    std::error_code error;
    if (fs::is_directory(folder, error) || folder.find('\\') == std::string::npos) return folder;
    std::string local = folder;
    std::replace(local.begin(), local.end(), '\\', '/');
    return local;
}

SourceFileFinder::SourceFileFinder(const std::string& sourceFolder)
    : folder_(sourceFolder.empty() ? fs::path() : LocalFolder(sourceFolder)), hasFolder_(!sourceFolder.empty()) {}

std::optional<fs::path> SourceFileFinder::Find(const std::string& storedPath) {
    const std::vector<std::string> parts = PathParts(storedPath);
    if (parts.empty()) return std::nullopt;
    if (HasDrive(storedPath) || IsShare(storedPath)) {
        if (!hasFolder_) return std::nullopt;
        // The drive ("C:") is not part of any path here.
        const std::size_t from = HasDrive(storedPath) ? 1 : 0;
        for (std::size_t first = from; first < parts.size(); ++first)
            if (auto found = Walk(folder_, parts, first)) return found;
        return std::nullopt;
    }
    if (!hasFolder_) {
        if (storedPath.front() != '/') return std::nullopt;
        return Walk("/", parts, 0);
    }
    return Walk(folder_, parts, 0);
}

std::optional<fs::path> SourceFileFinder::Walk(fs::path base, const std::vector<std::string>& parts,
                                               std::size_t first) {
    for (std::size_t i = first; i < parts.size(); ++i) {
        if (parts[i] == ".." || Exists(base / parts[i])) {
            base /= parts[i];
            continue;
        }
        auto entry = EntryIgnoringCase(base, parts[i]);
        if (!entry) return std::nullopt;
        base /= *entry;
    }
    std::error_code error;
    if (!fs::is_regular_file(base, error)) return std::nullopt;
    return base;
}

std::optional<std::string> SourceFileFinder::EntryIgnoringCase(const fs::path& folder, const std::string& name) {
    auto [listing, added] = listings_.try_emplace(folder.string());
    if (added) {
        std::error_code error;
        std::vector<std::string> names;
        for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
            names.push_back(it->path().filename().string());
        // Two names differing only in case: the same one wins every time.
        std::sort(names.begin(), names.end());
        for (const std::string& entry : names) listing->second.try_emplace(Lower(entry), entry);
    }
    auto found = listing->second.find(Lower(name));
    if (found == listing->second.end()) return std::nullopt;
    return found->second;
}

std::string SourceExtension(const std::string& storedPath) {
    const std::vector<std::string> parts = PathParts(storedPath);
    const std::string name = parts.empty() ? storedPath : parts.back();
    const std::size_t dot = name.rfind('.');
    return dot == std::string::npos ? name : name.substr(dot + 1);
}

}  // namespace qdt::importers
