// The connection check, and whole runs of a Data Copy: what the log says,
// and, with faults injected or a cancel, that what it says about the
// destination is what became of it.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>

#include "data/Dialect.h"
#include "data/FixtureShops.h"
#include "data/run/TextStatus.h"
#include "db/Connection.h"
#include "support/ShopFaults.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"

namespace qdt::wizard {
namespace {

using data::testing::SqliteShop;
using test::Dump;
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

// Calls the test's hook on every new line of the run's log.
class HookedStatus : public run::TextStatus {
public:
    std::function<void(const std::string&)> onLine;
    void AddMessage(const std::string& m) override {
        run::TextStatus::AddMessage(m);
        if (onLine) onLine(m);
    }
};

struct Session {
    StepOutcome Check(const data::ConnectionProfile& source, const data::ConnectionProfile& destination,
                      int action = run::kDataCopy) {
        ctx.source = source;
        ctx.destination = destination;
        ctx.intAction = action;
        return RunConnectionCheck(ctx);
    }
    HookedStatus status;
    run::RunContext ctx{status};
};

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
        Session r;
        const StepOutcome o = r.Check(c.source, c.destination, c.action);
        EXPECT_TRUE(o.succeeded && o.nextEnabled && o.backEnabled && o.messageBox.empty());
        EXPECT_EQ(r.status.txtConnect, c.log);
        EXPECT_EQ(o.txtSource + " -> " + o.txtDestin, c.txtSource + " -> " + c.txtDestin);
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
        Session r;
        const StepOutcome o = r.Check(SqliteSide(ShopFile(c.source)), SqliteSide(ShopFile(c.destination)));
        EXPECT_EQ(o.succeeded, c.error == 0);
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
        EXPECT_EQ(o.messageBox, kVersionContext + "\r\n\r\n" + expected + kSee);
        EXPECT_NE(r.status.txtConnect.find("\r\n\r\nError occurred!\r\n" + expected), std::string::npos);
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
        Session r;
        const StepOutcome o = r.Check(c.source, c.destination, c.action);
        EXPECT_FALSE(o.succeeded);
        EXPECT_EQ(o.messageBox, c.box);
        EXPECT_NE(r.status.txtConnect.find(c.logPart), std::string::npos) << r.status.txtConnect;
        EXPECT_EQ(r.ctx.strQuery, c.statement);
        if (c.statement.empty()) {
            EXPECT_EQ(r.status.txtConnect.find("SELECT"), std::string::npos);
        }
    }
}

class TransferRun : public ::testing::Test {
protected:
    void Check(Session& s) {
        const StepOutcome check = s.Check(SqliteSide(source_), SqliteSide(destination_));
        EXPECT_TRUE(check.succeeded) << check.messageBox;
    }
    std::string source_ = SqliteShop("4.6", false), destination_ = SqliteShop("5.104", true);
    Session s_;
};

// A failure or a cancel leaves the destination as it was. Once committed, the
// work cannot be undone: a cancel while closing must not report it as failed.
TEST_F(TransferRun, AFailureOrACancelLeavesTheDestinationAsItWas) {
    struct Case {
        const char* cancelAt;  // the log line at which the user asks to stop
        bool clash;            // the products table fails after eleven tables were copied
        const char *logPart, *lastLine;
    };
    const char* unchanged = "The destination database was left unchanged.";
    const Case cases[] = {
        {"Adding table tblQuillmartProducts...", false, "\r\nError occurred!\r\nThe operation was cancelled.", unchanged},
        {"Closing Databases... ", false, "\r\nClosing Databases... done.", "Data Transfer Successful!"},
        {"", true,
         "\r\nAdding table tblQuillmartProductProdTypeLink...done.\r\nAdding table tblQuillmartProducts...\r\n\r\n"
         "Error occurred!\r\nUNIQUE constraint failed: tblQuillmartProducts.P_Name1\r\n\r\nINSERT INTO "
         "tblQuillmartProducts (",
         unchanged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.logPart);
        if (c.clash) test::MakeProductNamesClash(source_, destination_);
        const auto before = Dump(destination_);
        Session s;
        s.status.onLine = [&](const std::string& line) {
            if (line == c.cancelAt) s.status.Cancel();
        };
        Check(s);
        const bool succeeded = RunTransfer(s.ctx).succeeded;
        const std::string& log = s.status.txtStep2;
        EXPECT_NE(log.find(c.logPart), std::string::npos) << log;
        EXPECT_EQ(log.substr(log.rfind("\r\n") + 2), c.lastLine);
        EXPECT_EQ(Dump(destination_) != before, succeeded);
    }
}

