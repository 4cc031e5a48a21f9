#pragma once

#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "data/FixtureShops.h"
#include "support/ShopFaults.h"
#include "wizard/ui/FrmMain.h"
#include "wizard/ui/UserDialogs.h"

namespace qdt::wizard::ui::testing {

// Answers the window's questions as a test says, and remembers what was shown.
class FakeDialogs : public UserDialogs {
public:
    struct FileRequest {
        QString title, fileName, filter;
    };

    bool AskYesNo(QWidget*, const QString& text) override {
        questions.push_back(text.toStdString());
        return answerYes;
    }
    void Inform(QWidget*, const QString& text) override { informations.push_back(text.toStdString()); }
    void Critical(QWidget*, const QString& text) override { criticals.push_back(text.toStdString()); }
    QString OpenFile(QWidget*, const QString& title, const QString& fileName, const QString& filter) override {
        fileRequests.push_back({title, fileName, filter});
        return fileAnswer;
    }

    bool answerYes = false;
    QString fileAnswer;  // empty: the user cancels the file dialog
    std::vector<std::string> questions, informations, criticals;
    std::vector<FileRequest> fileRequests;
};

class FakeOpener : public FolderOpener {
public:
    bool Open(const QString& folder) override {
        opened.push_back(folder.toStdString());
        return succeed;
    }
    bool succeed = true;
    std::vector<std::string> opened;
};

// The real window, shown on the offscreen platform, with answered dialogs.
struct Wizard {
    Wizard() : window(std::make_unique<FrmMain>(QStringLiteral("v9.87"))) {
        window->SetDialogs(&dialogs);
        window->SetFolderOpener(&opener);
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }

    template <typename T>
    T* Find(const char* name) const {
        T* child = window->findChild<T*>(QString::fromLatin1(name));
        EXPECT_NE(child, nullptr) << "no control " << name;
        return child;
    }
    QLineEdit* Box(const char* name) const { return Find<QLineEdit>(name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }
    std::string Text(const char* name) const;  // of a label, box, log or button

    // Presses a button as the user would (nothing happens when it is disabled).
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    void Next() { Click("cmdNext"); }
    void Back() { Click("cmdBack"); }
    void Choose(const char* combo, const char* entry);
    void Type(const char* box, const std::string& text);

    // "back next cancel" as enabled (+) or disabled (-), e.g. "-+-".
    std::string Buttons() const;
    std::vector<std::string> Entries(const char* combo) const;
    // The one connection frame shown, or "" when none is.
    std::string ShownFrame() const;
    // Waits for the check or the run to end.
    bool WaitForWork(int timeoutMs = 120000) const;

    // A database page's entry, and what goes into the box that decides.
    struct Side {
        const char *kind, *box;
        std::string text;
    };
    // Step 1 showing `kind`.
    void OpenSource(const char* kind);
    // Step 1 and 2 filled in, ending on step 3 while its check works.
    void EnterSides(const Side& source, const Side& destination);
    void EnterSqliteFiles(const std::string& source, const std::string& destination) {
        EnterSides({"SQLite Database", "txtSQLiteFile", source}, {"SQLite Database", "txtSQLiteFile", destination});
    }
    bool CheckSqliteFiles(const std::string& source, const std::string& destination) {
        EnterSqliteFiles(source, destination);
        return WaitForWork();
    }
    // Next, then waits for the step it starts.
    bool NextAndWait() {
        Next();
        return WaitForWork();
    }
    // Opens the settings dialog of step 3 and lets `act` work in it; closes it if `act` left it open.
    void InSettingsDialog(const std::function<void(QDialog&)>& act);

    FakeDialogs dialogs;
    FakeOpener opener;
    std::unique_ptr<FrmMain> window;  // last, so it goes first
};

using data::testing::SqliteShop;
using test::AddMailingListRows;

inline long CountRows(const std::string& sqliteFile, const std::string& table) {
    db::Connection c = test::OpenSqlite(sqliteFile);
    return test::Count(c, "SELECT COUNT(*) FROM " + table);
}

}  // namespace qdt::wizard::ui::testing
