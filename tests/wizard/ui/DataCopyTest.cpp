// A whole Data Copy through the window, and the check and the run failing.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QListWidget>
#include <QProgressBar>

#include "WizardHarness.h"

namespace qdt::wizard::ui::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

class WizardDataCopy : public ::testing::Test {
protected:
    void SetUp() override {
        source = SqliteShop("4.6", false);
        destination = SqliteShop("5.104", true);
    }
    Wizard w;
    std::string source, destination;
};

TEST_F(WizardDataCopy, CopiesAQuillmart46ShopIntoANew5104ShopThenBackChecksAgain) {
    w.EnterSqliteFiles(source, destination);
    EXPECT_EQ(w.Text("lblTitle"), "Confirm Details");
    EXPECT_EQ(w.Text("lblSubTitle"),
              "The system will check the data source and destination and detect the versions. Confirm the "
              "information before continuing to copying the data.");
    // While the check works it can only be left, by Back or Cancel.
    EXPECT_EQ(w.Buttons(), "+-+");
    EXPECT_FALSE(w.Button("cmdTables")->isEnabled());
    ASSERT_TRUE(w.WaitForWork());
    // The check's own texts are the engine's; the window shows them and its outcome.
    EXPECT_EQ(w.Text("txtSource"), "Quillmart v4.6");
    EXPECT_EQ(w.Text("txtDestin"), "Quillmart v5.104");
    EXPECT_EQ(w.Buttons(), "+++");
    EXPECT_TRUE(w.Button("cmdTables")->isEnabled());

    // The settings dialog works on the run's own lists: the news are left out.
    w.InSettingsDialog([](QDialog& dialog) {
        auto found = dialog.findChild<QListWidget*>(QStringLiteral("litCopy"))
                         ->findItems(QStringLiteral("tblQuillmartNews"), Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1);
        found[0]->setCheckState(Qt::Unchecked);
        QTest::mouseClick(dialog.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    });

    w.Next();
    EXPECT_EQ(w.Text("lblTitle"), "Processing");
    EXPECT_EQ(w.Text("lblSubTitle"),
              "The system is now performing the designated task. Please be patient whilst the process completes.");
    EXPECT_EQ(w.Buttons(), "---");
    ASSERT_TRUE(w.WaitForWork());
    const std::string log = w.Text("txtStep2");
    EXPECT_THAT(log, Not(HasSubstr("tblQuillmartNews")));
    EXPECT_THAT(log, EndsWith("Closing Databases... done.\n\nData Transfer Successful!"));
    EXPECT_TRUE(w.dialogs.informations.empty());
    auto* total = w.Find<QProgressBar>("barTotal");
    EXPECT_EQ(total->value(), total->maximum());
    EXPECT_EQ(w.Buttons(), "++-");

    // Back from the finished run checks again.
    w.Back();
    EXPECT_EQ(w.window->intCurrStep(), 3);
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_THAT(w.Text("txtConnect"), StartsWith("Testing SQLite Database source connection... done."));
    // The check empties the run's log too.
    EXPECT_EQ(w.Text("txtStep2"), "");
    EXPECT_EQ(w.Buttons(), "+++");
}

TEST_F(WizardDataCopy, SameFileTwiceFailsTheCheckAndBackKeepsTheFile) {
    w.EnterSqliteFiles(source, source);
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_THAT(w.dialogs.informations, ElementsAre(StartsWith("Trying to connect to the same databases!\n\n")));
    EXPECT_EQ(w.Buttons(), "+-+");
    EXPECT_FALSE(w.Button("cmdTables")->isEnabled());
    w.Back();
    EXPECT_EQ(w.window->intCurrStep(), 2);
    EXPECT_EQ(w.Text("txtSQLiteFile"), source);
}

TEST_F(WizardDataCopy, AFailingRunShowsTheErrorAndLeavesOnlyBackAndCancel) {
    w.EnterSqliteFiles(source, destination);
    ASSERT_TRUE(w.WaitForWork());
    // The destination loses a table between the check and the run.
    test::OpenSqlite(destination).Execute("DROP TABLE tblQuillmartAffiliates");
    w.Next();
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_THAT(w.dialogs.informations,
                ElementsAre("An error has occurred copying one of the tables. \n"
                            "This may be due to the correct database type not being selected.\n"
                            "Please go back and check you have selected correctly.\n\n"
                            "See status window for more details."));
    EXPECT_EQ(w.Buttons(), "+-+");
}

}  // namespace
}  // namespace qdt::wizard::ui::testing
