// Lookups in a shop, the settings and texts compared into the new shop after
// the copy, and the jobs that add what an old shop lacks.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/SetupJobs.h"
#include "data/SqlLiterals.h"
#include "data/TableComparison.h"
#include "data/TaxBand.h"
#include "db/Error.h"
#include "support/TestEnv.h"

namespace qdt::data {
namespace {

using ::testing::HasSubstr;
using db::Value;
using testing::RecordedTransfer;
using Statements = std::vector<std::string>;

// Halves go to the even neighbour; what does not fit in 16 bits is refused.
TEST(DestinationId, NumbersAreTakenAsTheyAreWithoutAQuery) {
    RecordedTransfer t(kSqlServer, 5.0f, 5.104f);
    const std::pair<const char*, int> taken[] = {{"44", 44},     {" 7 ", 7},   {"-3", -3},      {"+12", 12},     {"44.5", 44},
                                                 {"45.5", 46},   {"-2.5", -2}, {"2.51", 3},     {"32767", 32767}, {"-32768", -32768}};
    for (const auto& [text, id] : taken) EXPECT_EQ(GetDestinationId(t.ctx, text, t.sourceConn), id) << text;
    for (const char* text : {"40000", "32767.5", "-32769", "1e6"})
        EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { GetDestinationId(t.ctx, text, t.sourceConn); }),
                    HasSubstr(text));
    EXPECT_TRUE(t.source.Statements().empty());
    EXPECT_EQ(t.ctx.strQuery, "");
}

