// Walking the steps: headers, buttons, combo entries, and the connection
// details that the two database pages park in their profiles.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QCheckBox>
#include <fstream>
#include <QRadioButton>

#include "WizardHarness.h"
#include "data/FixtureShops.h"
#include "support/TestEnv.h"

namespace qdt::wizard::ui::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::StartsWith;

const char* kDataCopySources[] = {"Access Database", "MSSQL Server Database", "MySQL Database", "SQLite Database",
                                  "Excel Spreadsheet (Catalogue only)", "Text File (Catalogue only)"};

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

TEST(WizardNavigation, DataCopyDatabasePagesOfferTheirEntriesAndStartEmpty) {
    Wizard w;
    w.Next();
    EXPECT_EQ(w.window->intAction(), 0);
    EXPECT_EQ(w.Text("lblTitle"), "Select the Source Database");
    EXPECT_EQ(w.Text("lblSubTitle"),
              "The source database is the old Quillmart database that you want to copy the data from. Select which "
              "database type it is and configure the connection.");
    EXPECT_EQ(w.Buttons(), "+-+");
    EXPECT_THAT(w.Entries("cboStep1Type"), ::testing::ElementsAreArray(kDataCopySources));
    EXPECT_EQ(w.Find<QComboBox>("cboStep1Type")->currentText().toStdString(), "Access Database");
    EXPECT_EQ(w.ShownFrame(), "frAccess");

    w.Type("txtAccessFile", "C:\\shop\\old.mdb");
    EXPECT_EQ(w.Buttons(), "+++");
    w.Next();
    EXPECT_EQ(w.Text("lblTitle"), "Select the Destination Database");
    EXPECT_EQ(w.Text("lblSubTitle"),
              "The destination database is the new Quillmart 5 database. Select which database type it is and "
              "configure the connection.");
    EXPECT_EQ(w.Buttons(), "+-+");
    EXPECT_THAT(w.Entries("cboStep2Type"),
                ElementsAre("Access Database", "MSSQL Server Database", "MySQL Database", "SQLite Database"));
    // The boxes are shared, yet the destination does not show the source's file.
    EXPECT_EQ(w.ShownFrame(), "frAccess");
    EXPECT_EQ(w.Text("txtAccessFile"), "");
    EXPECT_EQ(w.window->Context().source.Database, "C:\\shop\\old.mdb");
}

TEST(WizardNavigation, BackFromTheDestinationRestoresTheSourceAndForwardTheDestination) {
    Wizard w;
    w.Next();
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.ShownFrame(), "frSQLServer");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    w.Type("txtSQLServer", "oldserver");
    w.Type("txtSQLDatabase", "oldshop");
    w.Type("txtSQLUsername", "sa");
    w.Type("txtSQLPassword", "old;secret");
    w.Type("txtSQLPort", "1500");
    w.Next();
    w.Choose("cboStep2Type", "MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLServer"), "");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    w.Type("txtSQLServer", "newserver");
    w.Type("txtSQLDatabase", "newshop");

    w.Back();
    EXPECT_EQ(w.window->intCurrStep(), 1);
    EXPECT_EQ(w.Find<QComboBox>("cboStep1Type")->currentText().toStdString(), "MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLServer"), "oldserver");
    EXPECT_EQ(w.Text("txtSQLDatabase"), "oldshop");
    EXPECT_EQ(w.Text("txtSQLUsername"), "sa");
    EXPECT_EQ(w.Text("txtSQLPassword"), "old;secret");
    EXPECT_EQ(w.Text("txtSQLPort"), "1500");
    EXPECT_EQ(w.Buttons(), "+++");

    w.Next();
    EXPECT_EQ(w.Text("txtSQLServer"), "newserver");
    EXPECT_EQ(w.Text("txtSQLDatabase"), "newshop");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");

    // Back to the start and forward again: everything must be entered anew.
    w.Back();
    w.Back();
    EXPECT_EQ(w.window->intCurrStep(), 0);
    EXPECT_EQ(w.ShownFrame(), "");
    w.Next();
    EXPECT_EQ(w.Find<QComboBox>("cboStep1Type")->currentText().toStdString(), "Access Database");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLServer"), "");
    EXPECT_EQ(w.Text("txtSQLDatabase"), "");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    EXPECT_EQ(w.window->Context().destination.Kind, data::kAccess);
}

