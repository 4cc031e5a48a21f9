#pragma once

#include <QDialog>
#include <optional>
#include <string>
#include <vector>

#include "data/ConversionSettings.h"
#include "wizard/ui/CatalogueFrame.h"

class QGroupBox;
class QListWidget;
class QPushButton;

namespace qdt::wizard::ui {

// "Customize Conversion Procedure": which tables are copied and compared and
// which setup jobs run for a Quillmart source, or whether and where image
// files are copied for a catalogue source. Shows the settings when built;
// writes them back only on OK.
class FrmTables : public QDialog {
    Q_OBJECT

public:
    FrmTables(QWidget* parent, data::ConversionSettings& settings, const std::string& systemName);

    // Places the dialog over the main window (400 twips right and down) and
    // shows it modally; returns QDialog::Accepted after OK, Rejected otherwise.
    int ShowModal();

    // OK is enabled unless copying images is ticked and one of the two
    // folders does not exist.
    void CheckSettingsValid();

private:
    void BuildHeader();
    void BuildQuillmartFrame();
    void BuildButtons();
    void ShowFrameFor(const std::string& systemName);
    void LoadSettings();
    void ConnectCatalogueFrame(CatalogueFrame& frame);
    void OnCopyImagesChanged(const CatalogueFrame& frame);
    void Browse(QLineEdit* box, const char* title);
    void SaveSettings();
    CatalogueFrame* ShownCatalogueFrame();

    data::ConversionSettings& settings_;
    std::string systemName_;
    QGroupBox* frQuillmart_ = nullptr;
    QListWidget* litCopy_ = nullptr;
    QListWidget* litCompare_ = nullptr;
    QListWidget* litJob_ = nullptr;
    std::vector<CatalogueFrame> catalogueFrames_;
    QPushButton* cmdOK_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
};

}  // namespace qdt::wizard::ui
