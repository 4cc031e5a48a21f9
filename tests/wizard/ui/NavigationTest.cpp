// Walking the steps: headers, buttons, combo entries, what decides Next on
// the database pages, and the connection details they park in their profiles.
#include <gmock/gmock.h>

#include <QCheckBox>
#include <QRadioButton>

#include "WizardHarness.h"
#include "support/TestEnv.h"

namespace qdt::wizard::ui::testing {
namespace {

using ::testing::ElementsAreArray;

const std::vector<std::string> kDataCopySources = {"Access Database",  "MSSQL Server Database",
                                                   "MySQL Database",   "SQLite Database",
                                                   "Excel Spreadsheet (Catalogue only)", "Text File (Catalogue only)"};

std::string Current(const Wizard& w, const char* combo) {
    return w.Find<QComboBox>(combo)->currentText().toStdString();
}

TEST(WizardNavigation, OpensOnTheActionChoiceWithTheVersionInTheSubtitle) {
    Wizard w;
    EXPECT_EQ(w.window->windowTitle().toStdString(), "Quillmart Data Tool");
    EXPECT_EQ(w.window->intCurrStep(), 0);
    EXPECT_EQ(w.Text("lblTitle"), "Quillmart Data Tool");
    EXPECT_EQ(w.Text("lblSubTitle"), "Welcome to the Quillmart Data Tool v9.87");
    // Major, ".", then minor and patch run together.
    EXPECT_EQ(FrmMain::VersionCaption(2, 3, 6).toStdString(), "v2.36");
    EXPECT_EQ(FrmMain::VersionCaption(0, 1, 0).toStdString(), "v0.10");
    EXPECT_EQ(w.Buttons(), "-++");
    EXPECT_EQ(w.Text("cmdBack"), "< &Back");
    EXPECT_EQ(w.Text("cmdNext"), "Next >");
    EXPECT_EQ(w.Text("cmdCancel"), "&Cancel");
    EXPECT_TRUE(w.Find<QRadioButton>("optAction")->isChecked());
    EXPECT_EQ(w.ShownFrame(), "");
    // Nothing may be clipped at the designed size: the window is at least that big.
    EXPECT_GE(w.window->width(), 431);
    EXPECT_GE(w.window->height(), 344);
}

// The two database pages of each action, walked forward: each starts on its
// first entry with an empty box, and Next waits for that box.
TEST(WizardNavigation, EachActionsDatabasePagesOfferTheirEntriesAndStartEmpty) {
    struct Page {
        const char *action, *title, *subtitle;  // action: the radio button chosen on step 0
        std::vector<std::string> entries;
        const char *frame, *box;
    };
    const Page pages[] = {
        {"optAction", "Select the Source Database",
         "The source database is the old Quillmart database that you want to copy the data from. Select which "
         "database type it is and configure the connection.",
         kDataCopySources, "frAccess", "txtAccessFile"},
        // The boxes are shared, yet the destination does not show the source's file.
        {"optAction", "Select the Destination Database",
         "The destination database is the new Quillmart 5 database. Select which database type it is and configure "
         "the connection.",
         {"Access Database", "MSSQL Server Database", "MySQL Database", "SQLite Database"}, "frAccess",
         "txtAccessFile"},
        {"optAction2", "Select SQL Server Database",
         "Enter in the connection details for the SQL Server database. This can be a local or remote server.",
         {"MSSQL Server Database", "MySQL Database", "SQLite Database"}, "frSQLServer", "txtSQLServer"},
        {"optAction2", "Select the .SQL file",
         "Select the .SQL file you want to execute against the SQL Server database. The structure and data of the "
         "latest Quillmart database can be downloaded from the Quillmart web site.",
         {".SQL File"}, "frSQLFile", "txtSQLFile"},
    };
    Wizard w;
    for (std::size_t i = 0; i < std::size(pages); ++i) {
        const Page& p = pages[i];
        SCOPED_TRACE(p.title);
        const int step = static_cast<int>(i % 2) + 1;
        if (step == 1) {
            while (w.window->intCurrStep() > 0) w.Back();
            w.Find<QRadioButton>(p.action)->click();
        }
        w.Next();
        ASSERT_EQ(w.window->intCurrStep(), step);
        EXPECT_EQ(w.window->intAction(), i < 2 ? 0 : 1);
        EXPECT_EQ(w.Text("lblTitle"), p.title);
        EXPECT_EQ(w.Text("lblSubTitle"), p.subtitle);
        const char* combo = step == 1 ? "cboStep1Type" : "cboStep2Type";
        EXPECT_THAT(w.Entries(combo), ElementsAreArray(p.entries));
        EXPECT_EQ(Current(w, combo), p.entries.front());
        EXPECT_EQ(w.ShownFrame(), p.frame);
        EXPECT_EQ(w.Text(p.box), "");
        EXPECT_EQ(w.Buttons(), "+-+");
        w.Type(p.box, "/shop/a");
        EXPECT_EQ(w.Buttons(), "+++");
    }
    EXPECT_EQ(w.window->Context().source.Server, "/shop/a");
    // Going back to Data Copy offers the Data Copy entries again.
    w.Back();
    w.Back();
    w.Find<QRadioButton>("optAction")->click();
    w.Next();
    EXPECT_THAT(w.Entries("cboStep1Type"), ElementsAreArray(kDataCopySources));
}

TEST(WizardNavigation, BackFromTheDestinationRestoresTheSourceAndForwardTheDestination) {
    Wizard w;
    w.OpenSource("MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    const std::pair<const char*, const char*> typed[] = {{"txtSQLServer", "oldserver"}, {"txtSQLDatabase", "oldshop"},
                                                         {"txtSQLUsername", "sa"},       {"txtSQLPassword", "old;secret"},
                                                         {"txtSQLPort", "1500"}};
    for (const auto& [box, text] : typed) w.Type(box, text);
    w.Next();
    w.Choose("cboStep2Type", "MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLServer"), "");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    w.Type("txtSQLServer", "newserver");