// The problems this run met are listed before the success line; an earlier run's are not.
TEST_F(TransferRun, SuccessfulCopyLogsEveryTableAndItsProblems) {
    s_.ctx.strWarnings = "- left over from an earlier run\r\n";
    test::OpenSqlite(source_).Execute(
        "UPDATE tblQuillmartConfig SET CFG_Value = 'Atlantis' WHERE CFG_Name = 'defaultcountry'");
    Check(s_);
    s_.ctx.settings.CopyTableList.Set("tblQuillmartWishList", "n");
    s_.ctx.settings.JobList.Set("Add News Placeholders For New Languages", "n");
    StepOutcome run = RunTransfer(s_.ctx);
    ASSERT_TRUE(run.succeeded && run.backEnabled && run.nextEnabled) << s_.status.txtStep2;

    const std::string& log = s_.status.txtStep2;
    EXPECT_THAT(log, ::testing::StartsWith("\r\nConnecting to source database... done.\r\nConnecting to destination "
                                           "database... done.\r\nAdding table tblQuillmartAffiliateLog...done."));
    EXPECT_EQ(log.find("tblQuillmartWishList"), std::string::npos);
    EXPECT_THAT(log, ::testing::EndsWith(
                         "\r\nComparing table tblQuillmartLanguageStrings...done.\r\nAdding Admin Login...done.\r\n"
                         "Adding Downloadable Shipping Rate...done.\r\nClosing Databases... done.\r\n"
                         "\r\nThe following problems were encountered;\r\n"
                         "- The 'defaultcountry' config setting could not be set. Please set this manually.\r\n"
                         "\r\n\r\nData Transfer Successful!"));
    EXPECT_EQ(s_.status.BarMax(run::Bar::Total), 18 + 2 + 2);
    EXPECT_EQ(s_.status.BarValue(run::Bar::Total), 18 + 2 + 2);
}

// With nothing selected the run still connects and closes; a source that
// cannot be opened fails with no context of its own in the box.
TEST_F(TransferRun, NothingSelectedStillConnectsAndClosesAndALostSourceShowsNoContext) {
    Check(s_);
    for (auto* list : {&s_.ctx.settings.CopyTableList, &s_.ctx.settings.CompareTableList, &s_.ctx.settings.JobList})
        for (const auto& entry : std::vector(list->Entries())) list->Set(entry.first, "n");
    EXPECT_TRUE(RunTransfer(s_.ctx).succeeded);
    EXPECT_EQ(s_.status.txtStep2,
              "\r\nConnecting to source database... done.\r\nConnecting to destination database... done.\r\n"
              "Closing Databases... done.\r\n\r\nData Transfer Successful!");
    EXPECT_EQ(s_.status.BarMax(run::Bar::Total), 0);

    s_.ctx.source.ConnectionString = "Provider=SQLite;Data Source=/nonexistent.sqlite";
    EXPECT_EQ(RunTransfer(s_.ctx).messageBox, "\r\n\r\nSee status window for more details.");
    EXPECT_THAT(s_.status.txtStep2,
                ::testing::StartsWith("\r\nConnecting to source database... \r\n\r\nError occurred!\r\n"));
}

// Every Quillmart table's rows, as sorted lines of text.
std::map<std::string, std::vector<std::string>> Contents(const std::string& connectionString) {
    db::Connection c;
    c.Open(connectionString);
    std::map<std::string, std::vector<std::string>> contents;
    for (auto schema = c.OpenSchema(); !schema->Eof(); schema->MoveNext()) {
        const std::string name = schema->Fields(std::size_t{2}).Value().ToText();
        if (name.rfind("tblQuillmart", 0) == 0) contents[name];
    }
    for (auto& [table, rows] : contents) {
        for (auto rs = c.Execute("SELECT * FROM " + table); !rs->Eof(); rs->MoveNext()) {
            std::string row;
            for (const db::Field& f : rs->AllFields()) row += (f.Value().IsNull() ? "NULL" : f.Value().ToText()) + "|";
            rows.push_back(row);
        }
        std::sort(rows.begin(), rows.end());
    }
    return contents;
}

