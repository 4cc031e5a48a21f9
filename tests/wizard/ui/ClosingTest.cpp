// Leaving the wizard: Cancel, Finish with the folder opener, and the title
// bar's close box with and without work under way.
#include <gmock/gmock.h>

#include <QCheckBox>
#include <QElapsedTimer>
#include <QTimer>

#include "WizardHarness.h"
#include "db/Connection.h"

namespace qdt::wizard::ui::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

const char* kExitQuestion = "Are you sure you want to exit the Data Tool?";
const char* kStoppingToClose = "Stopping... The Data Tool closes as soon as the database answers.";

// The window goes once the work has stopped, having asked as often as it was
// closed, and no box pops up for a window that is gone.
void ExpectClosedAfterQuestions(Wizard& w, std::size_t asked = 1) {
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w.window->isVisible(); }, 60000));
    EXPECT_EQ(w.dialogs.questions, std::vector<std::string>(asked, kExitQuestion));
    QTest::qWait(100);
    EXPECT_TRUE(w.dialogs.informations.empty());
}

// Presses a button and says how long the window took to answer.
qint64 MsToPress(Wizard& w, const char* button) {
    QElapsedTimer pressed;
    pressed.start();
    w.Click(button);
    return pressed.elapsed();
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
    EXPECT_FALSE(other.window->isVisible());
}

// Step 5 for a destination the test sets directly: the check cannot pass for
// a file that is not there.
void FinishPageFor(Wizard& w, data::DatabaseKind kind, const std::string& path) {
    w.window->Context().destination.Kind = kind;
    w.window->Context().destination.Database = path;
    w.window->SetStep(5);
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
        FinishPageFor(w, c.kind, c.path);
        EXPECT_EQ(w.Text("lblTitle"), "Complete");
        EXPECT_EQ(w.Text("lblSubTitle"),
                  "The process was successful. Please read the advice below carefully, which outlines the manual "
                  "steps still required to finish setting up your Quillmart 5 store.");
        EXPECT_EQ(w.Buttons(), "--+");
        EXPECT_EQ(w.Text("cmdCancel"), "Finish");
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
    AddMailingListRows(source, 60000);  // still copying when the window is closed
    Wizard w;
    ASSERT_TRUE(w.CheckSqliteFiles(source, SqliteShop("5.104", true)));
    ASSERT_EQ(w.Buttons(), "+++");
    w.Next();
    ASSERT_TRUE(w.window->IsWorking());
    EXPECT_EQ(w.Buttons(), "---");
    w.dialogs.answerYes = false;
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
    EXPECT_EQ(w.Text("lblSubTitle"), kStoppingToClose);
    EXPECT_EQ(w.Buttons(), "---");
    ExpectClosedAfterQuestions(w, 2);
    EXPECT_THAT(w.window->StatusBridge().Step2Text(), HasSubstr("\r\nError occurred!\r\nThe operation was cancelled."));
}

// The check waits up to five seconds for a source that another program holds
// locked; Back or Cancel pressed meanwhile must not wait with it.
class WizardLeavingTheCheck : public ::testing::Test {
protected:
    void SetUp() override {
        lock.Execute("BEGIN EXCLUSIVE");
        w.EnterSqliteFiles(source, SqliteShop("5.104", true));
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
};

TEST_F(WizardLeavingTheCheck, BackStopsTheCheckAndReturnsToTheDestinationPage) {
    EXPECT_EQ(w.Buttons(), "+-+");
    EXPECT_LT(MsToPress(w, "cmdBack"), 1000);
    EXPECT_TRUE(w.window->IsWorking());
    EXPECT_EQ(w.Text("lblSubTitle"), "Stopping... The wizard goes back as soon as the database answers.");
    // Cancel stays, for a user who would rather quit.
    EXPECT_EQ(w.Buttons(), "--+");
    lock.Execute("ROLLBACK");
    ASSERT_TRUE(w.WaitForWork());
    EXPECT_EQ(w.window->intCurrStep(), 2);
    EXPECT_TRUE(w.dialogs.informations.empty());
}

TEST_F(WizardLeavingTheCheck, CancelAsksOnceThenStopsTheCheckAndCloses) {
    w.dialogs.answerYes = true;
    EXPECT_LT(MsToPress(w, "cmdCancel"), 1000);
    EXPECT_TRUE(w.window->isVisible());
    EXPECT_EQ(w.Text("lblSubTitle"), kStoppingToClose);
    EXPECT_EQ(w.Buttons(), "---");
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
