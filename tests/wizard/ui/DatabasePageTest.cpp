// What decides Next on the database pages, and the boxes themselves.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>

#include "WizardHarness.h"
#include "wizard/ui/UserDialogs.h"

namespace qdt::wizard::ui::testing {
namespace {

bool NextEnabled(const Wizard& w) { return w.Button("cmdNext")->isEnabled(); }

TEST(WizardDatabasePage, SqlServerNeedsAServerAndANumericPort) {
    Wizard w;
    w.Next();
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_FALSE(NextEnabled(w));  // no server yet
    w.Type("txtSQLServer", "dbhost");
    EXPECT_TRUE(NextEnabled(w));  // port 1433
    w.Type("txtSQLPort", "");
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtSQLPort", "abc");
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtSQLPort", " 1433 ");
    EXPECT_TRUE(NextEnabled(w));
    // A number, but no port the profile can hold.
    w.Type("txtSQLPort", "70000");
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtSQLPort", "1433");
    w.Type("txtSQLServer", "");
    EXPECT_FALSE(NextEnabled(w));
}

TEST(WizardDatabasePage, FileKindsNeedOnlyTheFile) {
    Wizard w;
    w.Next();
    w.Choose("cboStep1Type", "Excel Spreadsheet (Catalogue only)");
    EXPECT_EQ(w.ShownFrame(), "frExcel");
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtExcelFile", "/data/items.xls");
    EXPECT_EQ(w.Text("txtExcelSheet"), "");
    EXPECT_TRUE(NextEnabled(w));  // the first worksheet will be used

    w.Choose("cboStep1Type", "Text File (Catalogue only)");
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtCSVFile", "/data/items.csv");
    EXPECT_TRUE(NextEnabled(w));
    // The catalogue boxes keep what was typed when another entry is chosen.
    w.Choose("cboStep1Type", "Excel Spreadsheet (Catalogue only)");
    EXPECT_EQ(w.Text("txtExcelFile"), "/data/items.xls");

    w.Choose("cboStep1Type", "MySQL Database");
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtMySQLDatabase", "shop");  // not the box that decides
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtMySQL", "mysqlhost");
    EXPECT_TRUE(NextEnabled(w));

    w.Choose("cboStep1Type", "SQLite Database");
    EXPECT_EQ(w.ShownFrame(), "frSQLite");
    EXPECT_FALSE(NextEnabled(w));
    w.Type("txtSQLiteFile", "/data/shop.sqlite");
    EXPECT_TRUE(NextEnabled(w));
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
              "Microsoft Access Database (*.mdb *.accdb)|*.mdb;*.accdb");
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
    EXPECT_EQ(w.dialogs.fileRequests.back().filter.toStdString(), "Microsoft Excel Files (*.xls)|*.xls;");
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
