#include "wizard/ui/UserDialogs.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QStringList>
#include <QUrl>

#include "wizard/FailureReport.h"

namespace qdt::wizard::ui {

namespace {
const QString kTitle = QString::fromUtf8(kMessageBoxTitle);
}

bool QtUserDialogs::AskYesNo(QWidget* parent, const QString& text) {
    return QMessageBox::question(parent, kTitle, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
           QMessageBox::Yes;
}

void QtUserDialogs::Inform(QWidget* parent, const QString& text) { QMessageBox::information(parent, kTitle, text); }

void QtUserDialogs::Critical(QWidget* parent, const QString& text) { QMessageBox::critical(parent, kTitle, text); }

QString QtUserDialogs::OpenFile(QWidget* parent, const QString& title, const QString& fileName,
                                const QString& filter) {
    // A wildcard name such as "*.xls" only hints at the filter, which Qt applies anyway.
    const QString start = fileName.contains(QLatin1Char('*')) ? QString() : fileName;
    return QFileDialog::getOpenFileName(parent, title, start, QtFileFilter(filter));
}

bool DesktopFolderOpener::Open(const QString& folder) {
    if (folder.isEmpty() || !QDir(folder).exists()) return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString QtFileFilter(const QString& filter) {
    const qsizetype bar = filter.indexOf(QLatin1Char('|'));
    if (bar < 0) return filter;
    QString description = filter.left(bar).trimmed();
    const qsizetype paren = description.lastIndexOf(QLatin1Char('('));
    if (paren > 0 && description.endsWith(QLatin1Char(')'))) description = description.left(paren).trimmed();
    QStringList patterns;
    for (const QString& p : filter.mid(bar + 1).split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        if (!p.trimmed().isEmpty()) patterns << p.trimmed();
    }
    return description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
}

}  // namespace qdt::wizard::ui
