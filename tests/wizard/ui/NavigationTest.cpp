// Walking the steps: headers, buttons, combo entries, what decides Next on
// the database pages, and the connection details they park in their profiles.
// Leaving the wizard: Cancel, Finish with the folder opener, and the title
// bar's close box with and without work under way.
#include <gmock/gmock.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QRadioButton>

#include "WizardHarness.h"
#include "db/Connection.h"
#include "support/TestEnv.h"

namespace qdt::wizard::ui::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::ElementsAreArray;
using ::testing::HasSubstr;

const std::vector<std::string> kDataCopySources = {"Access Database",  "MSSQL Server Database",
                                                   "MySQL Database",   "SQLite Database",
                                                   "Excel Spreadsheet (Catalogue only)", "Text File (Catalogue only)"};

// The window opens on the action choice with the version in the subtitle.
// The two database pages of each action, walked forward: each starts on its
// first entry with an empty box, and Next waits for that box.
TEST(WizardNavigation, OpensOnTheActionChoiceThenEachActionsPagesOfferTheirEntries) {
    Wizard w;
    EXPECT_EQ(w.window->windowTitle().toStdString(), "Quillmart Data Tool");
    EXPECT_EQ(w.window->intCurrStep(), 0);
    EXPECT_EQ(w.Texts({"lblTitle", "lblSubTitle", "cmdBack", "cmdNext", "cmdCancel"}),
              "Quillmart Data Tool|Welcome to the Quillmart Data Tool v9.87|< &Back|Next >|&Cancel");
    // Major, ".", then minor and patch run together.
    EXPECT_EQ(FrmMain::VersionCaption(2, 3, 6).toStdString(), "v2.36");
    EXPECT_EQ(FrmMain::VersionCaption(0, 1, 0).toStdString(), "v0.10");
    EXPECT_EQ(w.Buttons(), "-++");
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
        EXPECT_EQ(w.Texts({"lblTitle", "lblSubTitle"}), std::string(p.title) + "|" + p.subtitle);
        const char* combo = step == 1 ? "cboStep1Type" : "cboStep2Type";
        EXPECT_THAT(w.Entries(combo), ElementsAreArray(p.entries));
        EXPECT_EQ(w.Text(combo), p.entries.front());
        EXPECT_EQ(w.ShownFrame(), p.frame);
        EXPECT_EQ(w.Text(p.box) + w.Buttons(), "+-+");  // an empty box, so no Next
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

// What a page parks in its side's profile.
std::string Parked(const data::ConnectionProfile& p) {
    return std::string(data::DatabaseKindCaption(p.Kind)) + "|" + p.Server + "|" + p.Database + "|" + p.User + "|" +
           p.Password + "|" + std::to_string(p.Port) + (p.Trusted ? "|trusted|" : "||") + p.DateDelimiter;
}

// Default files are offered on both pages, and again after starting over. A
// trusted login greys user and password but keeps and stores them.
TEST(WizardNavigation, BackFromTheDestinationRestoresTheSourceAndForwardTheDestination) {
    const std::vector<const char*> boxes = {"txtSQLServer", "txtSQLDatabase", "txtSQLUsername", "txtSQLPassword",
                                            "txtSQLPort"};
    const std::vector<std::string> typed = {"oldserver", "oldshop", "sa", "old;secret", "1500"};
    Wizard w;
    w.window->SetDefaultFiles(data::kSqlite, "/demo/old.sqlite", "/demo/new.sqlite");
    w.Next();
    EXPECT_EQ(w.Texts({"cboStep1Type", "txtSQLiteFile"}), "SQLite Database|/demo/old.sqlite");
    EXPECT_EQ(w.Buttons(), "+++");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "||||1433");
    for (std::size_t i = 0; i < boxes.size(); ++i) w.Type(boxes[i], typed[i]);
    w.Find<QCheckBox>("chkSQLTrusted")->click();
    EXPECT_FALSE(w.Box("txtSQLUsername")->isEnabled() || w.Box("txtSQLPassword")->isEnabled());
    w.Next();
    EXPECT_EQ(Parked(w.window->Context().source),
              "MSSQL Server Database|oldserver|oldshop|sa|old;secret|1500|trusted|'");
    EXPECT_EQ(w.Texts({"cboStep2Type", "txtSQLiteFile"}), "SQLite Database|/demo/new.sqlite");
    w.Choose("cboStep2Type", "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "||||1433");
    // The destination page shows the boxes enabled again, with an unticked box.
    EXPECT_FALSE(w.Find<QCheckBox>("chkSQLTrusted")->isChecked() || !w.Box("txtSQLUsername")->isEnabled());
    w.Type("txtSQLServer", "newserver");

    w.Back();
    EXPECT_EQ(w.Text("cboStep1Type"), "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "oldserver|oldshop|sa|old;secret|1500");
    EXPECT_EQ(w.Buttons(), "+++");
    w.Next();
    EXPECT_EQ(w.Texts(boxes), "newserver||||1433");

    // Back to the start and forward again: everything must be entered anew.
    w.Back();
    w.Back();
    w.Next();
    EXPECT_EQ(w.Texts({"cboStep1Type", "txtSQLiteFile"}), "SQLite Database|/demo/old.sqlite");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Texts(boxes), "||||1433");
    EXPECT_EQ(w.window->Context().destination.Kind, data::kSqlite);
}

TEST(WizardNavigation, ExecuteSqlRunsTheScriptOnTheDatabaseAndHidesTheSettings) {
    Wizard w;
    const std::string database = test::NewSqliteFile();
    w.Find<QRadioButton>("optAction2")->click();
    ASSERT_TRUE(w.EnterSides({"SQLite Database", "txtSQLiteFile", database},
                             {".SQL File", "txtSQLFile", data::testing::ShopScript("sqlite", "5.104", true)}));
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
    EXPECT_EQ(w.ShownFrame() + " " + w.Texts({"txtExcelFile", "txtExcelSheet"}), "frExcel /data/items.xls|");
}

// Passwords are masked as typed. Browse asks with the side's title and
// filter, and a cancel changes nothing.
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
    const std::string access =
        "Select Source Database |  | Microsoft Access Database (*.mdb *.accdb *.sqlite)|*.mdb;*.accdb;*.sqlite";
    EXPECT_THAT(w.dialogs.fileRequests, ElementsAre(access, access,
                                   "Select Destination Database |  | SQLite Database (*.sqlite *.db)|*.sqlite;*.db",
                                   "Select Excel File As Data Source | *.xls | Microsoft Excel Files (*.xls, "
                                   "*.xlsx)|*.xls; *.xlsx"));
    // The dialog takes them in its own form.
    EXPECT_EQ(QtFileFilter(QStringLiteral("Text Files (*.txt, *.csv)|*.txt; *.csv")).toStdString(),
              "Text Files (*.txt *.csv)");
    EXPECT_EQ(QtFileFilter(QStringLiteral(".SQL Files (*.sql)|*.sql;")).toStdString(), ".SQL Files (*.sql)");
    EXPECT_EQ(QtFileFilter(QStringLiteral("SQLite Database (*.sqlite *.db)|*.sqlite;*.db")).toStdString(),
              "SQLite Database (*.sqlite *.db)");
}

