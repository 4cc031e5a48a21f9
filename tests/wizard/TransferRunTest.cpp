#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "data/FixtureShops.h"
#include "data/run/TextStatus.h"
#include "support/ShopFaults.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"

namespace qdt::wizard {
namespace {

using test::Dump;
using test::SqliteSide;

// Asks to stop as the window's close box does: at a chosen yield, or once
// the closing has begun, after the work was committed.
class CancellingStatus : public run::TextStatus {
public:
    long atYield = 0;
    bool whileClosing = false;
    void Yield() override {
        if (yields + 1 == atYield) Cancel();
        run::TextStatus::Yield();
    }
    void AddMessage(const std::string& m) override {
        if (whileClosing && m == "Closing Databases... ") Cancel();
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

TEST_F(TransferRun, AFailureOrACancelLeavesTheDestinationAsItWas) {
    struct Case {
        const char* name;
        long cancelAt;
        bool clash;  // the products table fails after eleven tables were copied
        const char* logPart;
    };
    const Case cases[] = {
        {"cancel", 200, false, "\r\nError occurred!\r\nThe operation was cancelled."},
        {"clash", 0, true,
         "\r\nAdding table tblQuillmartProductProdTypeLink...done.\r\nAdding table tblQuillmartProducts...\r\n\r\n"
         "Error occurred!\r\nUNIQUE constraint failed: tblQuillmartProducts.P_Name1\r\n\r\nINSERT INTO "
         "tblQuillmartProducts ("},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        if (c.clash) test::MakeProductNamesClash(source_, destination_);
        const auto before = Dump(destination_);
        CancellingStatus status;
        status.atYield = c.cancelAt;
        run::RunContext ctx(status);
        StepOutcome run = CheckThenRun(ctx);
        EXPECT_FALSE(run.succeeded);
        const std::string& log = status.txtStep2;
        EXPECT_NE(log.find(c.logPart), std::string::npos) << log;
        EXPECT_THAT(log, ::testing::EndsWith("\r\nThe destination database was left unchanged."));
        EXPECT_EQ(Dump(destination_), before);
    }
}

// Once committed, the work cannot be undone: a late cancel must not report it as failed.
TEST_F(TransferRun, CancelAfterTheCommitStillReportsSuccess) {
    CancellingStatus status;
    status.whileClosing = true;
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
    EXPECT_THAT(log, ::testing::StartsWith("\r\nConnecting to source database... done.\r\nConnecting to destination "
                                           "database... done.\r\nAdding table tblQuillmartAffiliateLog...done."));
    EXPECT_EQ(log.find("tblQuillmartWishList"), std::string::npos);
    // The earlier run's problem is not reported again, and this run had none.
    EXPECT_THAT(log, ::testing::EndsWith("\r\nComparing table tblQuillmartLanguageStrings...done.\r\nAdding Admin "
                                         "Login...done.\r\nAdding Downloadable Shipping Rate...done.\r\nClosing "
                                         "Databases... done.\r\n\r\nData Transfer Successful!"));
    EXPECT_EQ(status.BarMax(run::Bar::Total), 18 + 2 + 2);
    EXPECT_EQ(status.BarValue(run::Bar::Total), 18 + 2 + 2);
}

TEST_F(TransferRun, NothingSelectedStillConnectsAndCloses) {
    run::TextStatus status;
    run::RunContext ctx(status);
    Check(ctx);
    for (auto* list : {&ctx.settings.CopyTableList, &ctx.settings.CompareTableList, &ctx.settings.JobList})
        for (const auto& entry : std::vector(list->Entries())) list->Set(entry.first, "n");
    EXPECT_TRUE(RunTransfer(ctx).succeeded);
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

// A source that cannot be opened fails with no context of its own in the box.
TEST_F(TransferRun, AFailingConnectionShowsNoContext) {
    run::TextStatus status;
    run::RunContext ctx(status);
    Check(ctx);
    ctx.source.ConnectionString = "Provider=SQLite;Data Source=/nonexistent.sqlite";
    StepOutcome run = RunTransfer(ctx);
    EXPECT_EQ(run.messageBox, "\r\n\r\nSee status window for more details.");
    EXPECT_THAT(status.txtStep2, ::testing::StartsWith("\r\nConnecting to source database... \r\n\r\nError occurred!\r\n"));
}

}  // namespace
}  // namespace qdt::wizard
