// The step machine of the wizard: what entering each step does.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStackedWidget>

#include "data/Dialect.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"
#include "wizard/ui/FrmMain.h"
#include "wizard/ui/RunSaving.h"

namespace qdt::wizard::ui {

namespace {

QString Caption(data::DatabaseKind kind) { return QString::fromLatin1(data::DatabaseKindCaption(kind)); }

QStringList EntriesOf(const std::initializer_list<data::DatabaseKind>& kinds) {
    QStringList entries;
    for (data::DatabaseKind kind : kinds) entries << Caption(kind);
    return entries;
}

QStringList Step1Entries(int action) {
    if (action == run::kExecuteSql) return EntriesOf({data::kSqlServer, data::kMySql, data::kSqlite});
    return EntriesOf({data::kAccess, data::kSqlServer, data::kMySql, data::kSqlite, data::kExcel, data::kTextFile});
}

QStringList Step2Entries(int action) {
    if (action == run::kExecuteSql) return EntriesOf({data::kSqlFile});
    return EntriesOf({data::kAccess, data::kSqlServer, data::kMySql, data::kSqlite});
}

void Refill(QComboBox* combo, const QStringList& entries) {
    // Refilling is not a choice of the user: the click handler must not run.
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
}

}  // namespace

QString FrmMain::VersionCaption(int major, int minor, int patch) {
    return QStringLiteral("v%1.%2%3").arg(major).arg(minor).arg(patch);
}

void FrmMain::SetStep(int intNewStep) {
    pages_->setCurrentIndex(intNewStep);
    const bool forward = intNewStep > intCurrStep_;
    intCurrStep_ = intNewStep;
    const bool executeSql = action_.optAction2->isChecked();

    switch (intNewStep) {
        case 0:
            if (!forward) SavePageToProfile(ctx_.source, cboStep1Type_->currentText());
            PrepareStep(QStringLiteral("Quillmart Data Tool"),
                        QStringLiteral("Welcome to the Quillmart Data Tool ") + versionText_, false, true, true,
                        ctx_.source);
            dbPage_->HideFrames();
            break;
        case 1:
            ctx_.intAction = executeSql ? run::kExecuteSql : run::kDataCopy;
            if (!forward) SavePageToProfile(ctx_.destination, cboStep2Type_->currentText());
            else ResetProfilesForNewAction();
            PutConnectionsOn(1);
            if (executeSql) {
                PrepareStep(QStringLiteral("Select SQL Server Database"),
                            QStringLiteral("Enter in the connection details for the SQL Server database. This can be "
                                           "a local or remote server."),
                            true, false, true, ctx_.source);
            } else {
                PrepareStep(QStringLiteral("Select the Source Database"),
                            QStringLiteral("The source database is the old Quillmart database that you want to copy "
                                           "the data from. Select which database type it is and configure the "
                                           "connection."),
                            true, false, true, ctx_.source);
            }
            break;
        case 2:
            if (forward) SavePageToProfile(ctx_.source, cboStep1Type_->currentText());
            PutConnectionsOn(2);
            if (ctx_.intAction == run::kExecuteSql) {
                PrepareStep(QStringLiteral("Select the .SQL file"),
                            QStringLiteral("Select the .SQL file you want to execute against the SQL Server "
                                           "database. The structure and data of the latest Quillmart database can be "
                                           "downloaded from the Quillmart web site."),
                            true, false, true, ctx_.destination);
            } else {
                PrepareStep(QStringLiteral("Select the Destination Database"),
                            QStringLiteral("The destination database is the new Quillmart 5 database. Select which "
                                           "database type it is and configure the connection."),
                            true, false, true, ctx_.destination);
            }
            break;
        case 3:
            if (forward) SavePageToProfile(ctx_.destination, cboStep2Type_->currentText());
            PrepareStep(QStringLiteral("Confirm Details"),
                        QStringLiteral("The system will check the data source and destination and detect the "
                                       "versions. Confirm the information before continuing to copying the data."),
                        true, false, true, ctx_.destination);
            confirm_.cmdTables->setEnabled(false);
            dbPage_->HideFrames();
            confirm_.cmdTables->setVisible(ctx_.intAction == run::kDataCopy);
            confirm_.lblTablesText->setVisible(ctx_.intAction == run::kDataCopy);
            confirm_.txtSource->clear();
            confirm_.txtDestin->clear();
            StartWork([this] { return RunConnectionCheck(ctx_); });
            break;
        case 4:
            PrepareStep(QStringLiteral("Processing"),
                        QStringLiteral("The system is now performing the designated task. Please be patient whilst "
                                       "the process completes."),
                        false, false, false, ctx_.destination);
            StartWork([this] {
                report::RunReport record;
                StepOutcome outcome = RunTransfer(ctx_, {rehearse_, &record});
                SaveRunQuietly(ctx_, record, status_);
                return outcome;
            });
            break;
        case 5: {
            PrepareStep(QStringLiteral("Complete"),
                        QStringLiteral("The process was successful. Please read the advice below carefully, which "
                                       "outlines the manual steps still required to finish setting up your "
                                       "Quillmart 5 store."),
                        false, false, true, ctx_.destination);
            cmdCancel_->setText(QStringLiteral("Finish"));
            cmdCancel_->setDefault(true);
            // Only a database in a file has a folder to open.
            const data::DatabaseKind kind = ctx_.destination.Kind;
            const bool offered = ctx_.intAction == run::kDataCopy && data::DialectFor(kind).inAFile;
            completion_.chkOpenDirectoryOnExit->setVisible(offered);
            break;
        }
        default: break;
    }
}

void FrmMain::ResetProfilesForNewAction() {
    for (data::ConnectionProfile* p : {&ctx_.source, &ctx_.destination}) {
        p->Server.clear();
        p->Database.clear();
        p->User.clear();
        p->Password.clear();
        p->Port = 1433;
    }
    if (ctx_.intAction == run::kExecuteSql) {
        ctx_.source.Kind = data::kSqlServer;
        ctx_.destination.Kind = data::kSqlFile;
    } else if (defaults_) {
        ctx_.source.Kind = defaults_->first.Kind;
        ctx_.source.Database = defaults_->first.Database;
        ctx_.destination.Kind = defaults_->second.Kind;
        ctx_.destination.Database = defaults_->second.Database;
    } else {
        ctx_.source.Kind = data::kAccess;
        ctx_.destination.Kind = data::kAccess;
    }
}

void FrmMain::PrepareStep(const QString& title, const QString& subtitle, bool back, bool next, bool cancel,
                          const data::ConnectionProfile& profile) {
    lblTitle_->setText(title);
    lblSubTitle_->setText(subtitle);
    FitHeader();
    cmdBack_->setEnabled(back);
    cmdNext_->setEnabled(next);
    cmdCancel_->setEnabled(cancel);
    Refill(cboStep1Type_, Step1Entries(ctx_.intAction));
    Refill(cboStep2Type_, Step2Entries(ctx_.intAction));
    // The handler that the selection raises changes the profile: read the kind first.
    const data::DatabaseKind kind = profile.Kind;
    if (intCurrStep_ == 1 && kind != data::kSqlFile) {
        cboStep1Type_->setCurrentIndex(cboStep1Type_->findText(Caption(kind)));
    } else if (intCurrStep_ == 2 && kind != data::kExcel && kind != data::kTextFile) {
        cboStep2Type_->setCurrentIndex(cboStep2Type_->findText(Caption(kind)));
    }
}

void FrmMain::OnStep1TypeClick() {
    if (intCurrStep_ == 1) {
        const data::DatabaseKind kind = DatabasePage::KindOf(cboStep1Type_->currentText(), data::kSqlServer);
        dbPage_->ShowFrame(kind);
        ctx_.source.Kind = kind;
        LoadProfileToPage(ctx_.source);
    }
    CheckFormValid();
}

void FrmMain::OnStep2TypeClick() {
    if (intCurrStep_ == 2) {
        const data::DatabaseKind kind = DatabasePage::KindOf(cboStep2Type_->currentText(), data::kSqlServer);
        dbPage_->ShowFrame(kind);
        ctx_.destination.Kind = kind;
        LoadProfileToPage(ctx_.destination);
    }
    CheckFormValid();
}

void FrmMain::StartWork(StepWorker::Job job) {
    // Nothing may start a second piece of work meanwhile. The check may still
    // be left by Back or Cancel, which stop it at its next yield; the run may not.
    const bool checking = intCurrStep_ == 3;
    cmdBack_->setEnabled(checking);
    cmdNext_->setEnabled(false);
    cmdCancel_->setEnabled(checking);
    status_.ResetCancel();
    if (!worker_.Start(std::move(job))) return;  // the buttons keep work from starting twice
    QApplication::setOverrideCursor(Qt::BusyCursor);
    busyCursor_ = true;
}

void FrmMain::RestoreCursor() {
    if (!busyCursor_) return;
    QApplication::restoreOverrideCursor();
    busyCursor_ = false;
}

void FrmMain::OnWorkFinished() {
    RestoreCursor();
    status_.Flush();
    if (closing_) {
        close();
        return;
    }
    if (backPending_) {
        backPending_ = false;
        SetStep(intCurrStep_ - 1);
        return;
    }
    const StepOutcome& outcome = worker_.Outcome();
    if (intCurrStep_ == 3) {
        confirm_.txtSource->setText(QString::fromStdString(outcome.txtSource));
        confirm_.txtDestin->setText(QString::fromStdString(outcome.txtDestin));
        confirm_.cmdTables->setEnabled(outcome.tablesEnabled);
    }
    cmdBack_->setEnabled(outcome.backEnabled);
    cmdNext_->setEnabled(outcome.nextEnabled);
    cmdCancel_->setEnabled(outcome.cancelEnabled);
    if (!outcome.messageBox.empty()) dialogs_->Inform(this, ForDisplay(outcome.messageBox));
    emit WorkFinished();
}

}  // namespace qdt::wizard::ui
