#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/ScratchDatabase.h"
#include "data/SetupJobs.h"
#include "db/Error.h"

namespace qdt::data {
namespace {

using db::Value;
using testing::RecordedTransfer;
using testing::ScratchDatabase;
using Statements = std::vector<std::string>;

const char* kLogin50 =
    "INSERT INTO tblQuillmartLogins (LOGIN_Username, LOGIN_Password, LOGIN_Live, LOGIN_Orders, LOGIN_Products, "
    "LOGIN_Config, LOGIN_Protected) VALUES ('admin', 'pa''ss', 'y','y','y','y','y')";
const char* kLogin51 =
    "INSERT INTO tblQuillmartLogins (LOGIN_Username, LOGIN_Password, LOGIN_Live, LOGIN_Orders, LOGIN_Products, "
    "LOGIN_Config, LOGIN_Protected, LOGIN_Language) VALUES ('admin', 'pa''ss', 'y','y','y','y','y',1)";
const char* kMethod50 =
    "INSERT INTO tblQuillmartShippingMethods (SM_Name1, SM_Description1, SM_AutoMethod) VALUES ('No Shipping "
    "Required', 'Your products will be available for download in the shipping area when the purchase is complete.', "
    "'y')";
const char* kMethod51 =
    "INSERT INTO tblQuillmartShippingMethods (SM_Name1, SM_Description1, SM_AutoMethod) VALUES ('No Shipping "
    "Required', 'All products are not applicable to shipping.', 'y')";
const char* kNewestMethod =
    "SELECT SM_ID FROM tblQuillmartShippingMethods WHERE SM_AutoMethod = 'y' ORDER BY SM_ID DESC";

// ---------------------------------------------------------------- statement texts

TEST(AdminLoginStatements, VariantByDestinationVersionAndKind) {
    struct Case {
        DatabaseKind kind;
        float version;
        Statements expected;
    };
    for (const Case& c : {Case{kAccess, 5.0f, {"DELETE * FROM tblQuillmartLogins", kLogin50}},
                          Case{kSqlServer, 5.1f, {"DELETE FROM tblQuillmartLogins", kLogin51}},
                          Case{kMySql, 5.104f, {"DELETE FROM tblQuillmartLogins", kLogin51}}}) {
        RecordedTransfer t(c.kind, 4.6f, c.version);
        t.SourceSetting("backendlogin", "admin");
        t.SourceSetting("backendpassword", "pa'ss");
        AddAdminLogin(t.ctx, t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.destination.Statements(), c.expected) << c.version;
        EXPECT_EQ(t.source.Statements(),
                  (Statements{"SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendlogin'",
                              "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendpassword'"}));
        EXPECT_EQ(t.status.txtStep2, "\r\nAdding Admin Login...done.");
    }
}

// A failure is reported with the statement under way; the back-office
// password in it, and in the driver's error text, must not reach the log.
TEST(AdminLoginStatements, AFailingInsertIsShownWithThePasswordMasked) {
    struct Case {
        DatabaseKind kind;
        std::string password;
        std::string executedLiteral;
        std::string driverError;
        std::string shownError;
    };
    for (const Case& c : {
             Case{kMySql, "s3cr'et", "'s3cr''et'", "Duplicate entry 'admin'", "Duplicate entry 'admin'"},
             Case{kMySql, "a", "'a'", "near 'a', 'y','y'", "near '********', 'y','y'"},
             Case{kMySql, "p\\'w", "'p\\\\''w'", "Incorrect value 'p\\'w'", "Incorrect value '********'"},
             Case{kSqlite, "a", "'a'", "CHECK constraint failed", "CHECK constraint failed"},
         }) {
        RecordedTransfer t(c.kind, 4.6f, 5.104f);
        t.SourceSetting("backendlogin", "admin");
        t.SourceSetting("backendpassword", c.password);
        t.destination.FailPrefix("INSERT INTO tblQuillmartLogins", c.driverError);
        try {
            AddAdminLogin(t.ctx, t.sourceConn, t.destinationConn);
            ADD_FAILURE() << c.password;
        } catch (const db::DatabaseError& e) {
            EXPECT_EQ(std::string(e.what()), c.shownError) << c.password;
        }
        EXPECT_EQ(t.ctx.strQuery,
                  "INSERT INTO tblQuillmartLogins (LOGIN_Username, LOGIN_Password, LOGIN_Live, LOGIN_Orders, "
                  "LOGIN_Products, LOGIN_Config, LOGIN_Protected, LOGIN_Language) VALUES ('admin', '********', "
                  "'y','y','y','y','y',1)");
        // What was executed still carried the real password.
        EXPECT_NE(t.destination.Statements().back().find("'admin', " + c.executedLiteral + ", 'y'"),
                  std::string::npos)
            << t.destination.Statements().back();
    }
}

TEST(AdminLoginStatements, MissingPasswordEndsTheJobAfterTheLoginsAreGone) {
    RecordedTransfer t(kSqlServer, 4.6f, 5.104f);
    t.SourceSetting("backendlogin", "admin");
    EXPECT_THROW(AddAdminLogin(t.ctx, t.sourceConn, t.destinationConn), db::DatabaseError);
    EXPECT_EQ(t.destination.Statements(), (Statements{"DELETE FROM tblQuillmartLogins"}));
    EXPECT_EQ(t.ctx.strQuery, "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendpassword'");
}

TEST(ShippingRateStatements, RateAttachedToTheNumberFound) {
    for (float version : {5.0f, 5.1f}) {
        RecordedTransfer t(kSqlServer, 4.6f, version);
        t.destination.Answer(kNewestMethod, {{"SM_ID"}, {db::kInteger}, {{Value::Integer(9)}, {Value::Integer(4)}}});
        AddDownloadShippingRate(t.ctx, t.destinationConn);
        EXPECT_EQ(t.destination.Statements(),
                  (Statements{version >= 5.1f ? kMethod51 : kMethod50, kNewestMethod,
                              "INSERT INTO tblQuillmartShippingRates (S_ShippingRate, S_Boundary, S_Zone, "
                              "S_ShippingMethod, S_Live) VALUES (0, 999999, 1, 9, 'y')"}))
            << version;
        EXPECT_EQ(t.status.txtStep2, "\r\nAdding Downloadable Shipping Rate...done.");
    }
}

TEST(NewsPlaceholderStatements, FourPerLanguageInLanguageOrder) {
    RecordedTransfer t(kAccess, 4.6f, 5.104f);
    AddNewsPlaceholders(t.ctx, t.destinationConn);
    Statements expected;
    for (int language = 2; language <= 5; ++language)
        for (int i = 0; i < 4; ++i)
            expected.push_back("INSERT INTO tblQuillmartNews (N_headline, N_content, N_language) VALUES ('',''," +
                               std::to_string(language) + ")");
    EXPECT_EQ(t.destination.Statements(), expected);
    EXPECT_EQ(t.status.yields, 16);
    EXPECT_EQ(t.status.txtStep2, "\r\nAdding News Placeholders...done.");
}

// ---------------------------------------------------------------- on real databases

class JobsOnSqlite : public ::testing::Test {
protected:
    JobsOnSqlite() {
        ctx.source.Kind = kSqlite;
        ctx.destination.Kind = kSqlite;
        ctx.source.Version = 4.6f;
    }
    run::TextStatus status;
    run::RunContext ctx{status};
};

TEST_F(JobsOnSqlite, AdminLoginReplacesEveryLoginAndKeepsTheQuote) {
    ctx.destination.Version = 5.1f;
    auto source = ScratchDatabase({"CREATE TABLE tblQuillmartConfig (CFG_Name VARCHAR(50), CFG_Value VARCHAR(255))",
                                   "INSERT INTO tblQuillmartConfig VALUES ('backendlogin', 'O''Hara')",
                                   "INSERT INTO tblQuillmartConfig VALUES ('backendpassword', 'it''s secret')"});
    auto destination = ScratchDatabase(
        {"CREATE TABLE tblQuillmartLogins (LOGIN_ID INTEGER PRIMARY KEY, LOGIN_Username VARCHAR(50), "
         "LOGIN_Password VARCHAR(50), LOGIN_Live VARCHAR(1), LOGIN_Orders VARCHAR(1), LOGIN_Products VARCHAR(1), "
         "LOGIN_Config VARCHAR(1), LOGIN_Protected VARCHAR(1), LOGIN_Language INTEGER)",
         "INSERT INTO tblQuillmartLogins (LOGIN_Username) VALUES ('old')"});

    AddAdminLogin(ctx, source, destination);

    auto rs = destination.Execute(
        "SELECT COUNT(*) AS n, MAX(LOGIN_Username) AS u, MAX(LOGIN_Password) AS p, "
        "MAX(LOGIN_Protected) AS pr, MAX(LOGIN_Language) AS l FROM tblQuillmartLogins");
    EXPECT_EQ(rs->Fields("n").Value().ToInteger(), 1);
    EXPECT_EQ(rs->Fields("u").Value().ToText(), "O'Hara");
    EXPECT_EQ(rs->Fields("p").Value().ToText(), "it's secret");
    EXPECT_EQ(rs->Fields("pr").Value().ToText(), "y");
    EXPECT_EQ(rs->Fields("l").Value().ToInteger(), 1);
}

TEST_F(JobsOnSqlite, ShippingRateGoesToTheMethodJustAdded) {
    ctx.destination.Version = 5.0f;
    auto destination = ScratchDatabase(
        {"CREATE TABLE tblQuillmartShippingMethods (SM_ID INTEGER PRIMARY KEY, SM_Name1 VARCHAR(50), "
         "SM_Description1 VARCHAR(255), SM_AutoMethod VARCHAR(1))",
         "CREATE TABLE tblQuillmartShippingRates (S_ID INTEGER PRIMARY KEY, S_ShippingRate DOUBLE, S_Boundary DOUBLE, "
         "S_Zone INTEGER, S_ShippingMethod INTEGER, S_Live VARCHAR(1))",
         "INSERT INTO tblQuillmartShippingMethods VALUES (3, 'Courier', '', 'y')",
         "INSERT INTO tblQuillmartShippingMethods VALUES (7, 'Post', '', 'n')",
         "INSERT INTO tblQuillmartShippingMethods VALUES (5, 'Express', '', 'y')"});

    AddDownloadShippingRate(ctx, destination);

    auto method = destination.Execute(
        "SELECT SM_ID, SM_Description1 FROM tblQuillmartShippingMethods "
        "WHERE SM_Name1 = 'No Shipping Required'");
    ASSERT_FALSE(method->Eof());
    const std::int64_t id = method->Fields("SM_ID").Value().ToInteger();
    EXPECT_EQ(id, 8);
    EXPECT_EQ(method->Fields("SM_Description1").Value().ToText(),
              "Your products will be available for download in the shipping area when the purchase is complete.");
    auto rate = destination.Execute(
        "SELECT S_ShippingRate, S_Boundary, S_Zone, S_ShippingMethod, S_Live "
        "FROM tblQuillmartShippingRates");
    ASSERT_FALSE(rate->Eof());
    EXPECT_EQ(rate->Fields("S_ShippingMethod").Value().ToInteger(), id);
    EXPECT_EQ(rate->Fields("S_Boundary").Value().ToDouble(), 999999);
    EXPECT_EQ(rate->Fields("S_Live").Value().ToText(), "y");
    rate->MoveNext();
    EXPECT_TRUE(rate->Eof());
}

TEST_F(JobsOnSqlite, SixteenNewsRows) {
    ctx.destination.Version = 5.104f;
    auto destination =
        ScratchDatabase({"CREATE TABLE tblQuillmartNews (N_ID INTEGER PRIMARY KEY, N_headline "
                         "VARCHAR(50), N_content TEXT, N_language INTEGER)",
                         "INSERT INTO tblQuillmartNews VALUES (1, 'Hello', 'First', 1)"});
    AddNewsPlaceholders(ctx, destination);
    auto rs = destination.Execute(
        "SELECT N_language, COUNT(*) AS n, MAX(N_headline) AS h, MAX(N_content) AS c "
        "FROM tblQuillmartNews WHERE N_ID > 1 GROUP BY N_language ORDER BY N_language");
    std::vector<std::string> groups;
    for (; !rs->Eof(); rs->MoveNext())
        groups.push_back(rs->Fields("N_language").Value().ToText() + ":" + rs->Fields("n").Value().ToText() + ":" +
                         rs->Fields("h").Value().ToText() + rs->Fields("c").Value().ToText());
    EXPECT_EQ(groups, (std::vector<std::string>{"2:4:", "3:4:", "4:4:", "5:4:"}));
}

}  // namespace
}  // namespace qdt::data
