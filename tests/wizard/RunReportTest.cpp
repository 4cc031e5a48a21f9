// What the user is told at the end: the problems a run met, and the failing
// statement of a check (never one left over from an earlier phase).
#include <gtest/gtest.h>

#include "data/FixtureShops.h"
#include "data/run/TextStatus.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"

namespace qdt::wizard {
namespace {

using test::SqliteSide;

TEST(RunReport, ProblemsAreListedBeforeTheSuccessLine) {
    const std::string source = data::testing::SqliteShop("4.6", false);
    const std::string destination = data::testing::SqliteShop("5.104", true);
    test::OpenSqlite(source).Execute(
        "UPDATE tblQuillmartConfig SET CFG_Value = 'Atlantis' WHERE CFG_Name = 'defaultcountry'");
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = SqliteSide(source);
    ctx.destination = SqliteSide(destination);
    ASSERT_TRUE(RunConnectionCheck(ctx).succeeded) << status.txtConnect;
    EXPECT_TRUE(RunTransfer(ctx).succeeded) << status.txtStep2;
    const std::string tail =
        "\r\nClosing Databases... done.\r\n"
        "\r\nThe following problems were encountered;\r\n"
        "- The 'defaultcountry' config setting could not be set. Please set this manually.\r\n"
        "\r\n\r\nData Transfer Successful!";
    ASSERT_GE(status.txtStep2.size(), tail.size());
    EXPECT_EQ(status.txtStep2.substr(status.txtStep2.size() - tail.size()), tail);
}

// The source's detection leaves its probe in strQuery; a destination that
// cannot be opened (or is refused) must not be reported with it.
TEST(RunReport, AFailedDestinationShowsNoStatementOfTheSource) {
    data::ConnectionProfile access;
    access.Kind = data::kAccess;
    access.Database = test::TempDir() + "/new.mdb";
    const data::ConnectionProfile destinations[] = {SqliteSide("/nonexistent/new.sqlite"), access};
    for (const data::ConnectionProfile& destination : destinations) {
        SCOPED_TRACE(destination.Database);
        run::TextStatus status;
        run::RunContext ctx(status);
        ctx.source = SqliteSide(data::testing::SqliteShop("4.6", false));
        ctx.destination = destination;
        const StepOutcome check = RunConnectionCheck(ctx);
        EXPECT_FALSE(check.succeeded);
        EXPECT_EQ(check.messageBox.rfind("An error occurred trying to connect to the destination database.", 0), 0u)
            << check.messageBox;
        // An Access destination is refused with its own reason.
        EXPECT_EQ(check.messageBox.find("Access files can be read as a source but not written") != std::string::npos &&
                      check.messageBox.find("SQL Server, MySQL or SQLite") != std::string::npos,
                  destination.Kind == data::kAccess)
            << check.messageBox;
        const std::string& log = status.txtConnect;
        const std::string kind = destination.Kind == data::kAccess ? "Access" : "SQLite";
        EXPECT_NE(log.find("Testing " + kind + " Database destination connection... \r\n\r\nError occurred!\r\n"),
                  std::string::npos)
            << log;
        EXPECT_EQ(log.find("SELECT"), std::string::npos) << log;
        EXPECT_EQ(ctx.strQuery, "");
    }
}

}  // namespace
}  // namespace qdt::wizard
