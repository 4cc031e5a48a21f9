#include "wizard/ui/FrmTables.h"

#include <QCheckBox>
#include <QFont>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>
#include <QtMath>

#include "data/Detection.h"
#include "importers/PathExistence.h"
#include "wizard/ui/FolderBrowser.h"
#include "wizard/ui/WindowLook.h"

namespace qdt::wizard::ui {

namespace {

constexpr int kOffsetTwips = 400;
constexpr int kWidthTwips = 7515;
constexpr int kHeightTwips = 5445;

// Each entry is ticked on its own: a ticked entry is a selected one.
QListWidget* NewSelectionList(const char* name, QWidget* parent) {
    auto* list = new QListWidget(parent);
    list->setObjectName(QString::fromLatin1(name));
    list->setSelectionMode(QAbstractItemView::NoSelection);
    return list;
}

void FillList(QListWidget* list, const data::SelectionList& entries, bool makeFirstCurrent) {
    list->clear();
    for (const auto& [key, value] : entries.Entries()) {
        auto* item = new QListWidgetItem(QString::fromStdString(key), list);
        item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
        item->setCheckState(value == "y" ? Qt::Checked : Qt::Unchecked);
    }
    if (makeFirstCurrent && list->count() > 0) list->setCurrentRow(0, QItemSelectionModel::NoUpdate);
    // Wide enough for its longest entry beside a scroll bar: the dialog grows
    // rather than cut a table name short.
    if (list->count() > 0)
        list->setMinimumWidth(list->sizeHintForColumn(0) + 2 * list->frameWidth() +
                              list->verticalScrollBar()->sizeHint().width() + 4);
}

void StoreList(const QListWidget* list, data::SelectionList& entries) {
    for (int i = 0; i < list->count(); ++i) {
        const QListWidgetItem* item = list->item(i);
        entries.Set(item->text().toStdString(), item->checkState() == Qt::Checked ? "y" : "n");
    }
}

QLabel* NewLabel(const char* name, const char* text, QWidget* parent) {
    auto* label = new QLabel(QString::fromLatin1(text), parent);
    label->setObjectName(QString::fromLatin1(name));
    return label;
}

}  // namespace

FrmTables::FrmTables(QWidget* parent, data::ConversionSettings& settings, const std::string& systemName)
    : QDialog(parent), settings_(settings), systemName_(systemName) {
    setObjectName(QStringLiteral("frmTables"));
    setWindowTitle(QStringLiteral("Customize Conversion Procedure"));
    setModal(true);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 8);
    BuildHeader();
    BuildQuillmartFrame();
    for (const CatalogueFrameText& text : CatalogueFrameTexts())
        catalogueFrames_.push_back(BuildCatalogueFrame(text, this));
    auto* frames = new QVBoxLayout;
    frames->setContentsMargins(4, 0, 4, 0);
    frames->addWidget(frQuillmart_);
    for (CatalogueFrame& frame : catalogueFrames_) {
        frames->addWidget(frame.frame);
        ConnectCatalogueFrame(frame);
    }
    layout->addLayout(frames, 1);
    BuildButtons();

    ShowFrameFor(systemName_);
    LoadSettings();
    resize(Pixels(kWidthTwips), Pixels(kHeightTwips));
}

void FrmTables::BuildHeader() {
    QWidget* header = NewHeaderPanel(this);

    QLabel* title = NewLabel("lblTitle", "Customize Conversion", header);
    SetBold(title);
    QLabel* subtitle = NewLabel("lblSubTitle",
                                "Here are advanced options to customize the copying procedure. "
                                "Please see the manual for more details.",
                                header);
    subtitle->setWordWrap(true);
    subtitle->setContentsMargins(12, 0, 0, 0);

    auto* headerLayout = new QVBoxLayout(header);
    headerLayout->setContentsMargins(10, 8, 10, 8);
    headerLayout->addWidget(title);
    headerLayout->addWidget(subtitle);

    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    layout->addWidget(header);
    layout->addWidget(line);
}

