#pragma once

#include <array>

#include "data/ConversionSettings.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace qdt::wizard::ui {

// The fixed texts of one catalogue system's frame in the settings dialog.
struct CatalogueFrameText {
    data::ImageSystem index;
    const char* systemName;  // the detected source system
    const char* namePart;    // the middle of the control names: chkVPASPCopyImages
    const char* frameName;
    const char* caption;
    const char* checkCaption;
    const char* sourceLabel;
    const char* sourceBrowseTitle;
};

inline constexpr const char* kDestinLabel = "Destination (Quillmart Uploads Folder):";
inline constexpr const char* kDestinBrowseTitle = "Browse For Quillmart Uploads Directory";

// In the order the frames are laid out: VPASP, Actinic, Comersus, flat file.
const std::array<CatalogueFrameText, 4>& CatalogueFrameTexts();

// The controls of one catalogue frame: the copy check box, and for each of
// the two folders a label, a box and a browse button.
struct CatalogueFrame {
    const CatalogueFrameText* text = nullptr;
    QGroupBox* frame = nullptr;
    QCheckBox* chkCopyImages = nullptr;
    QLabel* lblSourceDir = nullptr;
    QLineEdit* txtSourceDir = nullptr;
    QPushButton* cmdSourceBrowse = nullptr;
    QLabel* lblDestinDir = nullptr;
    QLineEdit* txtDestinDir = nullptr;
    QPushButton* cmdDestinBrowse = nullptr;

    // The folder controls follow the check box.
    void EnableFolders(bool enabled) const;
};

// Builds the frame with its controls named after the system.
CatalogueFrame BuildCatalogueFrame(const CatalogueFrameText& text, QWidget* parent);

}  // namespace qdt::wizard::ui
