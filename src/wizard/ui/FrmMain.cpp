#include "wizard/ui/FrmMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QResizeEvent>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "data/Dialect.h"
#include "data/run/Paths.h"
#include "wizard/ui/FrmTables.h"
#include "wizard/ui/WindowLook.h"

namespace qdt::wizard::ui {

namespace {

// One pixel is 15 twips at 96 dots per inch.
constexpr int kWindowWidth = Pixels(6465);   // 431
constexpr int kWindowHeight = Pixels(5160);  // 344
constexpr int kHeaderHeight = Pixels(1080);  // 72: the pages start here
constexpr int kPageWidth = Pixels(6375);     // 425
constexpr int kPageHeight = Pixels(3115);    // 208

const QString kExitQuestion = QStringLiteral("Are you sure you want to exit the Data Tool?");
const QString kStoppingToClose =
    QStringLiteral("Stopping... The Data Tool closes as soon as the database answers.");
const QString kStoppingToGoBack = QStringLiteral("Stopping... The wizard goes back as soon as the database answers.");

}  // namespace

FrmMain::FrmMain(const QString& versionText, QWidget* parent)
    : QWidget(parent),
      versionText_(versionText),
      ownDialogs_(std::make_unique<QtUserDialogs>()),
      ownOpener_(std::make_unique<DesktopFolderOpener>()),
      dialogs_(ownDialogs_.get()),
      opener_(ownOpener_.get()) {
    setObjectName(QStringLiteral("frmMain"));
    setWindowTitle(QStringLiteral("Quillmart Data Tool"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 6);
    layout->setSpacing(0);
    BuildHeader(layout);
    BuildPages(layout);
    BuildButtons(layout);
    status_.Attach(processing_.txtStep2, confirm_.txtConnect, processing_.barTotal, processing_.barCurrent);
    connect(&worker_, &StepWorker::Finished, this, &FrmMain::OnWorkFinished);
    resize(kWindowWidth, kWindowHeight);
    SetStep(0);
}

FrmMain::~FrmMain() {
    // Work still under way stops at its next yield; the run then rolls back.
    closing_ = true;
    status_.RequestCancel();
    worker_.Wait();
    RestoreCursor();
}

void FrmMain::SetDialogs(UserDialogs* dialogs) { dialogs_ = dialogs ? dialogs : ownDialogs_.get(); }
void FrmMain::SetFolderOpener(FolderOpener* opener) { opener_ = opener ? opener : ownOpener_.get(); }

void FrmMain::SetDefaultFiles(data::DatabaseKind kind, const std::string& source, const std::string& destination) {
    data::ConnectionProfile s, d;
    s.Kind = d.Kind = kind;
    s.Database = source;
    d.Database = destination;
    defaults_ = std::make_pair(s, d);
}

// A word-wrapped subtitle does not tell the window's layout how tall it is;
// the header grows for a long one (and stays grown, so the window does not
// jump between steps).
void FrmMain::FitHeader() {
    const QMargins m = header_->layout()->contentsMargins();
    const int width = header_->width() - m.left() - m.right();
    if (width <= 0) return;
    const int needed = m.top() + lblTitle_->sizeHint().height() + header_->layout()->spacing() +
                       lblSubTitle_->heightForWidth(width) + m.bottom();
    if (needed > header_->minimumHeight()) header_->setMinimumHeight(needed);
}

void FrmMain::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    FitHeader();
}

void FrmMain::BuildHeader(QVBoxLayout* layout) {
    auto* header = header_ = NewHeaderPanel(this);
    header->setMinimumHeight(kHeaderHeight);
    auto* box = new QVBoxLayout(header);
    box->setContentsMargins(12, 6, 12, 4);
    box->setSpacing(2);
    lblTitle_ = new QLabel(header);
    lblTitle_->setObjectName(QStringLiteral("lblTitle"));
    SetBold(lblTitle_);
    lblSubTitle_ = new QLabel(header);
    lblSubTitle_->setObjectName(QStringLiteral("lblSubTitle"));
    lblSubTitle_->setWordWrap(true);
    lblSubTitle_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    lblSubTitle_->setIndent(8);
    box->addWidget(lblTitle_);
    box->addWidget(lblSubTitle_, 1);
    layout->addWidget(header);
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
}

QWidget* FrmMain::BuildDatabaseTypePage(int step, QComboBox*& combo) {
    auto* page = new QWidget(this);
    auto* box = new QVBoxLayout(page);
    box->setContentsMargins(12, 8, 12, 4);
    box->setSpacing(8);
    auto* row = new QHBoxLayout;
    combo = new QComboBox(page);
    combo->setObjectName(step == 1 ? QStringLiteral("cboStep1Type") : QStringLiteral("cboStep2Type"));
    combo->setMinimumWidth(220);
    row->addWidget(new QLabel(QStringLiteral("Database Type :"), page));
    row->addWidget(combo);
    row->addStretch(1);
    box->addLayout(row);
    return page;
}

void FrmMain::BuildPages(QVBoxLayout* layout) {
    pages_ = new QStackedWidget(this);
    pages_->setMinimumSize(kPageWidth, kPageHeight);
    dbPage_ = new DatabasePage(this);
    for (int step = 0; step < 6; ++step) {
        QWidget* page = nullptr;
        if (step == 1) page = BuildDatabaseTypePage(1, cboStep1Type_);
        else if (step == 2) page = BuildDatabaseTypePage(2, cboStep2Type_);
        else page = new QWidget(this);
        page->setObjectName(QStringLiteral("picStep%1").arg(step));
        picStep_[step] = page;
        pages_->addWidget(page);
    }
    action_ = BuildActionPage(picStep_[0]);
    confirm_ = BuildConfirmationPage(picStep_[3]);
    processing_ = BuildProcessingPage(picStep_[4]);
    completion_ = BuildCompletionPage(picStep_[5]);
    PutConnectionsOn(1);
    layout->addWidget(pages_, 1);

    connect(cboStep1Type_, &QComboBox::currentIndexChanged, this, &FrmMain::OnStep1TypeClick);
    connect(cboStep2Type_, &QComboBox::currentIndexChanged, this, &FrmMain::OnStep2TypeClick);
    connect(dbPage_, &DatabasePage::CompletenessMayHaveChanged, this, &FrmMain::CheckFormValid);
    connect(dbPage_, &DatabasePage::BrowseRequested, this, &FrmMain::SelectDataBase);
    connect(confirm_.cmdTables, &QPushButton::clicked, this, &FrmMain::OnTablesClicked);
}

void FrmMain::BuildButtons(QVBoxLayout* layout) {
    auto* line = new QFrame(this);
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    layout->addWidget(line);
    auto* row = new QHBoxLayout;
    row->setContentsMargins(8, 6, 8, 0);
    cmdBack_ = new QPushButton(QStringLiteral("< &Back"), this);
    cmdBack_->setObjectName(QStringLiteral("cmdBack"));
    cmdCancel_ = new QPushButton(QStringLiteral("&Cancel"), this);
    cmdCancel_->setObjectName(QStringLiteral("cmdCancel"));
    cmdNext_ = new QPushButton(QStringLiteral("Next >"), this);
    cmdNext_->setObjectName(QStringLiteral("cmdNext"));
    row->addStretch(1);
    row->addWidget(cmdBack_);
    row->addWidget(cmdNext_);
    row->addSpacing(8);
    row->addWidget(cmdCancel_);
    layout->addLayout(row);
    connect(cmdBack_, &QPushButton::clicked, this, &FrmMain::OnBackClicked);
    connect(cmdNext_, &QPushButton::clicked, this, &FrmMain::OnNextClicked);
    connect(cmdCancel_, &QPushButton::clicked, this, &FrmMain::OnCancelClicked);
}

void FrmMain::PutConnectionsOn(int step) {
    auto* box = static_cast<QVBoxLayout*>(picStep_[step]->layout());
    if (dbPage_->parentWidget() != picStep_[step]) {
        box->addWidget(dbPage_, 1);  // takes the frames over from the other page
    }
    dbPage_->SetSourceSide(step == 1);
    dbPage_->show();
}

void FrmMain::SavePageToProfile(data::ConnectionProfile& profile, const QString& typeText) {
    dbPage_->SavePageToProfile(profile, typeText);
}

void FrmMain::LoadProfileToPage(data::ConnectionProfile& profile) { dbPage_->LoadProfileToPage(profile); }

void FrmMain::SelectDataBase(const QString& strWindowTitle, const QString& strFileName, QLineEdit* objTextBox,
                             const QString& strFilter) {
    const QString chosen = dialogs_->OpenFile(this, strWindowTitle, strFileName, strFilter);
    // A cancelled dialog changes nothing; a new text re-evaluates Next.
    if (!chosen.isEmpty()) objTextBox->setText(chosen);
}

void FrmMain::CheckFormValid() {
    bool valid = false;
    switch (intCurrStep_) {
        case 0:
        case 5: valid = true; break;
        case 1: valid = dbPage_->IsComplete(cboStep1Type_->currentText()); break;
        case 2: valid = dbPage_->IsComplete(cboStep2Type_->currentText()); break;
        default: valid = false;
    }
    cmdNext_->setEnabled(valid);
}

void FrmMain::OnBackClicked() {
    if (worker_.IsRunning()) {
        // Back during the check: stop it at its next yield and leave once it
        // has ended. Cancel stays, for a user who would rather quit.
        backPending_ = true;
        cmdBack_->setEnabled(false);
        status_.RequestCancel();
        lblSubTitle_->setText(kStoppingToGoBack);
        return;
    }
    SetStep(intCurrStep_ - 1);
}
void FrmMain::OnNextClicked() { SetStep(intCurrStep_ + 1); }

void FrmMain::OnCancelClicked() {
    if (intCurrStep_ == 5) {
        Finish();
        return;
    }
    if (!dialogs_->AskYesNo(this, kExitQuestion)) return;
    exitConfirmed_ = true;
    close();
}

std::string FrmMain::FolderOfFile(const std::string& path) {
    const std::size_t cut = data::FolderEnd(path, data::SeparatorRule::kLastOfEither);
    return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

void FrmMain::Finish() {
    const data::DatabaseKind kind = ctx_.destination.Kind;
    const bool fileDestination = data::DialectFor(kind).inAFile;
    if (completion_.chkOpenDirectoryOnExit->isChecked() && !completion_.chkOpenDirectoryOnExit->isHidden() &&
        fileDestination) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool opened = opener_->Open(QString::fromStdString(FolderOfFile(ctx_.destination.Database)));
        QApplication::restoreOverrideCursor();
        if (!opened) {
            dialogs_->Critical(this, QStringLiteral("Could not open directory."));
            return;
        }
    }
    close();
}

void FrmMain::OnTablesClicked() {
    FrmTables dialog(this, ctx_.settings, ctx_.source.SystemName);
    dialog.ShowModal();
}

void FrmMain::closeEvent(QCloseEvent* event) {
    if (!worker_.IsRunning()) {
        event->accept();
        return;
    }
    if (closing_) {  // already stopping
        event->ignore();
        return;
    }
    if (!exitConfirmed_ && !dialogs_->AskYesNo(this, kExitQuestion)) {
        event->ignore();
        return;
    }
    // Stop at the next yield point and let the run roll the destination back
    // before the window goes. A database that does not answer may hold the
    // work for a while: the window keeps painting and closes once it has ended.
    closing_ = true;
    status_.RequestCancel();
    cmdBack_->setEnabled(false);
    cmdNext_->setEnabled(false);
    cmdCancel_->setEnabled(false);
    lblSubTitle_->setText(kStoppingToClose);
    event->ignore();
}

}  // namespace qdt::wizard::ui
