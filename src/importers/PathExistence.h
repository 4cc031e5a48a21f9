#pragma once

#include <string>

namespace qdt::importers {

// True when `folder` names an existing folder. A final separator ("\" or "/")
// is optional; "\" counts as a separator wherever the path does not exist as
// written, since paths typed on or stored by Windows shops use it.
bool FolderExists(const std::string& folder);

// True when `path` names an existing entry of any kind (a folder counts too).
bool FileExists(const std::string& path);

}  // namespace qdt::importers
