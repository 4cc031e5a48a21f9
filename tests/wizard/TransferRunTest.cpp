#include <gtest/gtest.h>

#include <fstream>
#include <map>

#include "data/FixtureShops.h"
#include "db/Connection.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "data/run/TextStatus.h"
#include "wizard/TransferRun.h"

namespace qdt::wizard {
namespace {

data::ConnectionProfile SqliteSide(const std::string& path) {
    data::ConnectionProfile p;
    p.Kind = data::kSqlite;
    p.Database = path;
    p.DateDelimiter = "'";
    return p;
}

// Every row of every table, as text: two equal dumps mean an unchanged database.
std::map<std::string, std::string> Dump(const std::string& path) {
    db::Connection c;
    c.Open("Provider=SQLite;Data Source=" + path);
    std::map<std::string, std::string> dump;
    auto tables = c.Execute("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    for (; !tables->Eof(); tables->MoveNext()) {
        std::string table = tables->Fields(0).Value().ToText();
        std::string& text = dump[table];
        auto rows = c.Execute("SELECT * FROM \"" + table + "\" ORDER BY 1");
        for (; !rows->Eof(); rows->MoveNext()) {
            for (const db::Field& f : rows->AllFields()) text += (f.Value().IsNull() ? "NULL" : f.Value().ToText()) + "|";
            text += "\n";
        }
    }
    return dump;
}

void Execute(const std::string& path, const std::string& sql) {
    db::Connection c;
    c.Open("Provider=SQLite;Data Source=" + path);
    c.Execute(sql);
}

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
    StepOutcome CheckThenRun(run::Status& status, run::RunContext& ctx) {
        ctx.source = SqliteSide(source_);
        ctx.destination = SqliteSide(destination_);
        StepOutcome check = RunConnectionCheck(ctx);
        EXPECT_TRUE(check.succeeded) << check.messageBox;
        (void)status;
        return RunTransfer(ctx);
    }
    std::string source_, destination_;
};

TEST_F(TransferRun, FailureInTheMiddleOfATableLeavesTheDestinationAsItWas) {
    // Two products share a name that the destination insists is unique:
    // the second insert of the products table fails, after eleven tables were copied.
    Execute(destination_, "CREATE UNIQUE INDEX one_name ON tblQuillmartProducts (P_Name1)");
    Execute(source_, "UPDATE tblQuillmartProducts SET P_Name = 'Same'");
    const auto before = Dump(destination_);

    run::TextStatus status;
    run::RunContext ctx(status);
    StepOutcome run = CheckThenRun(status, ctx);

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
    StepOutcome run = CheckThenRun(status, ctx);
    EXPECT_FALSE(run.succeeded);
    EXPECT_NE(status.txtStep2.find("\r\nError occurred!\r\nThe operation was cancelled."), std::string::npos);
    EXPECT_EQ(Dump(destination_), before);
}

// Once committed, the work cannot be undone: a late cancel must not report it as failed.
TEST_F(TransferRun, CancelAfterTheCommitStillReportsSuccess) {
    CancelWhileClosingStatus status;
    run::RunContext ctx(status);
    StepOutcome run = CheckThenRun(status, ctx);
    EXPECT_TRUE(run.succeeded) << status.txtStep2;
    EXPECT_EQ(status.txtStep2.find("Error occurred!"), std::string::npos);
}

TEST_F(TransferRun, SuccessfulCopyLogsEveryTableAndEndsInSuccess) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.strWarnings = "- left over from an earlier run\r\n";
    ctx.source = SqliteSide(source_);
    ctx.destination = SqliteSide(destination_);
    ASSERT_TRUE(RunConnectionCheck(ctx).succeeded);
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
    ctx.source = SqliteSide(source_);
    ctx.destination = SqliteSide(destination_);
    ASSERT_TRUE(RunConnectionCheck(ctx).succeeded);
    for (auto* list : {&ctx.settings.CopyTableList, &ctx.settings.CompareTableList, &ctx.settings.JobList})
        for (const auto& entry : std::vector(list->Entries())) list->Set(entry.first, "n");
    StepOutcome run = RunTransfer(ctx);
    EXPECT_TRUE(run.succeeded);
    EXPECT_EQ(status.txtStep2,
              "\r\nConnecting to source database... done.\r\nConnecting to destination database... done.\r\n"
              "Closing Databases... done.\r\n\r\nData Transfer Successful!");
    EXPECT_EQ(status.BarMax(run::Bar::Total), 0);
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
    db::Connection c;
    c.Open("Provider=SQLite;Data Source=" + db);
    auto rs = c.Execute("SELECT COUNT(*) FROM t");
    EXPECT_EQ(rs->Fields(0).Value().ToInteger(), 2);
}

TEST(TransferRunOther, CatalogueSourcesNameTheMissingImporterAndFailingConnectionsShowNoContext) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = SqliteSide(data::testing::SqliteShop("4.6", false));
    ctx.destination = SqliteSide(data::testing::SqliteShop("5.104", true));
    ctx.source.ConnectionString = "Provider=SQLite;Data Source=" + ctx.source.Database;
    ctx.destination.ConnectionString = "Provider=SQLite;Data Source=" + ctx.destination.Database;
    ctx.source.SystemName = "VPASP";
    StepOutcome run = RunTransfer(ctx);
    EXPECT_FALSE(run.succeeded);
    EXPECT_NE(status.txtStep2.find("Error occurred!\r\nThe VPASP catalogue importer is not available"),
              std::string::npos);

    ctx.source.ConnectionString = "Provider=SQLite;Data Source=/nonexistent.sqlite";
    run = RunTransfer(ctx);
    EXPECT_EQ(run.messageBox, "\r\n\r\nSee status window for more details.");
    EXPECT_EQ(status.txtStep2.rfind("\r\nConnecting to source database... \r\n\r\nError occurred!\r\n", 0), 0u);
}

}  // namespace
}  // namespace qdt::wizard