const char* kExitQuestion = "Are you sure you want to exit the Data Tool?";
const std::string kStoppingToClose = "Stopping... The Data Tool closes as soon as the database answers.";

// The window goes once the work has stopped, having asked as often as it was
// closed, and no box pops up for a window that is gone.
void ExpectClosedAfterQuestions(Wizard& w, std::size_t asked = 1) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.window->isVisible(); }, 60000));
    EXPECT_EQ(w.dialogs.questions, std::vector<std::string>(asked, kExitQuestion));
    QTest::qWait(100);
    EXPECT_TRUE(w.dialogs.informations.empty());
}

// The close box, with nothing running, closes without asking.
TEST(WizardClosing, CancelAsksAndClosesOnlyOnYesTheCloseBoxDoesNotAsk) {
    Wizard w, other;
    w.Next();
    w.Click("cmdCancel");
    EXPECT_THAT(w.dialogs.questions, ElementsAre(kExitQuestion));
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.window->intCurrStep(), 1);
    w.dialogs.answerYes = true;
    w.Click("cmdCancel");
    EXPECT_EQ(w.dialogs.questions.size(), 2u);
    EXPECT_FALSE(w.window->isVisible());

    EXPECT_TRUE(other.window->close());
    EXPECT_TRUE(other.dialogs.questions.empty());
}

