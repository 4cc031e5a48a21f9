// What decides Next on the database pages, and the boxes themselves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>

#include "WizardHarness.h"
#include "wizard/ui/UserDialogs.h"

namespace qdt::wizard::ui::testing {
namespace {

bool NextEnabled(const Wizard& w) { return w.Button("cmdNext")->isEnabled(); }

// One user action after another on the source page, and whether Next may be pressed after each.
struct Step {
    const char* combo;  // the entry chosen, or nullptr
    const char* box;    // the box typed into, or nullptr
    const char* text;
    bool next;
};

TEST(WizardDatabasePage, NextWaitsForTheBoxesThatDecide) {
    const Step steps[] = {
        {"MSSQL Server Database", nullptr, nullptr, false},  // no server yet
        {nullptr, "txtSQLServer", "dbhost", true},           // port 1433
        {nullptr, "txtSQLPort", "", false},
        {nullptr, "txtSQLPort", "abc", false},
        {nullptr, "txtSQLPort", " 1433 ", true},
        {nullptr, "txtSQLPort", "70000", false},  // a number, but no port the profile can hold
        {nullptr, "txtSQLPort", "1433", true},
        {nullptr, "txtSQLServer", "", false},
        {"Excel Spreadsheet (Catalogue only)", nullptr, nullptr, false},
        {nullptr, "txtExcelFile", "/data/items.xls", true},  // the first worksheet will be used
        {"Text File (Catalogue only)", nullptr, nullptr, false},
        {nullptr, "txtCSVFile", "/data/items.csv", true},
        {"MySQL Database", nullptr, nullptr, false},
        {nullptr, "txtMySQLDatabase", "shop", false},  // not the box that decides
        {nullptr, "txtMySQL", "mysqlhost", true},
        {"SQLite Database", nullptr, nullptr, false},
        {nullptr, "txtSQLiteFile", "/data/shop.sqlite", true},
        // The catalogue boxes keep what was typed when another entry is chosen.
        {"Excel Spreadsheet (Catalogue only)", nullptr, nullptr, true},
    };
    Wizard w;
    w.Next();
    for (const Step& s : steps) {
        if (s.combo) w.Choose("cboStep1Type", s.combo);
        if (s.box) w.Type(s.box, s.text);
        EXPECT_EQ(NextEnabled(w), s.next) << (s.combo ? s.combo : s.box) << " " << (s.text ? s.text : "");
    }
    EXPECT_EQ(w.ShownFrame(), "frExcel");
    EXPECT_EQ(w.Text("txtExcelFile"), "/data/items.xls");
    EXPECT_EQ(w.Text("txtExcelSheet"), "");
}

TEST(WizardDatabasePage, TrustedLoginGreysUserAndPasswordButKeepsAndStoresThem) {
    Wizard w;
    w.Next();
    w.Choose("cboStep1Type", "MSSQL Server Database");
    w.Type("txtSQLServer", "dbhost");
    w.Type("txtSQLUsername", "sa");
    w.Type("txtSQLPassword", "pw");
    w.Find<QCheckBox>("chkSQLTrusted")->click();
    EXPECT_FALSE(w.Box("txtSQLUsername")->isEnabled());
    EXPECT_FALSE(w.Box("txtSQLPassword")->isEnabled());
    EXPECT_EQ(w.Text("txtSQLUsername"), "sa");
    w.Next();
    const data::ConnectionProfile& source = w.window->Context().source;
    EXPECT_EQ(source.Kind, data::kSqlServer);
    EXPECT_TRUE(source.Trusted);
    EXPECT_EQ(source.User, "sa");
    EXPECT_EQ(source.Password, "pw");
    EXPECT_EQ(source.Server, "dbhost");
    EXPECT_EQ(source.Port, 1433);
    EXPECT_EQ(source.DateDelimiter, "'");
    // The destination page shows the boxes enabled again, with an unticked box.
    w.Choose("cboStep2Type", "MSSQL Server Database");
    EXPECT_FALSE(w.Find<QCheckBox>("chkSQLTrusted")->isChecked());
    EXPECT_TRUE(w.Box("txtSQLUsername")->isEnabled());
}

TEST(WizardDatabasePage, AccessSideGetsItsDialect) {
    Wizard w;
    w.Next();
    w.Type("txtAccessFile", "/shop/old.mdb");
    w.Type("txtAccessPassword", "pw");
    w.Next();
    const data::ConnectionProfile& source = w.window->Context().source;
    EXPECT_EQ(source.Kind, data::kAccess);
    EXPECT_EQ(source.Database, "/shop/old.mdb");
    EXPECT_EQ(source.Password, "pw");
    EXPECT_EQ(source.DateDelimiter, "#");
}

TEST(WizardDatabasePage, PasswordBoxesMaskWhatIsTyped) {
    Wizard w;
    for (const char* name : {"txtAccessPassword", "txtSQLPassword", "txtMySQLPassword"})
        EXPECT_EQ(w.Box(name)->echoMode(), QLineEdit::Password) << name;
    EXPECT_EQ(w.Box("txtSQLUsername")->echoMode(), QLineEdit::Normal);
}

TEST(WizardDatabasePage, BrowseAsksWithTheSidesTitleAndACancelChangesNothing) {
    Wizard w;
    w.Next();
    w.Type("txtAccessFile", "/kept.mdb");
    w.Click("cmdAccessBrowse");
    ASSERT_EQ(w.dialogs.fileRequests.size(), 1u);
    EXPECT_EQ(w.dialogs.fileRequests[0].title.toStdString(), "Select Source Database");
    EXPECT_EQ(w.dialogs.fileRequests[0].filter.toStdString(),
              "Microsoft Access Database (*.mdb *.accdb *.sqlite)|*.mdb;*.accdb;*.sqlite");
    EXPECT_EQ(w.Text("txtAccessFile"), "/kept.mdb");

    w.dialogs.fileAnswer = "/chosen/shop.mdb";
    w.Type("txtAccessFile", "");
    w.Click("cmdAccessBrowse");
    EXPECT_EQ(w.Text("txtAccessFile"), "/chosen/shop.mdb");
    EXPECT_TRUE(NextEnabled(w));

    w.Next();
    w.Choose("cboStep2Type", "SQLite Database");
    w.Click("cmdSQLiteBrowse");
    EXPECT_EQ(w.dialogs.fileRequests.back().title.toStdString(), "Select Destination Database");
    EXPECT_EQ(w.dialogs.fileRequests.back().filter.toStdString(), "SQLite Database (*.sqlite *.db)|*.sqlite;*.db");

    w.Back();
    w.Choose("cboStep1Type", "Excel Spreadsheet (Catalogue only)");
    w.Click("cmdExcelBrowse");
    EXPECT_EQ(w.dialogs.fileRequests.back().title.toStdString(), "Select Excel File As Data Source");
    EXPECT_EQ(w.dialogs.fileRequests.back().fileName.toStdString(), "*.xls");
    EXPECT_EQ(w.dialogs.fileRequests.back().filter.toStdString(), "Microsoft Excel Files (*.xls, *.xlsx)|*.xls; *.xlsx");
}

TEST(WizardDatabasePage, FiltersBecomeQtFilters) {
    EXPECT_EQ(QtFileFilter(QStringLiteral("Text Files (*.txt, *.csv)|*.txt; *.csv")).toStdString(),
              "Text Files (*.txt *.csv)");
    EXPECT_EQ(QtFileFilter(QStringLiteral(".SQL Files (*.sql)|*.sql;")).toStdString(), ".SQL Files (*.sql)");
    EXPECT_EQ(QtFileFilter(QStringLiteral("SQLite Database (*.sqlite *.db)|*.sqlite;*.db")).toStdString(),
              "SQLite Database (*.sqlite *.db)");
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
