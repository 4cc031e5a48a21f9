#include <gtest/gtest.h>

#include <fstream>

#include "data/run/TextStatus.h"
#include "db/Connection.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"

namespace qdt::wizard {
namespace {

using test::SqliteSide;

// A SQLite file holding just the columns that tell a Quillmart version apart,
// or, for "other", a foreign shop's table.
std::string ShopFile(const std::string& version) {
    const std::string path = test::NewSqliteFile();
    db::Connection c = test::OpenSqlite(path);
    if (version == "other") {
        c.Execute("CREATE TABLE products (catalogid INTEGER)");
        return path;
    }
    std::string orderColumns = "ON_ID INTEGER";
    if (version >= "4.6") orderColumns += ", ON_WishList INTEGER";
    if (version >= "4.7") orderColumns += ", ON_CouponCode VARCHAR(20)";
    if (version >= "5") orderColumns += ", ON_PaymentGateWay VARCHAR(20)";
    if (version >= "5.1") orderColumns += ", ON_OrderHandlingCharge DOUBLE";
    c.Execute("CREATE TABLE tblQuillmartOrderNumbers (" + orderColumns + ")");
    c.Execute(std::string("CREATE TABLE tblQuillmartVersions (V_ID INTEGER") +
              (version == "5.104" ? ", V_RRP DOUBLE)" : ")"));
    return path;
}

data::ConnectionProfile Side(data::DatabaseKind kind, const std::string& database, const std::string& server = "") {
    data::ConnectionProfile p;
    p.Kind = kind;
    p.Database = database;
    p.Server = server;
    return p;
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

const std::string kSee = "\r\n\r\nSee status window for more details.";
const std::string kVersionContext =
    "An error occurred when trying to detect the version of the destination database.\r\n"
    "Please go back and check you've selected the correct database.";

// A spreadsheet source is probed on the chosen sheet, in any case. (A
// Quillmart copy's passing check is read in the window's walk.)
TEST(ConnectionCheck, PassingChecksLogWhatTheyFound) {
    struct Case {
        data::ConnectionProfile source, destination;
        int action;
        std::string log, txtSource, txtDestin;
    };
    const std::string script = test::TempDir() + "/create.sql";
    std::ofstream(script) << "CREATE TABLE t (a INTEGER);\r\n";
    const Case cases[] = {
        {SqliteSide(ShopFile("5.104")), Side(data::kSqlFile, script),
         run::kExecuteSql,
         "Testing SQLite Database source connection... done.\r\nDetecting version...Set To Blank SQL File\r\n"
         "Testing opening the .SQL file... done.",
         "SQLite", ".SQL File"},
        {Side(data::kExcel, QDT_SHEET_FIXTURES "/products.xlsx", "alpha"), SqliteSide(ShopFile("5.104")), run::kDataCopy,
         "Testing Excel Spreadsheet (Catalogue only) source connection... done.\r\nDetecting version...Set to Excel "
         "Spreadsheet\r\nTesting SQLite Database destination connection... done.\r\nDetecting version...Set to "
         "Quillmart v5.104",
         "Excel Spreadsheet", "Quillmart v5.104"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.source.Database);
        auto r = Check(c.source, c.destination, c.action);
        EXPECT_TRUE(r->outcome.succeeded && r->outcome.nextEnabled && r->outcome.backEnabled);
        EXPECT_EQ(r->status.txtConnect, c.log);
        EXPECT_EQ(r->outcome.txtSource + " -> " + r->outcome.txtDestin, c.txtSource + " -> " + c.txtDestin);
        EXPECT_EQ(r->outcome.messageBox, "");
    }
}

TEST(ConnectionCheck, VersionGate) {
    struct GateCase {
        std::string source, destination;  // Quillmart versions, or "other" for a foreign shop
        int error;                        // 0: passes
    };
    const GateCase cases[] = {
        {"4.5", "5.104", 0},  {"4.5", "5", 0},        {"5", "5", 0},          {"5.1", "5.104", 0},
        {"5.1", "5", 1003},   {"5.104", "5.1", 1003}, {"4.6", "4.7", 1002},   {"5.104", "4.5", 1002},
        {"other", "5.1", 1004}, {"other", "5.104", 0},
    };
    for (const GateCase& c : cases) {
        SCOPED_TRACE(c.source + " -> " + c.destination);
        auto r = Check(SqliteSide(ShopFile(c.source)), SqliteSide(ShopFile(c.destination)));
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
        EXPECT_EQ(r->outcome.messageBox, kVersionContext + "\r\n\r\n" + expected + kSee);
        EXPECT_NE(r->status.txtConnect.find("\r\n\r\nError occurred!\r\n" + expected), std::string::npos);
    }
}

// The source's detection leaves its probe in strQuery; a destination that
// cannot be opened (or is refused) must not be reported with it. The same
// database twice is refused before either is opened.
TEST(ConnectionCheck, FailuresShowThePhaseAndOnlyTheirOwnStatement) {
    const std::string shop = ShopFile("4.6");
    const std::string noVersions = test::NewSqliteFile("broken.sqlite");
    test::OpenSqlite(noVersions).Execute("CREATE TABLE tblQuillmartOrderNumbers (ON_ID INTEGER)");
    const std::string details = "\r\nPlease go back and ensure that the database details are set up correctly.";
    const std::string toDestination = "An error occurred trying to connect to the destination database." + details;
    const std::string sheetProbe = "SELECT TOP 1 * FROM [Sheet1$]";
    struct Case {
        data::ConnectionProfile source, destination;
        std::string box, logPart, statement;
        int action = run::kDataCopy;
    };
    const Case cases[] = {
        {Side(data::kAccess, "/shop/db.mdb"), Side(data::kAccess, "/shop/db.mdb"),
         "Trying to connect to the same databases!\r\n\r\nBoth the source and destination databases are same!" +
             details + kSee,
         "\r\nError occurred!\r\nBoth the source and destination databases are same!" + details, ""},
        {SqliteSide("/nonexistent/shop.sqlite"), SqliteSide(shop),
         "An error occurred trying to connect to the source database." + details + kSee,
         "Error occurred!\r\nCould not find the SQLite database file", ""},
        {SqliteSide(shop), SqliteSide(noVersions), kVersionContext + kSee,
         "\r\n\r\nSELECT * FROM tblQuillmartVersions LIMIT 0, 1", "SELECT * FROM tblQuillmartVersions LIMIT 0, 1"},
        {SqliteSide(shop), SqliteSide("/nonexistent/new.sqlite"), toDestination + kSee,
         "Testing SQLite Database destination connection... \r\n\r\nError occurred!\r\n", ""},
        {SqliteSide(shop), Side(data::kAccess, test::TempDir() + "/new.mdb"),
         toDestination + "\r\n\r\nAccess files can be read as a source but not written on this system.\r\nPlease go "
                         "back and choose a SQL Server, MySQL or SQLite database as the destination." + kSee,
         "Testing Access Database destination connection... \r\n\r\nError occurred!\r\n", ""},
        {SqliteSide(shop), Side(data::kSqlFile, "/nonexistent/create.sql"),
         "An error occurred trying to open the .SQL file.\r\nPlease go back and ensure that the file exists." + kSee,
         "Testing opening the .SQL file... \r\n\r\nError occurred!\r\n", "", run::kExecuteSql},
        {Side(data::kExcel, QDT_SHEET_FIXTURES "/products.xlsx", "Sheet1"), SqliteSide(shop),
         "An error occurred trying to connect to the source database." + details + kSee,
         "Error occurred!\r\nThe Excel file 'products.xlsx' has no worksheet named 'Sheet1'.\r\n\r\n" + sheetProbe,
         sheetProbe},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.box);
        auto r = Check(c.source, c.destination, c.action);
        EXPECT_FALSE(r->outcome.succeeded);
        EXPECT_EQ(r->outcome.messageBox, c.box);
        EXPECT_NE(r->status.txtConnect.find(c.logPart), std::string::npos) << r->status.txtConnect;
        EXPECT_EQ(r->ctx.strQuery, c.statement);
        if (c.statement.empty()) {
            EXPECT_EQ(r->status.txtConnect.find("SELECT"), std::string::npos);
        }
    }
}

}  // namespace
}  // namespace qdt::wizard
