#include "wizard/ui/FolderBrowser.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QString>
#include <utility>

#include "importers/PathExistence.h"
#include "wizard/FailureReport.h"

namespace qdt::wizard::ui {

namespace {

FolderBrowser& InjectedBrowser() {
    static FolderBrowser browser;
    return browser;
}

}  // namespace

void SetFolderBrowser(FolderBrowser browser) { InjectedBrowser() = std::move(browser); }

std::string BrowseForFolder(QWidget* owner, const std::string& title, const std::string& startFolder,
                            unsigned flags) {
    if (InjectedBrowser()) return InjectedBrowser()(owner, title, startFolder, flags);

    // Qt's dialog always lets the user type a path and always has the modern
    // look, so the two flags need no translation.
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, QString::fromStdString(title), QString::fromStdString(startFolder),
        QFileDialog::ShowDirsOnly);
    if (chosen.isEmpty()) return {};
    std::string folder = chosen.toStdString();
    if (!importers::FolderExists(folder)) {
        QMessageBox::warning(owner, QString::fromLatin1(kMessageBoxTitle), QStringLiteral("Directory doesn't exist!"),
                             QMessageBox::Ok);
        return {};
    }
    return folder;
}

}  // namespace qdt::wizard::ui