    w.Back();
    EXPECT_EQ(Current(w, "cboStep1Type"), "MSSQL Server Database");
    for (const auto& [box, text] : typed) EXPECT_EQ(w.Text(box), text) << box;
    EXPECT_EQ(w.Buttons(), "+++");
    w.Next();
    EXPECT_EQ(w.Text("txtSQLServer"), "newserver");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");

    // Back to the start and forward again: everything must be entered anew.
    w.Back();
    w.Back();
    w.Next();
    EXPECT_EQ(Current(w, "cboStep1Type"), "Access Database");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLServer"), "");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    EXPECT_EQ(w.window->Context().destination.Kind, data::kAccess);
}

TEST(WizardNavigation, ChoosingAnotherEntryShowsEmptyBoxesNotWhatWasTyped) {
    Wizard w;
    w.OpenSource("MSSQL Server Database");
    w.Type("txtSQLServer", "typed");
    w.Choose("cboStep1Type", "MySQL Database");
    EXPECT_EQ(w.ShownFrame(), "frMySQL");
    EXPECT_EQ(w.Text("txtMySQL"), "");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLServer"), "");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    EXPECT_EQ(w.Buttons(), "+-+");
}

TEST(WizardNavigation, ExecuteSqlRunsTheScriptOnTheDatabaseAndHidesTheSettings) {
    Wizard w;
    const std::string database = test::NewSqliteFile();
    w.Find<QRadioButton>("optAction2")->click();
    w.EnterSides({"SQLite Database", "txtSQLiteFile", database},
                 {".SQL File", "txtSQLFile", data::testing::ShopScript("sqlite", "5.104", true)});
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_FALSE(w.Button("cmdTables")->isVisible());
    EXPECT_EQ(w.Buttons(), "+++");
    ASSERT_TRUE(w.NextAndWait());
    EXPECT_EQ(w.Text("txtStep2"),
              "\nConnecting to source database... done.\nConnecting to destination database... done.\n"
              "Reading .SQL file... done.\nInterpreting SQL... done.\nExecuting SQL... done.\n"
              "Closing Databases... done.\n\nData Transfer Successful!");
    EXPECT_TRUE(w.dialogs.informations.empty());
    EXPECT_GT(CountRows(database, "tblQuillmartConfig"), 0);
    w.Next();
    EXPECT_EQ(w.Text("lblTitle"), "Complete");
    // There is no database file of the shop to open in Execute SQL.
    EXPECT_FALSE(w.Find<QCheckBox>("chkOpenDirectoryOnExit")->isVisible());
}

TEST(WizardNavigation, DefaultFilesAreOfferedOnBothPagesAndAfterStartingAgain) {
    Wizard w;
    w.window->SetDefaultFiles(data::kSqlite, "/demo/old.sqlite", "/demo/new.sqlite");
    w.Next();
    EXPECT_EQ(Current(w, "cboStep1Type"), "SQLite Database");
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/demo/old.sqlite");
    EXPECT_EQ(w.Buttons(), "+++");
    w.Type("txtSQLiteFile", "/elsewhere.sqlite");
    w.Next();
    EXPECT_EQ(Current(w, "cboStep2Type"), "SQLite Database");
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/demo/new.sqlite");
    w.Back();
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/elsewhere.sqlite");
    w.Back();
    w.Next();
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/demo/old.sqlite");
}

// One user action after another on the source page, and whether Next may be pressed after each.
TEST(WizardDatabasePage, NextWaitsForTheBoxesThatDecide) {
    struct Step {
        const char *combo, *box, *text;  // the entry chosen or the box typed into (the other nullptr)
        bool next;
    };
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
        EXPECT_EQ(w.Button("cmdNext")->isEnabled(), s.next)
            << (s.combo ? s.combo : s.box) << " " << (s.text ? s.text : "");
    }
    EXPECT_EQ(w.ShownFrame(), "frExcel");
    EXPECT_EQ(w.Text("txtExcelFile"), "/data/items.xls");
    EXPECT_EQ(w.Text("txtExcelSheet"), "");
}

TEST(WizardDatabasePage, TrustedLoginGreysUserAndPasswordButKeepsAndStoresThem) {
    Wizard w;
    w.OpenSource("MSSQL Server Database");
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
    EXPECT_TRUE(w.Button("cmdNext")->isEnabled());

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