TEST(WizardNavigation, ChoosingAnotherEntryShowsEmptyBoxesNotWhatWasTyped) {
    Wizard w;
    w.Next();
    w.Choose("cboStep1Type", "MSSQL Server Database");
    w.Type("txtSQLServer", "typed");
    w.Choose("cboStep1Type", "MySQL Database");
    EXPECT_EQ(w.ShownFrame(), "frMySQL");
    EXPECT_EQ(w.Text("txtMySQL"), "");
    w.Choose("cboStep1Type", "MSSQL Server Database");
    EXPECT_EQ(w.Text("txtSQLServer"), "");
    EXPECT_EQ(w.Text("txtSQLPort"), "1433");
    EXPECT_EQ(w.Buttons(), "+-+");
}

TEST(WizardNavigation, ExecuteSqlAsksForTheServerThenPreselectsTheScriptFile) {
    Wizard w;
    w.Find<QRadioButton>("optAction2")->click();
    w.Next();
    EXPECT_EQ(w.window->intAction(), 1);
    EXPECT_EQ(w.Text("lblTitle"), "Select SQL Server Database");
    EXPECT_EQ(w.Text("lblSubTitle"),
              "Enter in the connection details for the SQL Server database. This can be a local or remote server.");
    EXPECT_THAT(w.Entries("cboStep1Type"), ElementsAre("MSSQL Server Database", "MySQL Database", "SQLite Database"));
    EXPECT_EQ(w.Find<QComboBox>("cboStep1Type")->currentText().toStdString(), "MSSQL Server Database");
    EXPECT_EQ(w.ShownFrame(), "frSQLServer");
    EXPECT_EQ(w.Buttons(), "+-+");
    w.Type("txtSQLServer", "dbhost");
    w.Next();
    EXPECT_EQ(w.Text("lblTitle"), "Select the .SQL file");
    EXPECT_THAT(w.Text("lblSubTitle"),
                StartsWith("Select the .SQL file you want to execute against the SQL Server database. "));
    EXPECT_THAT(w.Entries("cboStep2Type"), ElementsAre(".SQL File"));
    EXPECT_EQ(w.Find<QComboBox>("cboStep2Type")->currentText().toStdString(), ".SQL File");
    EXPECT_EQ(w.ShownFrame(), "frSQLFile");
    EXPECT_EQ(w.Buttons(), "+-+");
    w.Type("txtSQLFile", "/tmp/create.sql");
    EXPECT_EQ(w.Buttons(), "+++");
    // Going back to Data Copy offers the Data Copy entries again.
    w.Back();
    w.Back();
    w.Find<QRadioButton>("optAction")->click();
    w.Next();
    EXPECT_THAT(w.Entries("cboStep1Type"), ::testing::ElementsAreArray(kDataCopySources));
}

TEST(WizardNavigation, ExecuteSqlRunsTheScriptOnTheDatabaseAndHidesTheSettings) {
    Wizard w;
    const std::string database = test::TempDir() + "/blank.sqlite";
    std::ofstream(database).close();  // an empty file is an empty SQLite database
    const std::string script = data::testing::ShopScript("sqlite", "5.104", true);
    w.Find<QRadioButton>("optAction2")->click();
    w.Next();
    w.Choose("cboStep1Type", "SQLite Database");
    w.Type("txtSQLiteFile", database);
    w.Next();
    w.Type("txtSQLFile", script);
    w.Next();
    EXPECT_EQ(w.Text("lblTitle"), "Confirm Details");
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_EQ(w.Text("txtSource"), "SQLite");
    EXPECT_EQ(w.Text("txtDestin"), ".SQL File");
    EXPECT_FALSE(w.Button("cmdTables")->isVisible());
    EXPECT_EQ(w.Buttons(), "+++");
    w.Next();
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_THAT(w.Text("txtStep2"), EndsWith("Data Transfer Successful!"));
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
    EXPECT_EQ(w.Find<QComboBox>("cboStep1Type")->currentText().toStdString(), "SQLite Database");
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/demo/old.sqlite");
    EXPECT_EQ(w.Buttons(), "+++");
    w.Type("txtSQLiteFile", "/elsewhere.sqlite");
    w.Next();
    EXPECT_EQ(w.Find<QComboBox>("cboStep2Type")->currentText().toStdString(), "SQLite Database");
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/demo/new.sqlite");
    w.Back();
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/elsewhere.sqlite");
    w.Back();
    w.Next();
    EXPECT_EQ(w.Text("txtSQLiteFile"), "/demo/old.sqlite");
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
