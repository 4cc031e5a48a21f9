#include "wizard/ui/CatalogueFrame.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QString>

namespace qdt::wizard::ui {

const std::array<CatalogueFrameText, 4>& CatalogueFrameTexts() {
    static const std::array<CatalogueFrameText, 4> texts{{
        {data::kImagesVpasp, "VPASP", "VPASP", "frVPASP", "VPASP to Quillmart Conversion Settings",
         "Copy Images from VPASP to Quillmart", "Source (VPASP Folder):", "Browse For VPASP Images Directory"},
        {data::kImagesActinic, "Actinic", "Actinic", "frActinic", "Actinic to Quillmart Conversion Settings",
         "Copy Images from Actinic to Quillmart", "Source Actinic Store Folder):",
         "Browse For Actinic Images Directory"},
        {data::kImagesComersus, "Comersus", "Comersus", "frComersus", "Comercsus to Quillmart Conversion Settings",
         "Copy Images from Comersus to Quillmart", "Source (Comersus Store Folder):",
         "Browse For Comersus Images Directory"},
        {data::kImagesFlatFile, "Flat File", "FlatFile", "frExcel",
         "Excel / Text File To Quillmart Conversion Settings", "Copy Images", "Source Image Directory:",
         "Browse For FlatFile Images Directory"},
    }};
    return texts;
}

void CatalogueFrame::EnableFolders(bool enabled) const {
    for (QWidget* w : {static_cast<QWidget*>(lblSourceDir), static_cast<QWidget*>(txtSourceDir),
                       static_cast<QWidget*>(cmdSourceBrowse), static_cast<QWidget*>(lblDestinDir),
                       static_cast<QWidget*>(txtDestinDir), static_cast<QWidget*>(cmdDestinBrowse)})
        w->setEnabled(enabled);
}

namespace {

QString Named(const char* prefix, const CatalogueFrameText& text, const char* suffix) {
    return QString::fromLatin1(prefix) + QString::fromLatin1(text.namePart) + QString::fromLatin1(suffix);
}

// A label above a row of folder box and browse button.
void AddFolderRow(QGridLayout* grid, int row, QLabel* label, QLineEdit* box, QPushButton* button) {
    label->setBuddy(box);
    grid->addWidget(label, row, 0, 1, 2);
    grid->addWidget(box, row + 1, 0);
    grid->addWidget(button, row + 1, 1);
}

}  // namespace

CatalogueFrame BuildCatalogueFrame(const CatalogueFrameText& text, QWidget* parent) {
    CatalogueFrame f;
    f.text = &text;
    f.frame = new QGroupBox(QString::fromLatin1(text.caption), parent);
    f.frame->setObjectName(QString::fromLatin1(text.frameName));

    f.chkCopyImages = new QCheckBox(QString::fromLatin1(text.checkCaption), f.frame);
    f.chkCopyImages->setObjectName(Named("chk", text, "CopyImages"));
    f.lblSourceDir = new QLabel(QString::fromLatin1(text.sourceLabel), f.frame);
    f.lblSourceDir->setObjectName(Named("lbl", text, "SourceDir"));
    f.txtSourceDir = new QLineEdit(f.frame);
    f.txtSourceDir->setObjectName(Named("txt", text, "SourceDir"));
    f.cmdSourceBrowse = new QPushButton(QStringLiteral("Browse..."), f.frame);
    f.cmdSourceBrowse->setObjectName(Named("cmd", text, "SourceBrowse"));
    f.lblDestinDir = new QLabel(QString::fromLatin1(kDestinLabel), f.frame);
    f.lblDestinDir->setObjectName(Named("lbl", text, "DestinDir"));
    f.txtDestinDir = new QLineEdit(f.frame);
    f.txtDestinDir->setObjectName(Named("txt", text, "DestinDir"));
    f.cmdDestinBrowse = new QPushButton(QStringLiteral("Browse..."), f.frame);
    f.cmdDestinBrowse->setObjectName(Named("cmd", text, "DestinBrowse"));
    for (QPushButton* b : {f.cmdSourceBrowse, f.cmdDestinBrowse}) b->setAutoDefault(false);

    auto* grid = new QGridLayout(f.frame);
    grid->addWidget(f.chkCopyImages, 0, 0, 1, 2);
    grid->setRowMinimumHeight(1, 8);
    AddFolderRow(grid, 2, f.lblSourceDir, f.txtSourceDir, f.cmdSourceBrowse);
    grid->setRowMinimumHeight(4, 8);
    AddFolderRow(grid, 5, f.lblDestinDir, f.txtDestinDir, f.cmdDestinBrowse);
    grid->setRowStretch(7, 1);
    grid->setColumnStretch(0, 1);
    return f;
}

}  // namespace qdt::wizard::ui