// SQLite's own size limit, put on every connection to the limited file as it is opened.
std::string limitedFile;
long pageLimit = 0;
int LimitPages(sqlite3* db, char**, const sqlite3_api_routines*) {
    const char* name = sqlite3_db_filename(db, "main");
    if (name && !limitedFile.empty() && std::filesystem::path(name) == std::filesystem::path(limitedFile))
        sqlite3_exec(db, ("PRAGMA max_page_count = " + std::to_string(pageLimit)).c_str(), nullptr, nullptr, nullptr);
    return SQLITE_OK;
}

// One faulty run: a 4.6 shop copied into a destination that the case prepares.
struct Fault : Session {
    std::string destinationCs, expectedError, expectedCheckWarning, expectedLine;  // the last: the run's last line
    std::vector<std::string> changed;  // the tables changed in spite of the rollback, by name
    std::function<void()> cleanUp;  // undoes what the case arranged, also after a failed assertion
    ~Fault() {
        if (cleanUp) cleanUp();
    }
};

// A full disk: SQLite's page limit on the destination, with room for the
// shop and a few pages more.
void DiskFull(Fault& f, const test::MySqlServer&) {
    const std::string shop = SqliteShop("5.104", true);
    limitedFile = test::TempDir() + "/shop.sqlite";
    pageLimit = static_cast<long>(std::filesystem::file_size(shop) / 4096 + 16);
    std::filesystem::copy_file(shop, limitedFile);
    sqlite3_auto_extension(reinterpret_cast<void (*)()>(LimitPages));
    f.cleanUp = [] {
        sqlite3_cancel_auto_extension(reinterpret_cast<void (*)()>(LimitPages));
        limitedFile.clear();
    };
    // SQLite ends the transaction itself when a write finds no room.
    f.expectedError = "database or disk is full";
    f.expectedLine =
        "SQLite had already undone the unfinished transaction when the error occurred, so the destination "
        "database was left unchanged.";
    test::AddMailingListRows(f.ctx.source.Database, 5001);  // more than the limit leaves room for
    f.ctx.destination = SqliteSide(limitedFile);
    f.destinationCs = "Provider=SQLite;Data Source=" + limitedFile;
}

// A MariaDB database holding a blank 5.104 shop, and a connection to it.
db::Connection MySqlShop(Fault& f, const test::MySqlServer& server, const std::string& name) {
    auto scratch = std::make_shared<test::ScratchMySqlDatabase>(server, name);
    f.ctx.destination = scratch->Server().Profile();
    data::ApplyDialect(f.ctx.destination);
    f.destinationCs = scratch->Server().ConnectionString();
    f.cleanUp = [scratch]() mutable { scratch.reset(); };
    db::Connection c;
    c.Open(f.destinationCs);
    data::testing::RunShopScript(c, data::testing::ShopScript("mysql", "5.104", true));
    return c;
}

// Old shop databases keep MyISAM tables, which no rollback undoes. The run
// fails at its first job, after the copy and the comparison wrote to such
// tables, and before the shipping job reaches tblQuillmartShippingMethods.
void MyIsamTables(Fault& f, const test::MySqlServer& server) {
    db::Connection c = MySqlShop(f, server, "fault_myisam");
    for (const char* t : {"tblQuillmartAffiliates", "tblQuillmartProducts", "tblQuillmartConfig",
                          "tblQuillmartShippingMethods"})
        c.Execute(std::string("ALTER TABLE ") + t + " ENGINE=MyISAM");
    c.Execute("ALTER TABLE tblQuillmartLogins DROP COLUMN LOGIN_Protected");
    f.expectedError = "Unknown column 'LOGIN_Protected'";
    // The check names every MyISAM table the run may write, the failure those it reached.
    f.expectedCheckWarning =
        "\r\nWarning: These destination tables cannot roll back, so a failure part-way through the run cannot be "
        "undone for them: tblQuillmartAffiliates (MyISAM), tblQuillmartProducts (MyISAM), tblQuillmartConfig "
        "(MyISAM), tblQuillmartShippingMethods (MyISAM).";
    f.changed = {"tblQuillmartAffiliates", "tblQuillmartConfig", "tblQuillmartProducts"};
    f.expectedLine =
        "The destination database was left unchanged, except for these tables, which cannot roll back and may have "
        "been changed: tblQuillmartAffiliates, tblQuillmartProducts, tblQuillmartConfig.";
}

