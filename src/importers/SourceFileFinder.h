#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace qdt::importers {

// Finds the files a source shop names (images, downloads) on this machine.
// Shops on Windows store paths with "\" and in any letter case, and some
// store whole paths from their own disk, so a name is tried in this order:
// - "\" and "/" both separate folders;
// - each part is taken as written, else the one entry of its folder whose
//   name differs only in letter case (ASCII);
// - a Windows path with a drive letter ("C:\shop\images\a.gif") or a server
//   share is looked up under the source folder by its trailing parts,
//   longest first ("shop/images/a.gif", "images/a.gif", "a.gif");
// - a relative path needs a source folder; an absolute path of this machine
//   is taken as it is only when there is none.
class SourceFileFinder {
public:
    explicit SourceFileFinder(const std::string& sourceFolder);

    // The regular file the stored path names, or nullopt when none is found.
    std::optional<std::filesystem::path> Find(const std::string& storedPath);

private:
    std::optional<std::filesystem::path> Walk(std::filesystem::path base, const std::vector<std::string>& parts,
                                              std::size_t first);
    std::optional<std::string> EntryIgnoringCase(const std::filesystem::path& folder, const std::string& name);

    std::filesystem::path folder_;
    bool hasFolder_;
    // Folder -> lower-case entry name -> entry name, read once per folder.
    std::unordered_map<std::string, std::unordered_map<std::string, std::string>> listings_;
};

// The parts of a path between "\" and "/" separators, without empty and "." parts.
std::vector<std::string> PathParts(const std::string& path);

// A folder as this machine names it: as typed when it exists so, else with
// "\" read as a separator ("/srv/shop\images" typed the Windows way).
std::filesystem::path LocalFolder(const std::string& folder);

// The extension a copied file keeps: what follows the last "." of the stored
// path's file name, or the whole file name when it has no ".".
std::string SourceExtension(const std::string& storedPath);

}  // namespace qdt::importers
