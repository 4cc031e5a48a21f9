#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
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
    bool AskYesNo(QWidget*, const QString& text) override {
        questions.push_back(text.toStdString());
        return answerYes;
    }
    void Inform(QWidget*, const QString& text) override { informations.push_back(text.toStdString()); }
    void Critical(QWidget*, const QString& text) override { criticals.push_back(text.toStdString()); }
    QString OpenFile(QWidget*, const QString& title, const QString& fileName, const QString& filter) override {
        fileRequests.push_back((title + " | " + fileName + " | " + filter).toStdString());
        return fileAnswer;
    }

    bool answerYes = false;
    QString fileAnswer;  // empty: the user cancels the file dialog
    std::vector<std::string> questions, informations, criticals, fileRequests;  // "title | name | filter"
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

template <typename T>
T* Child(const QObject& parent, const std::string& name) {
    T* child = parent.findChild<T*>(QString::fromStdString(name));
    EXPECT_NE(child, nullptr) << "no control " << name;
    return child;
}

// Lets `act` work in the modal dialog that `open` shows, as a user would, and
// rejects it if `act` left it open (a failed expectation must not hang the test).
template <typename Open>
auto InModal(Open open, const std::function<void(QDialog&)>& act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        if (dialog->isVisible()) dialog->reject();
    });
    return open();
}

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
        return Child<T>(*window, name);
    }
    QLineEdit* Box(const char* name) const { return Find<QLineEdit>(name); }
    QPushButton* Button(const char* name) const { return Find<QPushButton>(name); }

    // Of a label, box, log, button or combo.
    std::string Text(const char* name) const {
        QObject* o = Find<QObject>(name);
        if (auto* combo = qobject_cast<QComboBox*>(o)) return combo->currentText().toStdString();
        if (auto* label = qobject_cast<QLabel*>(o)) return label->text().toStdString();
        if (auto* box = qobject_cast<QLineEdit*>(o)) return box->text().toStdString();
        if (auto* log = qobject_cast<QPlainTextEdit*>(o)) return log->toPlainText().toStdString();
        if (auto* button = qobject_cast<QAbstractButton*>(o)) return button->text().toStdString();
        ADD_FAILURE() << name << " has no text";
        return {};
    }

    // Of several boxes, joined by "|".
    std::string Texts(const std::vector<const char*>& names) const {
        std::string texts = Text(names.front());
        for (std::size_t i = 1; i < names.size(); ++i) texts += "|" + Text(names[i]);
        return texts;
    }

    // Presses a button as the user would (nothing happens when it is disabled).
    void Click(const char* name) { QTest::mouseClick(Button(name), Qt::LeftButton); }
    void Next() { Click("cmdNext"); }
    void Back() { Click("cmdBack"); }
    void Choose(const char* combo, const char* entry) {
        QComboBox* c = Find<QComboBox>(combo);
        const int index = c->findText(QString::fromUtf8(entry));
        ASSERT_GE(index, 0) << combo << " has no entry " << entry;
        c->setCurrentIndex(index);
    }
    void Type(const char* box, const std::string& text) {
        Box(box)->clear();
        QTest::keyClicks(Box(box), QString::fromStdString(text));
    }

    // "back next cancel" as enabled (+) or disabled (-), e.g. "-+-".
    std::string Buttons() const {
        std::string s;
        for (const char* name : {"cmdBack", "cmdNext", "cmdCancel"}) s += Button(name)->isEnabled() ? '+' : '-';
        return s;
    }
    std::vector<std::string> Entries(const char* combo) const {
        std::vector<std::string> entries;
        for (int i = 0; i < Find<QComboBox>(combo)->count(); ++i)
            entries.push_back(Find<QComboBox>(combo)->itemText(i).toStdString());
        return entries;
    }
    // The one connection frame shown, or "" when none is.
    std::string ShownFrame() const {
        std::string shown;
        for (const char* name : {"frAccess", "frSQLServer", "frMySQL", "frExcel", "frCSV", "frSQLFile", "frSQLite"})
            if (Find<QFrame>(name)->isVisible()) shown += shown.empty() ? name : std::string(",") + name;
        return shown;
    }
    bool WaitForWork() const {
        return QTest::qWaitFor([this] { return !window->IsWorking(); }, 120000);
    }

    // A database page's entry, and what goes into the box that decides.
    struct Side {
        const char *kind, *box;
        std::string text;
    };
    // Step 1 and 2 filled in, ending on step 3 (after its check, when `wait`).
    bool EnterSides(const Side& source, const Side& destination, bool wait = true) {
        Next();
        Choose("cboStep1Type", source.kind);
        Type(source.box, source.text);
        Next();
        Choose("cboStep2Type", destination.kind);
        Type(destination.box, destination.text);
        Next();
        return !wait || WaitForWork();
    }
    bool CheckSqliteFiles(const std::string& source, const std::string& destination, bool wait = true) {
        const char* kind = "SQLite Database";
        return EnterSides({kind, "txtSQLiteFile", source}, {kind, "txtSQLiteFile", destination}, wait);
    }
    bool NextAndWait() {
        Next();
        return WaitForWork();
    }
    // Opens the settings dialog of step 3 and lets `act` work in it.
    void InSettingsDialog(const std::function<void(QDialog&)>& act) {
        InModal([this] { Click("cmdTables"); }, act);
    }

    FakeDialogs dialogs;
    FakeOpener opener;
    std::unique_ptr<FrmMain> window;  // last, so it goes first
};

using data::testing::SqliteShop;

inline long CountRows(const std::string& sqliteFile, const std::string& table) {
    db::Connection c = test::OpenSqlite(sqliteFile);
    return test::Count(c, "SELECT COUNT(*) FROM " + table);
}

}  // namespace qdt::wizard::ui::testing