// The server drops the run's connection (a restart, a network fault, an
// administrator's KILL) while the products are copied.
void LostConnection(Fault& f, const test::MySqlServer& server) {
    MySqlShop(f, server, "fault_lost");
    const std::string database = f.ctx.destination.Database;
    auto killer = std::make_shared<db::Connection>();
    killer->Open(server.ConnectionString());
    f.status.onLine = [killer, database, done = false](const std::string& line) mutable {
        if (done || line != "Adding table tblQuillmartProducts...") return;
        done = true;
        auto ids = killer->Execute(
            "SELECT ID FROM information_schema.PROCESSLIST WHERE DB = '" + database + "' AND ID <> CONNECTION_ID()");
        std::vector<std::string> list;
        for (; !ids->Eof(); ids->MoveNext()) list.push_back(ids->Fields(0).Value().ToText());
        ids->Close();
        for (const std::string& id : list) killer->Execute("KILL " + id);
    };
    f.expectedError = "Lost connection to server during query.";
    f.expectedLine =
        "The connection to the destination database was lost before the work was saved. The server discards a "
        "transaction that was not committed when its connection drops, so the destination database was left "
        "unchanged.";
}

struct FaultCase {
    const char* name;
    bool needsMySql;
    std::function<void(Fault&, const test::MySqlServer&)> arrange;
};

class RollbackHonesty : public ::testing::TestWithParam<FaultCase> {};

TEST_P(RollbackHonesty, TheLogSaysWhatBecameOfTheDestination) {
    const FaultCase& c = GetParam();
    std::optional<test::MySqlServer> server;
    if (c.needsMySql) {
        QDT_REQUIRE_MYSQL_SERVER(s);
        server = s;
    }
    Fault f;
    f.ctx.source = SqliteSide(SqliteShop("4.6", false));
    c.arrange(f, server.value_or(test::MySqlServer{}));
    const auto before = Contents(f.destinationCs);

    ASSERT_TRUE(RunConnectionCheck(f.ctx).succeeded) << f.status.txtConnect;
    if (!f.expectedCheckWarning.empty())
        EXPECT_NE(f.status.txtConnect.find(f.expectedCheckWarning), std::string::npos) << f.status.txtConnect;
    else
        EXPECT_EQ(f.status.txtConnect.find("Warning"), std::string::npos) << f.status.txtConnect;
    ASSERT_FALSE(RunTransfer(f.ctx).succeeded) << f.status.txtStep2;
    const std::string& log = f.status.txtStep2;
    EXPECT_NE(log.find("\r\nError occurred!\r\n" + f.expectedError), std::string::npos) << log;
    EXPECT_EQ(log.substr(log.rfind("\r\n") + 2), f.expectedLine) << log;
    // The run's own warnings carry the check's warning too, for a run that gets to its report.
    EXPECT_EQ(f.ctx.strWarnings.find("- These destination tables cannot roll back") != std::string::npos,
              !f.expectedCheckWarning.empty());

    // Exactly the tables named were changed: the line is not a blanket caution.
    const auto after = Contents(f.destinationCs);
    std::vector<std::string> changed;
    for (const auto& [table, rows] : before)
        if (after.at(table) != rows) changed.push_back(table);
    EXPECT_EQ(changed, f.changed);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, RollbackHonesty,
    ::testing::Values(FaultCase{"DiskFull", false, DiskFull},
                      FaultCase{"MyIsamTables", true, MyIsamTables}, FaultCase{"LostConnection", true, LostConnection}),
    [](const ::testing::TestParamInfo<FaultCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::wizard
