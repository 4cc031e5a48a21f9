#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "data/FixtureShops.h"
#include "db/Connection.h"
#include "support/ShopFaults.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "data/run/TextStatus.h"
#include "wizard/TransferRun.h"

namespace qdt::wizard {
namespace {

using test::Dump;
using test::SqliteSide;

// Asks to stop at a chosen yield, as the window's close box does.
class CancellingStatus : public run::TextStatus {
public:
    explicit CancellingStatus(long at) : at_(at) {}
    void Yield() override {
        if (yields + 1 == at_) Cancel();
        run::TextStatus::Yield();
    }

private:
    long at_;
};

// Asks to stop once the closing has begun, after the work was committed.
class CancelWhileClosingStatus : public run::TextStatus {
public:
    void AddMessage(const std::string& m) override {
        if (m == "Closing Databases... ") Cancel();
        run::TextStatus::AddMessage(m);
    }
};

class TransferRun : public ::testing::Test {
protected:
    void SetUp() override {
        source_ = data::testing::SqliteShop("4.6", false);
        destination_ = data::testing::SqliteShop("5.104", true);
    }
    void Check(run::RunContext& ctx) {
        ctx.source = SqliteSide(source_);
        ctx.destination = SqliteSide(destination_);
        StepOutcome check = RunConnectionCheck(ctx);
        EXPECT_TRUE(check.succeeded) << check.messageBox;
    }
    StepOutcome CheckThenRun(run::RunContext& ctx) {
        Check(ctx);
        return RunTransfer(ctx);
    }
    std::string source_, destination_;
};

TEST_F(TransferRun, FailureInTheMiddleOfATableLeavesTheDestinationAsItWas) {
    // The products table fails after eleven tables were copied.
    test::MakeProductNamesClash(source_, destination_);
    const auto before = Dump(destination_);

    run::TextStatus status;
    run::RunContext ctx(status);
    StepOutcome run = CheckThenRun(ctx);

    EXPECT_FALSE(run.succeeded);
    EXPECT_EQ(run.messageBox,
              "An error has occurred copying one of the tables. \r\n"
              "This may be due to the correct database type not being selected.\r\n"
              "Please go back and check you have selected correctly.\r\n\r\n"
              "See status window for more details.");
    EXPECT_TRUE(run.backEnabled && run.cancelEnabled);
    EXPECT_FALSE(run.nextEnabled);
    const std::string& log = status.txtStep2;
    EXPECT_NE(log.find("\r\nAdding table tblQuillmartProductProdTypeLink...done.\r\nAdding table tblQuillmartProducts..."
                       "\r\n\r\nError occurred!\r\nUNIQUE constraint failed: tblQuillmartProducts.P_Name1\r\n\r\n"
                       "INSERT INTO tblQuillmartProducts ("),
              std::string::npos)
        << log;
    EXPECT_EQ(log.substr(log.rfind("\r\n")), "\r\nThe destination database was left unchanged.");
    EXPECT_EQ(Dump(destination_), before);
}

TEST_F(TransferRun, CancelAtAYieldRollsBackToo) {
    const auto before = Dump(destination_);
    CancellingStatus status(200);
    run::RunContext ctx(status);
    StepOutcome run = CheckThenRun(ctx);
    EXPECT_FALSE(run.succeeded);
    EXPECT_NE(status.txtStep2.find("\r\nError occurred!\r\nThe operation was cancelled."), std::string::npos);
    EXPECT_EQ(Dump(destination_), before);
}

// Once committed, the work cannot be undone: a late cancel must not report it as failed.
TEST_F(TransferRun, CancelAfterTheCommitStillReportsSuccess) {
    CancelWhileClosingStatus status;
    run::RunContext ctx(status);
    StepOutcome run = CheckThenRun(ctx);
    EXPECT_TRUE(run.succeeded) << status.txtStep2;
    EXPECT_EQ(status.txtStep2.find("Error occurred!"), std::string::npos);
}

TEST_F(TransferRun, SuccessfulCopyLogsEveryTableAndEndsInSuccess) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.strWarnings = "- left over from an earlier run\r\n";
    Check(ctx);
    ctx.settings.CopyTableList.Set("tblQuillmartWishList", "n");
    ctx.settings.JobList.Set("Add News Placeholders For New Languages", "n");
    StepOutcome run = RunTransfer(ctx);
    ASSERT_TRUE(run.succeeded) << status.txtStep2;
    EXPECT_TRUE(run.backEnabled && run.nextEnabled);

