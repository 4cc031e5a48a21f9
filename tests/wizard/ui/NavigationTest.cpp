// Walking the steps: headers, buttons, combo entries, what decides Next on
// the database pages, and the connection details they park in their profiles.
#include <gmock/gmock.h>

#include <QCheckBox>
#include <QRadioButton>

#include "WizardHarness.h"
#include "support/TestEnv.h"

namespace qdt::wizard::ui::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

const std::vector<std::string> kDataCopySources = {"Access Database",  "MSSQL Server Database",
                                                   "MySQL Database",   "SQLite Database",
                                                   "Excel Spreadsheet (Catalogue only)", "Text File (Catalogue only)"};

std::string Current(const Wizard& w, const char* combo) {
    return w.Find<QComboBox>(combo)->currentText().toStdString();
}

// The window opens on the action choice with the version in the subtitle.
// The two database pages of each action, walked forward: each starts on its
// first entry with an empty box, and Next waits for that box.
TEST(WizardNavigation, OpensOnTheActionChoiceThenEachActionsPagesOfferTheirEntries) {
    Wizard w;
    EXPECT_EQ(w.window->windowTitle().toStdString(), "Quillmart Data Tool");
    EXPECT_EQ(w.window->intCurrStep(), 0);
    EXPECT_EQ(w.Text("lblTitle"), "Quillmart Data Tool");
    EXPECT_EQ(w.Text("lblSubTitle"), "Welcome to the Quillmart Data Tool v9.87");
    // Major, ".", then minor and patch run together.
    EXPECT_EQ(FrmMain::VersionCaption(2, 3, 6).toStdString(), "v2.36");
    EXPECT_EQ(FrmMain::VersionCaption(0, 1, 0).toStdString(), "v0.10");
    EXPECT_EQ(w.Buttons(), "-++");
    EXPECT_EQ(w.Text("cmdBack") + " " + w.Text("cmdNext") + " " + w.Text("cmdCancel"), "< &Back Next > &Cancel");
    EXPECT_TRUE(w.Find<QRadioButton>("optAction")->isChecked());
    EXPECT_EQ(w.ShownFrame(), "");
    // Nothing may be clipped at the designed size: the window is at least that big.
    EXPECT_TRUE(w.window->width() >= 431 && w.window->height() >= 344);

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

// Default files are offered on both pages, and again after starting over.
TEST(WizardNavigation, BackFromTheDestinationRestoresTheSourceAndForwardTheDestination) {
    const std::vector<const char*> boxes = {"txtSQLServer", "txtSQLDatabase", "txtSQLUsername", "txtSQLPassword",
                                            "txtSQLPort"};
    const std::vector<std::string> typed = {"oldserver", "oldshop", "sa", "old;secret", "1500"};
    Wizard w;
    w.window->SetDefaultFiles(data::kSqlite, "/demo/old.sqlite", "/demo/new.sqlite");
    w.Next();
    EXPECT_EQ(Current(w, "cboStep1Type") + " " + w.Text("txtSQLiteFile"), "SQLite Database /demo/old.sqlite");
    EXPECT_EQ(w.Buttons(), "+++");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "||||1433");
    for (std::size_t i = 0; i < boxes.size(); ++i) w.Type(boxes[i], typed[i]);
    w.Next();
    EXPECT_EQ(Current(w, "cboStep2Type") + " " + w.Text("txtSQLiteFile"), "SQLite Database /demo/new.sqlite");
    w.Choose("cboStep2Type", "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "||||1433");
    w.Type("txtSQLServer", "newserver");

    w.Back();
    EXPECT_EQ(Current(w, "cboStep1Type"), "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "oldserver|oldshop|sa|old;secret|1500");
    EXPECT_EQ(w.Buttons(), "+++");
    w.Next();
    EXPECT_EQ(w.Texts(boxes), "newserver||||1433");

    // Back to the start and forward again: everything must be entered anew.
    w.Back();
    w.Back();
    w.Next();
    EXPECT_EQ(Current(w, "cboStep1Type") + " " + w.Text("txtSQLiteFile"), "SQLite Database /demo/old.sqlite");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "||||1433");
    EXPECT_EQ(w.window->Context().destination.Kind, data::kSqlite);
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

// One user action after another on the source page, and whether Next may be
// pressed after each. Another entry shows empty boxes, not what was typed.
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
        {"MySQL Database", nullptr, nullptr, false},
        {nullptr, "txtMySQLDatabase", "shop", false},  // not the box that decides
        {nullptr, "txtMySQL", "mysqlhost", true},
        {"MSSQL Server Database", nullptr, nullptr, false},  // the server typed before is gone
        {nullptr, "txtSQLServer", "dbhost", true},           // and the port is 1433 again
        {nullptr, "txtSQLServer", "", false},
        {"Excel Spreadsheet (Catalogue only)", nullptr, nullptr, false},
        {nullptr, "txtExcelFile", "/data/items.xls", true},  // the first worksheet will be used
        {"Text File (Catalogue only)", nullptr, nullptr, false},
        {nullptr, "txtCSVFile", "/data/items.csv", true},
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

// What a page parks in its side's profile.
std::string Parked(const data::ConnectionProfile& p) {
    return std::string(data::DatabaseKindCaption(p.Kind)) + "|" + p.Server + "|" + p.Database + "|" + p.User + "|" +
           p.Password + "|" + std::to_string(p.Port) + (p.Trusted ? "|trusted|" : "||") + p.DateDelimiter;
}

// Passwords are masked as typed. Browse asks with the side's title and
// filter, and a cancel changes nothing. A trusted login greys user and
// password but keeps and stores them.
TEST(WizardDatabasePage, PagesParkTheirDetailsAndTheDialectInTheProfile) {
    Wizard w;
    for (const char* name : {"txtAccessPassword", "txtSQLPassword", "txtMySQLPassword"})
        EXPECT_EQ(w.Box(name)->echoMode(), QLineEdit::Password) << name;
    EXPECT_EQ(w.Box("txtSQLUsername")->echoMode(), QLineEdit::Normal);
    w.Next();
    w.Type("txtAccessFile", "/kept.mdb");
    w.Click("cmdAccessBrowse");
    EXPECT_EQ(w.Text("txtAccessFile"), "/kept.mdb");
    w.dialogs.fileAnswer = "/shop/old.mdb";
    w.Type("txtAccessFile", "");
    w.Click("cmdAccessBrowse");
    EXPECT_TRUE(w.Button("cmdNext")->isEnabled());
    w.Type("txtAccessPassword", "pw");
    w.Next();
    EXPECT_EQ(Parked(w.window->Context().source), "Access Database||/shop/old.mdb||pw|1433||#");
    w.Choose("cboStep2Type", "SQLite Database");
    w.Click("cmdSQLiteBrowse");
    w.Back();
    w.Choose("cboStep1Type", "Excel Spreadsheet (Catalogue only)");
    w.Click("cmdExcelBrowse");
    std::vector<std::string> asked;
    for (const FakeDialogs::FileRequest& r : w.dialogs.fileRequests)
        asked.push_back((r.title + " | " + r.fileName + " | " + r.filter).toStdString());
    const std::string access =
        "Select Source Database |  | Microsoft Access Database (*.mdb *.accdb *.sqlite)|*.mdb;*.accdb;*.sqlite";
    EXPECT_THAT(asked, ElementsAre(access, access,
                                   "Select Destination Database |  | SQLite Database (*.sqlite *.db)|*.sqlite;*.db",
                                   "Select Excel File As Data Source | *.xls | Microsoft Excel Files (*.xls, "
                                   "*.xlsx)|*.xls; *.xlsx"));

    w.Choose("cboStep1Type", "MSSQL Server Database");
    w.Type("txtSQLServer", "dbhost");
    w.Type("txtSQLUsername", "sa");
    w.Type("txtSQLPassword", "pw");
    w.Find<QCheckBox>("chkSQLTrusted")->click();
    EXPECT_FALSE(w.Box("txtSQLUsername")->isEnabled());
    EXPECT_FALSE(w.Box("txtSQLPassword")->isEnabled());
    EXPECT_EQ(w.Text("txtSQLUsername"), "sa");
    w.Next();
    EXPECT_EQ(Parked(w.window->Context().source), "MSSQL Server Database|dbhost||sa|pw|1433|trusted|'");
    // The destination page shows the boxes enabled again, with an unticked box.
    w.Choose("cboStep2Type", "MSSQL Server Database");
    EXPECT_FALSE(w.Find<QCheckBox>("chkSQLTrusted")->isChecked());
    EXPECT_TRUE(w.Box("txtSQLUsername")->isEnabled());
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
