#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>

#include "data/FixtureShops.h"
#include "data/run/TextStatus.h"
#include "db/Connection.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"

namespace qdt::wizard {
namespace {

using test::SqliteSide;

// A SQLite file holding just the columns that tell a Quillmart version apart.
std::string QuillmartFile(const std::string& version) {
    std::string orderColumns = "ON_ID INTEGER";
    if (version >= "4.6") orderColumns += ", ON_WishList INTEGER";
    if (version >= "4.7") orderColumns += ", ON_CouponCode VARCHAR(20)";
    if (version >= "5") orderColumns += ", ON_PaymentGateWay VARCHAR(20)";
    if (version >= "5.1") orderColumns += ", ON_OrderHandlingCharge DOUBLE";
    std::string versionColumns = version == "5.104" ? "V_ID INTEGER, V_RRP DOUBLE" : "V_ID INTEGER";
    const std::string path = test::NewSqliteFile();
    db::Connection c = test::OpenSqlite(path);
    c.Execute("CREATE TABLE tblQuillmartOrderNumbers (" + orderColumns + ")");
    c.Execute("CREATE TABLE tblQuillmartVersions (" + versionColumns + ")");
    return path;
}

std::string OtherShopFile() {
    const std::string path = test::NewSqliteFile();
    test::OpenSqlite(path).Execute("CREATE TABLE products (catalogid INTEGER)");
    return path;
}

struct CheckRun {
    run::TextStatus status;
    run::RunContext ctx{status};
    StepOutcome outcome;
};

std::unique_ptr<CheckRun> Check(const data::ConnectionProfile& source, const data::ConnectionProfile& destination,
                                int action = run::kDataCopy) {
    auto run = std::make_unique<CheckRun>();
    run->ctx.source = source;
    run->ctx.destination = destination;
    run->ctx.intAction = action;
    run->outcome = RunConnectionCheck(run->ctx);
    return run;
}

const char* kSee = "\r\n\r\nSee status window for more details.";

TEST(ConnectionCheck, PassingCheckLogsFindingsAndPreparesTheLists) {
    auto r = Check(SqliteSide(QuillmartFile("4.6")), SqliteSide(QuillmartFile("5.104")));
    EXPECT_TRUE(r->outcome.succeeded);
    EXPECT_EQ(r->status.txtConnect,
              "Testing SQLite Database source connection... done.\r\n"
              "Detecting version...Set to Quillmart v4.6\r\n"
              "Testing SQLite Database destination connection... done.\r\n"
              "Detecting version...Set to Quillmart v5.104");
    EXPECT_EQ(r->outcome.txtSource, "Quillmart v4.6");
    EXPECT_EQ(r->outcome.txtDestin, "Quillmart v5.104");
    EXPECT_TRUE(r->outcome.nextEnabled && r->outcome.backEnabled && r->outcome.tablesEnabled);
    EXPECT_EQ(r->outcome.messageBox, "");
    EXPECT_EQ(r->ctx.settings.CopyTableList.Count(), 19u);
}

TEST(ConnectionCheck, SameDatabaseTwiceIsRefusedBeforeOpening) {
    data::ConnectionProfile access;
    access.Kind = data::kAccess;
    access.Database = "/shop/db.mdb";  // never opened: the strings alone decide
    auto r = Check(access, access);
    EXPECT_FALSE(r->outcome.succeeded);
    EXPECT_EQ(r->status.txtConnect,
              "\r\nError occurred!\r\nBoth the source and destination databases are same!\r\n"
              "Please go back and ensure that the database details are set up correctly.");
    EXPECT_EQ(r->outcome.messageBox,
              std::string("Trying to connect to the same databases!\r\n\r\n"
                          "Both the source and destination databases are same!\r\n"
                          "Please go back and ensure that the database details are set up correctly.") +
                  kSee);
}

TEST(ConnectionCheck, VersionGate) {
    struct GateCase {
        std::string source, destination;  // Quillmart versions, or "other" for a foreign shop
        int error;                        // 0: passes
    };
    const GateCase cases[] = {
        {"4.5", "5.104", 0}, {"4.5", "5", 0},      {"5", "5", 0},        {"5.1", "5.104", 0},
        {"5.1", "5", 1003},  {"5.104", "5.1", 1003}, {"4.6", "4.7", 1002}, {"5.104", "4.5", 1002},
        {"other", "5.1", 1004}, {"other", "5.104", 0},
    };
    const std::string versionContext =
        "An error occurred when trying to detect the version of the destination database.\r\n"
        "Please go back and check you've selected the correct database.\r\n\r\n";
    for (const GateCase& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.destination);
        auto src = SqliteSide(c.source == "other" ? OtherShopFile() : QuillmartFile(c.source));
        auto r = Check(src, SqliteSide(QuillmartFile(c.destination)));
        EXPECT_EQ(r->outcome.succeeded, c.error == 0);
        if (c.error == 0) continue;
        std::string expected;
        if (c.error == 1002)
            expected = "The destination database has been detected as v" + c.destination +
                       ".\r\nThis wizard can only upgrade to version 5 databases.\r\n\r\n"
                       "Please go back and select a Quillmart 5 database.";
        else if (c.error == 1003)
            expected = "The source database has been detected as a v" + c.source + " and the destination database a v" +
                       c.destination +
                       ".\r\nThis wizard cannot 'downgrade' databases to a previous version.\r\n\r\n"
                       "Please go back select different databases.";
        else
            expected = "The destination database has been detected as v" + c.destination +
                       ". If needs to be the latest version, v5.104. Please go back and select a new database.";
        EXPECT_EQ(r->outcome.messageBox, versionContext + expected + kSee);
        EXPECT_NE(r->status.txtConnect.find("\r\n\r\nError occurred!\r\n" + expected), std::string::npos);
    }
}

// The source's detection leaves its probe in strQuery; a destination that
// cannot be opened (or is refused) must not be reported with it.
TEST(ConnectionCheck, FailuresShowThePhaseAndOnlyTheirOwnStatement) {
    const std::string shop = QuillmartFile("4.6");
    const std::string noVersions = test::NewSqliteFile("broken.sqlite");
    test::OpenSqlite(noVersions).Execute("CREATE TABLE tblQuillmartOrderNumbers (ON_ID INTEGER)");
    data::ConnectionProfile access;
    access.Kind = data::kAccess;
    access.Database = test::TempDir() + "/new.mdb";
    const std::string details = "\r\nPlease go back and ensure that the database details are set up correctly.";
    const std::string toDestination = "An error occurred trying to connect to the destination database." + details;
    struct Case {
        data::ConnectionProfile source, destination;
        std::string box, logPart, statement;
    };
    const Case cases[] = {
        {SqliteSide("/nonexistent/shop.sqlite"), SqliteSide(shop),
         "An error occurred trying to connect to the source database." + details + kSee,
         "Error occurred!\r\nCould not find the SQLite database file", ""},
        {SqliteSide(shop), SqliteSide(noVersions),
         "An error occurred when trying to detect the version of the destination database.\r\nPlease go back and "
         "check you've selected the correct database." + std::string(kSee),
         "\r\n\r\nSELECT * FROM tblQuillmartVersions LIMIT 0, 1", "SELECT * FROM tblQuillmartVersions LIMIT 0, 1"},
        {SqliteSide(shop), SqliteSide("/nonexistent/new.sqlite"), toDestination + kSee,
         "Testing SQLite Database destination connection... \r\n\r\nError occurred!\r\n", ""},
        {SqliteSide(shop), access,
         toDestination + "\r\n\r\nAccess files can be read as a source but not written on this system.\r\nPlease go "
                         "back and choose a SQL Server, MySQL or SQLite database as the destination." + kSee,
         "Testing Access Database destination connection... \r\n\r\nError occurred!\r\n", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.destination.Database);
        auto r = Check(c.source, c.destination);
        EXPECT_FALSE(r->outcome.succeeded);
        EXPECT_EQ(r->outcome.messageBox, c.box);
        EXPECT_NE(r->status.txtConnect.find(c.logPart), std::string::npos) << r->status.txtConnect;
        EXPECT_EQ(r->ctx.strQuery, c.statement);
        if (c.statement.empty()) {
            EXPECT_EQ(r->status.txtConnect.find("SELECT"), std::string::npos);
        }
    }
}

TEST(ConnectionCheck, ExecuteSqlChecksTheDatabaseAndTheScript) {
    data::ConnectionProfile script;
    script.Kind = data::kSqlFile;
    script.Database = test::TempDir() + "/create.sql";
    std::ofstream(script.Database) << "CREATE TABLE t (a INTEGER);\r\n";
    auto r = Check(SqliteSide(QuillmartFile("5.104")), script, run::kExecuteSql);
    EXPECT_TRUE(r->outcome.succeeded);
    EXPECT_EQ(r->status.txtConnect,
              "Testing SQLite Database source connection... done.\r\n"
              "Detecting version...Set To Blank SQL File\r\n"
              "Testing opening the .SQL file... done.");
    EXPECT_EQ(r->outcome.txtSource, "SQLite");
    EXPECT_EQ(r->outcome.txtDestin, ".SQL File");

    script.Database = "/nonexistent/create.sql";
    r = Check(SqliteSide(QuillmartFile("5.104")), script, run::kExecuteSql);
    EXPECT_EQ(r->outcome.messageBox,
              std::string("An error occurred trying to open the .SQL file.\r\n"
                          "Please go back and ensure that the file exists.") +
                  kSee);
}

// A spreadsheet source: the chosen sheet in any case, or the first one.
TEST(ConnectionCheck, WorksheetProbeTestsTheChosenOrFirstSheet) {
    struct Case {
        std::string file, sheet;
        bool passes;
        std::string logTail;  // of the check's log
    };
    const Case cases[] = {
        {"products.xlsx", "alpha", true, "Set to Quillmart v5.104"},
        {"products.xls", "", true, "Set to Quillmart v5.104"},
        {"products.xlsx", "Sheet1", false,
         "Error occurred!\r\nThe Excel file 'products.xlsx' has no worksheet named 'Sheet1'.\r\n\r\n"
         "SELECT TOP 1 * FROM [Sheet1$]"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file + " " + c.sheet);
        data::ConnectionProfile sheet;
        sheet.Kind = data::kExcel;
        sheet.Database = std::string(QDT_SHEET_FIXTURES) + "/" + c.file;
        sheet.Server = c.sheet;
        auto r = Check(sheet, SqliteSide(data::testing::SqliteShop("5.104", true)));
        EXPECT_EQ(r->outcome.succeeded, c.passes) << r->status.txtConnect;
        EXPECT_THAT(r->status.txtConnect, ::testing::EndsWith(c.logTail));
        if (c.passes) {
            EXPECT_EQ(r->outcome.txtSource, "Excel Spreadsheet");
        }
    }
}

}  // namespace
}  // namespace qdt::wizard
