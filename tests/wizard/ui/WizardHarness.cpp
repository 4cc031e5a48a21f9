#include "WizardHarness.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QTimer>

namespace qdt::wizard::ui::testing {

std::string Wizard::Text(const char* name) const {
    QObject* o = window->findChild<QObject*>(QString::fromLatin1(name));
    EXPECT_NE(o, nullptr) << "no control " << name;
    if (auto* label = qobject_cast<QLabel*>(o)) return label->text().toStdString();
    if (auto* box = qobject_cast<QLineEdit*>(o)) return box->text().toStdString();
    if (auto* log = qobject_cast<QPlainTextEdit*>(o)) return log->toPlainText().toStdString();
    if (auto* button = qobject_cast<QAbstractButton*>(o)) return button->text().toStdString();
    ADD_FAILURE() << name << " has no text";
    return {};
}

void Wizard::Choose(const char* combo, const char* entry) {
    QComboBox* c = Find<QComboBox>(combo);
    const int index = c->findText(QString::fromUtf8(entry));
    ASSERT_GE(index, 0) << combo << " has no entry " << entry;
    c->setCurrentIndex(index);
}

void Wizard::Type(const char* box, const std::string& text) {
    QLineEdit* b = Box(box);
    b->clear();
    QTest::keyClicks(b, QString::fromStdString(text));
}

std::string Wizard::Buttons() const {
    std::string s;
    for (const char* name : {"cmdBack", "cmdNext", "cmdCancel"}) s += Button(name)->isEnabled() ? '+' : '-';
    return s;
}

std::vector<std::string> Wizard::Entries(const char* combo) const {
    std::vector<std::string> entries;
    QComboBox* c = Find<QComboBox>(combo);
    for (int i = 0; i < c->count(); ++i) entries.push_back(c->itemText(i).toStdString());
    return entries;
}

std::string Wizard::ShownFrame() const {
    std::string shown;
    for (const char* name : {"frAccess", "frSQLServer", "frMySQL", "frExcel", "frCSV", "frSQLFile", "frSQLite"}) {
        if (Find<QFrame>(name)->isVisible()) shown += shown.empty() ? name : std::string(",") + name;
    }
    return shown;
}

bool Wizard::WaitForWork(int timeoutMs) const {
    return QTest::qWaitFor([this] { return !window->IsWorking(); }, timeoutMs);
}

void Wizard::OpenSource(const char* kind) {
    Next();
    Choose("cboStep1Type", kind);
}

void Wizard::EnterSides(const Side& source, const Side& destination) {
    OpenSource(source.kind);
    Type(source.box, source.text);
    Next();
    Choose("cboStep2Type", destination.kind);
    Type(destination.box, destination.text);
    Next();
}

void Wizard::InSettingsDialog(const std::function<void(QDialog&)>& act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        act(*dialog);
        acted = true;
        if (dialog->isVisible()) dialog->reject();
    });
    Click("cmdTables");
    EXPECT_TRUE(acted);
}

}  // namespace qdt::wizard::ui::testing