void FrmTables::BuildQuillmartFrame() {
    frQuillmart_ = new QGroupBox(QStringLiteral("Quillmart to Quillmart Conversion Settings"), this);
    frQuillmart_->setObjectName(QStringLiteral("frQuillmart"));
    litCopy_ = NewSelectionList("litCopy", frQuillmart_);
    litCompare_ = NewSelectionList("litCompare", frQuillmart_);
    litJob_ = NewSelectionList("litJob", frQuillmart_);

    auto* grid = new QGridLayout(frQuillmart_);
    grid->addWidget(NewLabel("lblCopy", "Tables to be copied across:", frQuillmart_), 0, 0);
    grid->addWidget(litCopy_, 1, 0, 3, 1);
    grid->addWidget(NewLabel("lblCompare", "Tables to be compared:", frQuillmart_), 0, 1);
    grid->addWidget(litCompare_, 1, 1);
    grid->addWidget(NewLabel("lblJob", "Misc. Jobs", frQuillmart_), 2, 1);
    grid->addWidget(litJob_, 3, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
}

void FrmTables::BuildButtons() {
    cmdOK_ = new QPushButton(QStringLiteral("&OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setDefault(true);
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    connect(cmdOK_, &QPushButton::clicked, this, [this] {
        SaveSettings();
        accept();
    });
    connect(cmdCancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 0, 8, 0);
    row->addStretch(1);
    row->addWidget(cmdOK_);
    row->addWidget(cmdCancel_);
    static_cast<QVBoxLayout*>(layout())->addLayout(row);
}

void FrmTables::ConnectCatalogueFrame(CatalogueFrame& frame) {
    // The frames live as long as the dialog and the vector is not resized
    // after construction, so the captured pointers stay valid.
    const CatalogueFrame* f = &frame;
    connect(frame.chkCopyImages, &QCheckBox::toggled, this, [this, f] { OnCopyImagesChanged(*f); });
    connect(frame.txtSourceDir, &QLineEdit::textChanged, this, [this] { CheckSettingsValid(); });
    connect(frame.txtDestinDir, &QLineEdit::textChanged, this, [this] { CheckSettingsValid(); });
    connect(frame.cmdSourceBrowse, &QPushButton::clicked, this,
            [this, f] { Browse(f->txtSourceDir, f->text->sourceBrowseTitle); });
    connect(frame.cmdDestinBrowse, &QPushButton::clicked, this,
            [this, f] { Browse(f->txtDestinDir, kDestinBrowseTitle); });
}

void FrmTables::ShowFrameFor(const std::string& systemName) {
    frQuillmart_->setVisible(systemName == data::kSystemQuillmart);
    for (CatalogueFrame& frame : catalogueFrames_) frame.frame->setVisible(systemName == frame.text->systemName);
}

CatalogueFrame* FrmTables::ShownCatalogueFrame() {
    for (CatalogueFrame& frame : catalogueFrames_)
        if (systemName_ == frame.text->systemName) return &frame;
    return nullptr;
}

void FrmTables::LoadSettings() {
    if (systemName_ == data::kSystemQuillmart) {
        FillList(litCopy_, settings_.CopyTableList, true);
        FillList(litCompare_, settings_.CompareTableList, true);
        FillList(litJob_, settings_.JobList, false);
    } else if (CatalogueFrame* frame = ShownCatalogueFrame()) {
        const data::ImageCopySetting& s = settings_.ImageCopySettings[frame->text->index];
        frame->chkCopyImages->setChecked(s.CopyImages);
        frame->txtSourceDir->setText(QString::fromStdString(s.SourceDir));
        frame->txtDestinDir->setText(QString::fromStdString(s.DestinDir));
        // Also when setting the box changed nothing, so the folders match it from the start.
        OnCopyImagesChanged(*frame);
    }
    CheckSettingsValid();
}

void FrmTables::OnCopyImagesChanged(const CatalogueFrame& frame) {
    frame.EnableFolders(frame.chkCopyImages->isChecked());
    CheckSettingsValid();
}

void FrmTables::CheckSettingsValid() {
    const CatalogueFrame* frame = ShownCatalogueFrame();
    bool valid = true;
    if (frame && frame->chkCopyImages->isChecked())
        valid = importers::FolderExists(frame->txtDestinDir->text().toStdString()) &&
                importers::FolderExists(frame->txtSourceDir->text().toStdString());
    cmdOK_->setEnabled(valid);
}

void FrmTables::Browse(QLineEdit* box, const char* title) {
    const std::string chosen =
        BrowseForFolder(this, title, box->text().toStdString(), kBrowseEditBox | kBrowseNewDialogStyle);
    if (!chosen.empty()) box->setText(QString::fromStdString(chosen));
}

void FrmTables::SaveSettings() {
    if (systemName_ == data::kSystemQuillmart) {
        StoreList(litCopy_, settings_.CopyTableList);
        StoreList(litCompare_, settings_.CompareTableList);
        StoreList(litJob_, settings_.JobList);
    } else if (const CatalogueFrame* frame = ShownCatalogueFrame()) {
        data::ImageCopySetting& s = settings_.ImageCopySettings[frame->text->index];
        s.CopyImages = frame->chkCopyImages->isChecked();
        s.SourceDir = frame->txtSourceDir->text().toStdString();
        s.DestinDir = frame->txtDestinDir->text().toStdString();
    }
}

int FrmTables::ShowModal() {
    if (QWidget* owner = parentWidget()) {
        const QPoint corner = owner->window()->frameGeometry().topLeft();
        move(corner + QPoint(Pixels(kOffsetTwips), Pixels(kOffsetTwips)));
    }
    resize(Pixels(kWidthTwips), Pixels(kHeightTwips));
    return exec();
}

}  // namespace qdt::wizard::ui