    const std::string& log = status.txtStep2;
    EXPECT_EQ(log.rfind("\r\nConnecting to source database... done.\r\nConnecting to destination database... done.\r\n"
                        "Adding table tblQuillmartAffiliateLog...done.",
                        0),
              0u);
    EXPECT_EQ(log.find("tblQuillmartWishList"), std::string::npos);
    EXPECT_NE(log.find("\r\nComparing table tblQuillmartLanguageStrings...done.\r\nAdding Admin Login...done.\r\n"
                       "Adding Downloadable Shipping Rate...done.\r\nClosing Databases... done.\r\n"
                       "\r\nData Transfer Successful!"),
              std::string::npos)
        << log;
    // The earlier run's problem is not reported again, and this run had none.
    EXPECT_EQ(log.find("left over"), std::string::npos);
    EXPECT_EQ(status.BarMax(run::Bar::Total), 18 + 2 + 2);
    EXPECT_EQ(status.BarValue(run::Bar::Total), 18 + 2 + 2);
}

TEST_F(TransferRun, NothingSelectedStillConnectsAndCloses) {
    run::TextStatus status;
    run::RunContext ctx(status);
    Check(ctx);
    for (auto* list : {&ctx.settings.CopyTableList, &ctx.settings.CompareTableList, &ctx.settings.JobList})
        for (const auto& entry : std::vector(list->Entries())) list->Set(entry.first, "n");
    StepOutcome run = RunTransfer(ctx);
    EXPECT_TRUE(run.succeeded);
    EXPECT_EQ(status.txtStep2,
              "\r\nConnecting to source database... done.\r\nConnecting to destination database... done.\r\n"
              "Closing Databases... done.\r\n\r\nData Transfer Successful!");
    EXPECT_EQ(status.BarMax(run::Bar::Total), 0);
}

// The problems a run met are listed at its end, before the success line.
TEST_F(TransferRun, ProblemsAreListedBeforeTheSuccessLine) {
    test::OpenSqlite(source_).Execute(
        "UPDATE tblQuillmartConfig SET CFG_Value = 'Atlantis' WHERE CFG_Name = 'defaultcountry'");
    run::TextStatus status;
    run::RunContext ctx(status);
    EXPECT_TRUE(CheckThenRun(ctx).succeeded) << status.txtStep2;
    EXPECT_THAT(status.txtStep2,
                ::testing::EndsWith("\r\nClosing Databases... done.\r\n"
                                    "\r\nThe following problems were encountered;\r\n"
                                    "- The 'defaultcountry' config setting could not be set. Please set this manually.\r\n"
                                    "\r\n\r\nData Transfer Successful!"));
}

TEST(TransferRunOther, ExecuteSqlRunsTheScriptOnTheDatabase) {
    std::string db = test::TempDir() + "/blank.sqlite";
    std::ofstream(db).close();
    std::string script = test::TempDir() + "/create.sql";
    std::ofstream(script) << "CREATE TABLE t (a INTEGER, b VARCHAR(20));\r\nINSERT INTO t VALUES (1, 'x;\r\ny');\r\nGO\r\n"
                             "INSERT INTO t VALUES (2, 'z');\r\n";
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.intAction = run::kExecuteSql;
    ctx.source = SqliteSide(db);
    ctx.destination.Kind = data::kSqlFile;
    ctx.destination.Database = script;
    ASSERT_TRUE(RunConnectionCheck(ctx).succeeded) << status.txtConnect;
    StepOutcome run = RunTransfer(ctx);
    ASSERT_TRUE(run.succeeded) << status.txtStep2;
    EXPECT_EQ(status.txtStep2,
              "\r\nConnecting to source database... done.\r\nConnecting to destination database... done.\r\n"
              "Reading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... done.\r\n"
              "Closing Databases... done.\r\n\r\nData Transfer Successful!");
    db::Connection c = test::OpenSqlite(db);
    EXPECT_EQ(test::Count(c, "SELECT COUNT(*) FROM t"), 2);
}

TEST(TransferRunOther, AShopThatIsNotTheDetectedSystemIsRefusedAndFailingConnectionsShowNoContext) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = SqliteSide(data::testing::SqliteShop("4.6", false));
    ctx.destination = SqliteSide(data::testing::SqliteShop("5.104", true));
    ctx.source.ConnectionString = "Provider=SQLite;Data Source=" + ctx.source.Database;
    ctx.destination.ConnectionString = "Provider=SQLite;Data Source=" + ctx.destination.Database;
    ctx.source.SystemName = "VPASP";
    StepOutcome run = RunTransfer(ctx);
    EXPECT_FALSE(run.succeeded);
    EXPECT_NE(status.txtStep2.find("Error occurred!\r\nThe source database does not hold a VPASP shop: it has no "
                                   "table categories, configuration, products, ProdCategories or prodfeatures."),
              std::string::npos);

    ctx.source.ConnectionString = "Provider=SQLite;Data Source=/nonexistent.sqlite";
    run = RunTransfer(ctx);
    EXPECT_EQ(run.messageBox, "\r\n\r\nSee status window for more details.");
    EXPECT_EQ(status.txtStep2.rfind("\r\nConnecting to source database... \r\n\r\nError occurred!\r\n", 0), 0u);
}

}  // namespace
}  // namespace qdt::wizard