// The folder is offered only for a database in a file, and opened only when
// ticked; a failing opener says so and keeps the window, whose Finish can be
// pressed again.
TEST(WizardClosing, FinishOpensTheFileDatabasesFolderWhenTickedThenCloses) {
    struct Case {
        data::DatabaseKind kind;
        const char* path;
        bool offered, ticked, opens;
        std::vector<std::string> opened, criticals;
    };
    const Case cases[] = {
        {data::kAccess, "C:/shop/db.mdb", true, true, true, {"C:/shop/"}, {}},
        {data::kAccess, "C:/shop/db.mdb", true, false, true, {}, {}},
        {data::kSqlite, "C:\\shop\\db.sqlite", true, true, false, {"C:\\shop\\"}, {"Could not open directory."}},
        // The folder keeps its separator; the last of either ends it.
        {data::kSqlite, "C:\\shop/db.sqlite", true, true, true, {"C:\\shop/"}, {}},
        {data::kSqlite, "db.sqlite", true, true, true, {""}, {}},
        {data::kSqlServer, "shop", false, true, true, {}, {}},
        {data::kMySql, "shop", false, true, true, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        Wizard w;
        w.opener.succeed = c.opens;
        // Set directly: the check cannot pass for a file that is not there.
        w.window->Context().destination.Kind = c.kind;
        w.window->Context().destination.Database = c.path;
        w.window->SetStep(5);
        EXPECT_EQ(w.Texts({"lblTitle", "lblSubTitle", "cmdCancel"}) + w.Buttons(),
                  "Complete|The process was successful. Please read the advice below carefully, which outlines the "
                  "manual steps still required to finish setting up your Quillmart 5 store.|Finish--+");
        EXPECT_TRUE(w.Button("cmdCancel")->isDefault());
        auto* box = w.Find<QCheckBox>("chkOpenDirectoryOnExit");
        EXPECT_EQ(box->isVisible(), c.offered);
        EXPECT_FALSE(box->isChecked());
        box->setChecked(c.ticked);
        w.Click("cmdCancel");
        EXPECT_EQ(w.opener.opened, c.opened);
        EXPECT_EQ(w.dialogs.criticals, c.criticals);
        EXPECT_TRUE(w.dialogs.questions.empty());
        if (w.window->isVisible()) {
            EXPECT_FALSE(c.opens);
            w.opener.succeed = true;
            w.Click("cmdCancel");
        }
        EXPECT_FALSE(w.window->isVisible());
    }
}

// No keeps the run going; Yes, while the long table is copied after others
// were written, cancels it, and the window stays until the run has stopped.
TEST(WizardClosing, WhileRunningNoKeepsTheRunGoingYesCancelsRollsBackAndCloses) {
    const std::string source = SqliteShop("4.6", false);
    test::AddMailingListRows(source, 60000);  // still copying when the window is closed
    Wizard w;
    ASSERT_TRUE(w.CheckSqliteFiles(source, SqliteShop("5.104", true)));
    ASSERT_EQ(w.Buttons(), "+++");
    w.Next();
    ASSERT_TRUE(w.window->IsWorking());
    EXPECT_EQ(w.Buttons(), "---");
    EXPECT_FALSE(w.window->close());
    EXPECT_TRUE(w.window->isVisible());
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            return w.window->StatusBridge().Step2Text().find("Adding table tblQuillmartMailingList") !=
                   std::string::npos;
        },
        60000));
    ASSERT_TRUE(w.window->IsWorking());
    w.dialogs.answerYes = true;
    EXPECT_FALSE(w.window->close());
    EXPECT_EQ(w.Text("lblSubTitle") + w.Buttons(), kStoppingToClose + "---");
    ExpectClosedAfterQuestions(w, 2);
    EXPECT_THAT(w.window->StatusBridge().Step2Text(), HasSubstr("\r\nError occurred!\r\nThe operation was cancelled."));
}

// The check waits up to five seconds for a source that another program holds
// locked; Back or Cancel pressed meanwhile must not wait with it.
class WizardLeavingTheCheck : public ::testing::Test {
protected:
    void SetUp() override {
        lock.Execute("BEGIN EXCLUSIVE");
        w.CheckSqliteFiles(source, SqliteShop("5.104", true), false);
        // Past its first yield, and so waiting on the lock: on a busy machine
        // a button pressed earlier would stop the check before it ever waits.
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return w.window->StatusBridge().ConnectText().find("source connection... ") != std::string::npos; }));
        QTest::qWait(100);
        ASSERT_TRUE(w.window->IsWorking());
    }
    std::string source = SqliteShop("4.6", false);
    db::Connection lock = test::OpenSqlite(source);
    Wizard w;
    QElapsedTimer pressed;  // the window answers a button at once
};

TEST_F(WizardLeavingTheCheck, BackStopsTheCheckAndReturnsToTheDestinationPage) {
    EXPECT_EQ(w.Buttons(), "+-+");
    pressed.start();
    w.Click("cmdBack");
    EXPECT_LT(pressed.elapsed(), 1000);
    EXPECT_TRUE(w.window->IsWorking());
    // Cancel stays, for a user who would rather quit.
    EXPECT_EQ(w.Text("lblSubTitle") + w.Buttons(),
              "Stopping... The wizard goes back as soon as the database answers.--+");
    lock.Execute("ROLLBACK");
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_EQ(w.window->intCurrStep(), 2);
    EXPECT_TRUE(w.dialogs.informations.empty());
}

TEST_F(WizardLeavingTheCheck, CancelAsksOnceThenStopsTheCheckAndCloses) {
    w.dialogs.answerYes = true;
    pressed.start();
    w.Click("cmdCancel");
    EXPECT_LT(pressed.elapsed(), 1000);
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.Text("lblSubTitle") + w.Buttons(), kStoppingToClose + "---");
    // The window still paints and answers meanwhile.
    bool ticked = false;
    QTimer::singleShot(50, [&] { ticked = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticked; }, 1000));
    EXPECT_TRUE(w.window->isVisible());
    lock.Execute("ROLLBACK");
    ExpectClosedAfterQuestions(w);
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
