#pragma once

#include <functional>
#include <string>

class QWidget;

namespace qdt::wizard::ui {

// Browse flags the dialog passes: an edit box for typing a path, new dialog style.
inline constexpr unsigned kBrowseEditBox = 0x10;
inline constexpr unsigned kBrowseNewDialogStyle = 0x40;

// Asks the user for a folder, starting at `startFolder` (may be empty). Returns
// the chosen folder as the dialog gives it, or empty text when the user
// cancelled or typed a folder that does not exist (the latter after saying
// "Directory doesn't exist!").
std::string BrowseForFolder(QWidget* owner, const std::string& title, const std::string& startFolder,
                            unsigned flags);

// Stands in for the folder dialog while set (tests, scripted runs); an empty
// function restores the real dialog.
using FolderBrowser =
    std::function<std::string(QWidget* owner, const std::string& title, const std::string& startFolder, unsigned flags)>;
void SetFolderBrowser(FolderBrowser browser);

}  // namespace qdt::wizard::ui
