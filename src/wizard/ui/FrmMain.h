#pragma once

#include <QString>
#include <QWidget>
#include <memory>
#include <optional>

#include "data/run/ConnectionProfile.h"
#include "data/run/RunContext.h"
#include "wizard/ui/DatabasePage.h"
#include "wizard/ui/QtStatus.h"
#include "wizard/ui/StepWorker.h"
#include "wizard/ui/UserDialogs.h"
#include "wizard/ui/WizardPages.h"

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;
class QVBoxLayout;

namespace qdt::wizard::ui {

// The wizard: six steps, one page each, a header and Back / Cancel / Next.
// The connection check (step 3) and the transfer run (step 4) work on a
// worker thread while the window keeps painting the logs and the bars.
class FrmMain : public QWidget {
    Q_OBJECT
public:
    // versionText ends the welcome subtitle ("v0.10"); see VersionCaption.
    explicit FrmMain(const QString& versionText, QWidget* parent = nullptr);
    ~FrmMain() override;

    // Questions and file choices, and the file manager; the window does not own them.
    void SetDialogs(UserDialogs* dialogs);
    void SetFolderOpener(FolderOpener* opener);
    // Files offered instead of empty pages when a Data Copy starts (the demo shops).
    void SetDefaultFiles(data::DatabaseKind kind, const std::string& source, const std::string& destination);
    // Every Data Copy runs whole and is then rolled back (the wizard's --rehearse).
    void SetRehearsal(bool rehearse) { rehearse_ = rehearse; }

    void SetStep(int intNewStep);
    void PrepareStep(const QString& title, const QString& subtitle, bool back, bool next, bool cancel,
                     const data::ConnectionProfile& profile);
    void SavePageToProfile(data::ConnectionProfile& profile, const QString& typeText);
    void LoadProfileToPage(data::ConnectionProfile& profile);
    void SelectDataBase(const QString& strWindowTitle, const QString& strFileName, QLineEdit* objTextBox,
                        const QString& strFilter);
    void CheckFormValid();

    int intAction() const { return ctx_.intAction; }
    int intCurrStep() const { return intCurrStep_; }
    // While the check or the run works, the window must not touch these.
    run::RunContext& Context() { return ctx_; }
    QtStatus& StatusBridge() { return status_; }
    bool IsWorking() const { return worker_.IsRunning(); }

    // The folder part of a file path, up to and including its last "\" or "/".
    static std::string FolderOfFile(const std::string& path);

    // A version major.minor.patch as the subtitle shows it: 2.3.6 reads v2.36.
    static QString VersionCaption(int major, int minor, int patch);

signals:
    // The check or the run has ended and its outcome is shown.
    void WorkFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void BuildHeader(QVBoxLayout* layout);
    void FitHeader();
    void BuildPages(QVBoxLayout* layout);
    void BuildButtons(QVBoxLayout* layout);
    QWidget* BuildDatabaseTypePage(int step, QComboBox*& combo);
    void ResetProfilesForNewAction();
    void PutConnectionsOn(int step);
    void OnStep1TypeClick();
    void OnStep2TypeClick();
    void OnBackClicked();
    void OnNextClicked();
    void OnCancelClicked();
    void OnTablesClicked();
    void Finish();
    void StartWork(StepWorker::Job job);
    void OnWorkFinished();
    void RestoreCursor();

    QString versionText_;
    QtStatus status_;
    run::RunContext ctx_{status_};
    int intCurrStep_ = 0;
    StepWorker worker_;
    bool closing_ = false;
    // Back was pressed while the check was working.
    bool backPending_ = false;
    // Cancel has already asked the question that closing would ask.
    bool exitConfirmed_ = false;
    bool busyCursor_ = false;
    bool rehearse_ = false;
    std::optional<std::pair<data::ConnectionProfile, data::ConnectionProfile>> defaults_;

    std::unique_ptr<QtUserDialogs> ownDialogs_;
    std::unique_ptr<DesktopFolderOpener> ownOpener_;
    UserDialogs* dialogs_;
    FolderOpener* opener_;

    QWidget* header_ = nullptr;
    QLabel* lblTitle_ = nullptr;
    QLabel* lblSubTitle_ = nullptr;
    QStackedWidget* pages_ = nullptr;
    QWidget* picStep_[6] = {};
    QComboBox* cboStep1Type_ = nullptr;
    QComboBox* cboStep2Type_ = nullptr;
    DatabasePage* dbPage_ = nullptr;
    ActionPage action_{};
    ConfirmationPage confirm_{};
    ProcessingPage processing_{};
    CompletionPage completion_{};
    QPushButton* cmdBack_ = nullptr;
    QPushButton* cmdCancel_ = nullptr;
    QPushButton* cmdNext_ = nullptr;
};

}  // namespace qdt::wizard::ui
