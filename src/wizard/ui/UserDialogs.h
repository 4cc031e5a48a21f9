#pragma once

#include <QString>

class QWidget;

namespace qdt::wizard::ui {

// Every question, notice and file choice the wizard puts to the user goes
// through here, so that tests can answer them without a person at the screen.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;
    // A Yes/No question titled "Quillmart Data Tool"; true for Yes.
    virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
    // An information box titled "Quillmart Data Tool".
    virtual void Inform(QWidget* parent, const QString& text) = 0;
    // A critical box titled "Quillmart Data Tool".
    virtual void Critical(QWidget* parent, const QString& text) = 0;
    // A file-open dialog for an existing file; filter in "description|patterns"
    // form. Returns the chosen path, or an empty text when cancelled.
    virtual QString OpenFile(QWidget* parent, const QString& title, const QString& fileName,
                             const QString& filter) = 0;
};

// Hands a folder to the desktop's file manager; false when that failed.
class FolderOpener {
public:
    virtual ~FolderOpener() = default;
    virtual bool Open(const QString& folder) = 0;
};

// Qt's message boxes and file dialog.
class QtUserDialogs : public UserDialogs {
public:
    bool AskYesNo(QWidget* parent, const QString& text) override;
    void Inform(QWidget* parent, const QString& text) override;
    void Critical(QWidget* parent, const QString& text) override;
    QString OpenFile(QWidget* parent, const QString& title, const QString& fileName, const QString& filter) override;
};

// Opens the folder with the desktop's default handler for directories.
class DesktopFolderOpener : public FolderOpener {
public:
    bool Open(const QString& folder) override;
};

// "Text Files (*.txt, *.csv)|*.txt; *.csv" becomes "Text Files (*.txt *.csv)":
// Qt reads the patterns from the parentheses of the description.
QString QtFileFilter(const QString& filter);

}  // namespace qdt::wizard::ui