// The name is a literal of the source's kind: in a MySQL source a name
// ending in a backslash once swallowed its quote. A failing lookup passes
// through with its statement kept.
TEST(DestinationId, NamesAreLookedUpAsLiteralsOfTheSourceKind) {
    struct Case {
        DatabaseKind kind;
        std::string name;
        std::string literal;
    };
    for (const Case& c : {Case{kAccess, "Cote d'Ivoire", "'Cote d''Ivoire'"},
                          Case{kSqlServer, "Cote d'Ivoire\\", "'Cote d''Ivoire\\'"},
                          Case{kMySql, "Cote d'Ivoire\\", "'Cote d''Ivoire\\\\'"},
                          Case{kMySql, "x\\' OR 1=1 -- ", "'x\\\\'' OR 1=1 -- '"}}) {
        const std::string sql = "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = " + c.literal;
        RecordedTransfer t(kSqlServer, 5.0f, 5.104f);
        t.source.Answer(sql, {{"D_ID"}, {db::kInteger}, {{Value::Integer(81)}, {Value::Integer(99)}}});
        t.ctx.source.Kind = c.kind;
        EXPECT_EQ(GetDestinationId(t.ctx, c.name, t.sourceConn), 81) << c.name;
        EXPECT_EQ(GetDestinationId(t.ctx, "Inf", t.sourceConn), 0);  // a name, not a number
        EXPECT_EQ(t.source.Statements(),
                  (Statements{sql, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = 'Inf'"}));
        EXPECT_EQ(t.source.OpenResults(), 0);
    }
    RecordedTransfer t(kSqlServer, 5.0f, 5.104f);
    t.source.FailPrefix("SELECT", "no such table: tblQuillmartDestination");
    EXPECT_THROW(GetDestinationId(t.ctx, "Ireland", t.sourceConn), db::DatabaseError);
    EXPECT_EQ(t.ctx.strQuery, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = 'Ireland'");
}

const char* kSetting = "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'";

// A missing setting or band reads as 0. The setting is written bare into the
// rate query, so what is not a number (empty, or SQL a crafted shop put
// there) is an error and never a statement.
TEST(TaxBand, GetReadsTheRateOfTheBandTheSettingNames) {
    struct Case {
        const char* setting;  // nullptr: no setting row
        float rate;
        bool refused = false;
    };
    for (const Case& c : {Case{"3", 17.5f}, Case{nullptr, 0.0f}, Case{"9", 0.0f}, Case{"", 0.0f, true},
                          Case{"3 OR 1=1", 0.0f, true},
                          Case{"(SELECT group_concat(name) FROM sqlite_master)", 0.0f, true}}) {
        const std::string shown = c.setting ? c.setting : "(no row)";
        RecordedTransfer t(kSqlServer, 5.0f, 5.104f);
        if (c.setting) t.SourceSetting("shiptaxband", c.setting);
        t.source.Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 3",
                        {{"T_TaxRate"}, {db::kDouble}, {{Value::Double(17.5)}}});
        Statements expected{kSetting};
        if (c.refused) {
            EXPECT_THAT(test::ErrorText<db::DatabaseError>(
                            [&] { GetTaxBand(t.ctx, t.sourceConn, "shipping", "shiptaxband"); }),
                        HasSubstr("'shiptaxband' setting holds '" + shown + "'"));
            EXPECT_EQ(t.ctx.strQuery, kSetting);
        } else {
            EXPECT_EQ(GetTaxBand(t.ctx, t.sourceConn, "shipping", "shiptaxband"), c.rate) << shown;
            if (c.setting) expected.push_back(std::string("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = ") + c.setting);
        }
        EXPECT_EQ(t.source.Statements(), expected) << shown;
        EXPECT_EQ(t.source.OpenResults(), 0) << shown;
    }
}

// The recorder answers the lookup of the new row with none.
TEST(TaxBand, SetFailsWhenTheNewRowIsMissing) {
    RecordedTransfer t(kSqlServer, 5.0f, 5.104f);
    TaxRateMap map;
    EXPECT_THROW(SetTaxBand(t.ctx, t.destinationConn, "shipping", "shiptaxband", 5.0f, map), db::DatabaseError);
    EXPECT_TRUE(map.empty());
}

TEST(AspFolder, EveryLowerCaseOccurrenceBecomesASlash) {
    EXPECT_EQ(DropAspFolder("/asp/images/"), "/images/");
    EXPECT_EQ(DropAspFolder("http://shop/asp/a/asp/b"), "http://shop/a/b");
    EXPECT_EQ(DropAspFolder("/ASP/images/"), "/ASP/images/");
    // Replaced text is not searched again.
    EXPECT_EQ(DropAspFolder("/asp/asp/"), "/asp/");
    EXPECT_EQ(DropAspFolder(""), "");
}

const char* kWarning = "- The 'defaultcountry' config setting could not be set. Please set this manually.\r\n";

// One source table compared into the destination, and the updates that must follow.
struct CompareCase {
    const char* name;
    DatabaseKind kind;
    float sourceVersion;
    const char* destinationTable;
    test::CannedResult rows;  // of LS_ID and LS_Value, or of CFG_Name and CFG_Value
    Statements expected;
    bool warned = false;  // of the default country
};

TEST(CompareStatements, KeysAndValuesQuotedByTheirClass) {
    const auto settings = [](int valueType, std::vector<std::vector<Value>> rows) {
        return test::CannedResult{{"CFG_Name", "CFG_Value"}, {db::kVarWChar, valueType}, std::move(rows)};
    };
    const auto country = [&](const char* stored) {
        return settings(db::kVarWChar, {{Value::Text("defaultcountry"), Value::Text(stored)}});
    };
    const CompareCase cases[] = {
        {"strings", kAccess, 4.7f, "tblQuillmartLanguageStrings1",
         {{"LS_ID", "LS_Value"},
          {db::kInteger, db::kVarWChar},
          {{Value::Integer(3), Value::Text("Don't /asp/ go")}, {Value::Integer(4), Value::Null()}}},
         {"UPDATE tblQuillmartLanguageStrings1 SET LS_Value = 'Don''t / go' WHERE LS_ID = 3",
          "UPDATE tblQuillmartLanguageStrings1 SET LS_Value = '' WHERE LS_ID = 4"}},
        // Every text written for MySQL has its backslashes escaped: a value ending in
        // one once swallowed its quote and let the key run as SQL.
        {"backslashes", kMySql, 5.0f, "tblQuillmartConfig",
         settings(db::kVarWChar,
                  {{Value::Text("k' OR '1'='1"), Value::Text("C:\\shop\\asp\\")}, {Value::Text("n"), Value::Null()}}),
         {"UPDATE tblQuillmartConfig SET CFG_Value = 'C:\\\\shop\\\\asp\\\\' WHERE CFG_Name = 'k'' OR ''1''=''1'",
          "UPDATE tblQuillmartConfig SET CFG_Value = '' WHERE CFG_Name = 'n'"}},
        {"dates keep their plain text form", kAccess, 5.0f, "tblQuillmartConfig",
         settings(db::kDate, {{Value::Text("lastupdate"), Value::Date({2004, 3, 7, 9, 5, 2})}}),
         {"UPDATE tblQuillmartConfig SET CFG_Value = #2004-03-07 09:05:02# WHERE CFG_Name = 'lastupdate'"}},
        // Whatever the case of the table's name.
        {"price setting fixed for old shops", kSqlServer, 4.6f, "TBLQUILLMARTCONFIG", settings(db::kVarWChar, {}),
         {"UPDATE tblQuillmartConfig SET CFG_Value = 'n' WHERE CFG_Name = 'pricesinctax'"}},
        // The default country is named by name or number in an old shop; the new one keeps its
        // number, and a name not found is reported after the earlier problems.
        {"country by name", kSqlServer, 4.7f, "tblQuillmartConfig", country("United Kingdom"),
         {"UPDATE tblQuillmartConfig SET CFG_Value = '12' WHERE CFG_Name = 'defaultcountry'"}},
        {"country by number", kSqlServer, 4.7f, "tblQuillmartConfig", country("5"),
         {"UPDATE tblQuillmartConfig SET CFG_Value = '5' WHERE CFG_Name = 'defaultcountry'"}},
        {"country unknown", kSqlServer, 4.7f, "tblQuillmartConfig", country("Atlantis"),
         {"UPDATE tblQuillmartConfig SET CFG_Value = '0' WHERE CFG_Name = 'defaultcountry'"}, true},
        {"country empty", kSqlServer, 4.7f, "tblQuillmartConfig", country(""),
         {"UPDATE tblQuillmartConfig SET CFG_Value = '0' WHERE CFG_Name = 'defaultcountry'"}, true},
    };
    for (const CompareCase& c : cases) {
        RecordedTransfer t(c.kind, c.sourceVersion, 5.104f);
        t.ctx.strWarnings = "- Earlier problem.\r\n";
        t.SourceCountry("United Kingdom", 12);
        const std::string source = c.rows.columns[0] == "LS_ID" ? "tblQuillmartLanguageStrings" : "tblQuillmartConfig";
        t.SourceTable(source, c.rows);
        CompareTable(t.ctx, source, c.destinationTable, c.rows.columns[0], c.rows.columns[1], t.sourceConn,
                     t.destinationConn);
        // A source read other than the canned one would give no rows, and so no updates.
        EXPECT_EQ(t.destination.Statements(), c.expected) << c.name;
        EXPECT_EQ(t.ctx.strWarnings, std::string("- Earlier problem.\r\n") + (c.warned ? kWarning : "")) << c.name;
    }
}

// The back-office password travels in the admin login a setup job adds and
// in the setting a comparison updates. A failure shows the statement with the
// literal masked, never by replacing the password's text in it ("a" would
// garble every table name and give itself away), and masks the driver's error
// text too; what runs still carries the password.
TEST(PasswordStatements, AFailureIsShownWithThePasswordMasked) {
    struct Case {
        bool login;  // the login's INSERT, else the setting's UPDATE
        DatabaseKind kind;
        std::string password;
        std::string executed;  // the password's literal
        std::string driverError;
        std::string shownError;
    };
    const Case cases[] = {
        {true, kMySql, "a", "'a'", "near 'a', 'y','y'", "near '********', 'y','y'"},
        {true, kMySql, "p\\'w", "'p\\\\''w'", "Incorrect value 'p\\'w'", "Incorrect value '********'"},
        {false, kMySql, "s3cr'et", "'s3cr''et'", "Lock wait timeout exceeded", "Lock wait timeout exceeded"},
        {false, kMySql, "a", "'a'", "Duplicate entry 'a' for key 'tblQuillmartConfig_value'",
         "Duplicate entry '********' for key 'tblQuillmartConfig_value'"},
        {false, kMySql, "x\\'y", "'x\\\\''y'",
         "syntax error near 'x\\\\''y' WHERE CFG_Name = 'backendpassword'' at line 1",
         "syntax error near '********' WHERE CFG_Name = 'backendpassword'' at line 1"},
        {false, kMySql, "x\\'y", "'x\\\\''y'", "Data too long: x\\'y", "Data too long: ********"},
        {false, kSqlServer, "a'b", "'a''b'", "near ''a''b' WHERE'", "near ''********' WHERE'"},
    };
    for (const Case& c : cases) {
        RecordedTransfer t(c.kind, c.login ? 4.6f : 5.0f, 5.104f);
        t.SourceSetting("backendlogin", "admin");
        t.SourceSetting("backendpassword", c.password);
        t.SourceTable("tblQuillmartConfig", {{"CFG_Name", "CFG_Value"},
                                             {db::kVarWChar, db::kVarWChar},
                                             {{Value::Text("backendpassword"), Value::Text(c.password)}}});
        t.destination.FailPrefix(c.login ? "INSERT INTO tblQuillmartLogins" : "UPDATE tblQuillmartConfig",
                                 c.driverError);
        const std::string shown = test::ErrorText<db::DatabaseError>([&] {
            if (c.login) AddAdminLogin(t.ctx, t.sourceConn, t.destinationConn);
            else CompareTable(t.ctx, "tblQuillmartConfig", "tblQuillmartConfig", "CFG_Name", "CFG_Value",
                              t.sourceConn, t.destinationConn);
        });
        EXPECT_EQ(shown, c.shownError) << c.password;
        std::string masked = t.destination.Statements().back();
        ASSERT_NE(masked.find(c.executed), std::string::npos) << masked;
        EXPECT_EQ(t.ctx.strQuery, masked.replace(masked.find(c.executed), c.executed.size(), "'********'"));
    }
}

// The bar moves once per row; a failing update stops the comparison with its
// statement kept and the log line left open.
TEST(CompareStatements, ProgressThenAFailingUpdate) {
    RecordedTransfer t(kMySql, 4.7f, 5.104f);
    test::CannedResult rows{{"LS_ID", "LS_Value"}, {db::kInteger, db::kVarWChar}, {}};
    for (int id = 1; id <= 4; ++id) rows.rows.push_back({Value::Integer(id), Value::Text(id == 4 ? "d" : "x")});
    t.SourceTable("tblQuillmartLanguageStrings", rows);
    const char* failing = "UPDATE tblQuillmartLanguageStrings1 SET LS_Value = 'd' WHERE LS_ID = 4";
    t.destination.Fail(failing, "Table 'shop.tblQuillmartLanguageStrings1' doesn't exist");
    EXPECT_THROW(CompareTable(t.ctx, "tblQuillmartLanguageStrings", "tblQuillmartLanguageStrings1", "LS_ID", "LS_Value",
                              t.sourceConn, t.destinationConn),
                 db::DatabaseError);
    EXPECT_EQ(t.ctx.strQuery, failing);
    EXPECT_EQ(t.status.txtStep2, "\r\nComparing table tblQuillmartLanguageStrings...");
    EXPECT_EQ(t.status.currentBar, (std::vector<double>{25, 50, 75}));
    EXPECT_EQ(t.status.yields, 3);
}

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

// Without a password the job ends after the logins are gone, with the read
// of the password as the statement under way.
TEST(AdminLoginStatements, VariantByDestinationVersionAndKind) {
    struct Case {
        DatabaseKind kind;
        float version;
        const char* password;
        Statements expected;
    };
    for (const Case& c : {Case{kAccess, 5.0f, "pa'ss", {"DELETE * FROM tblQuillmartLogins", kLogin50}},
                          Case{kSqlServer, 5.1f, "pa'ss", {"DELETE FROM tblQuillmartLogins", kLogin51}},
                          Case{kMySql, 5.104f, "pa'ss", {"DELETE FROM tblQuillmartLogins", kLogin51}},
                          Case{kSqlServer, 5.104f, nullptr, {"DELETE FROM tblQuillmartLogins"}}}) {
        RecordedTransfer t(c.kind, 4.6f, c.version);
        t.SourceSetting("backendlogin", "admin");
        if (c.password) t.SourceSetting("backendpassword", c.password);
        const std::string error = test::ErrorText<db::DatabaseError>(
            [&] { AddAdminLogin(t.ctx, t.sourceConn, t.destinationConn); });
        EXPECT_EQ(t.destination.Statements(), c.expected) << c.version << ": " << error;
        EXPECT_EQ(error == "(no error)", c.password != nullptr) << error;
        // The statement under way is kept with the password masked.
        std::string shown = c.password ? c.expected.back()
                                       : "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendpassword'";
        if (c.password) shown.replace(shown.find("'pa''ss'"), 8, "'********'");
        EXPECT_EQ(t.ctx.strQuery, shown);
    }
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

}  // namespace
}  // namespace qdt::data
