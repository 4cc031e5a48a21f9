#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/SetupJobs.h"
#include "data/TableComparison.h"
#include "db/Error.h"
#include "support/TestEnv.h"

namespace qdt::data {
namespace {

using db::Value;
using testing::RecordedTransfer;
using Statements = std::vector<std::string>;

const char* kWarning = "- The 'defaultcountry' config setting could not be set. Please set this manually.\r\n";

TEST(AspFolder, EveryLowerCaseOccurrenceBecomesASlash) {
    EXPECT_EQ(DropAspFolder("/asp/images/"), "/images/");
    EXPECT_EQ(DropAspFolder("http://shop/asp/a/asp/b"), "http://shop/a/b");
    EXPECT_EQ(DropAspFolder("/ASP/images/"), "/ASP/images/");
    // Replaced text is not searched again.
    EXPECT_EQ(DropAspFolder("/asp/asp/"), "/asp/");
    EXPECT_EQ(DropAspFolder(""), "");
}

// One source table compared into the destination, and the updates that must follow.
struct CompareCase {
    const char* name;
    DatabaseKind kind;
    float sourceVersion;
    const char* destinationTable;
    test::CannedResult rows;  // of LS_ID and LS_Value, or of CFG_Name and CFG_Value
    Statements expected;
};

TEST(CompareStatements, KeysAndValuesQuotedByTheirClass) {
    const auto settings = [](int valueType, std::vector<std::vector<Value>> rows) {
        return test::CannedResult{{"CFG_Name", "CFG_Value"}, {db::kVarWChar, valueType}, std::move(rows)};
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
    };
    for (const CompareCase& c : cases) {
        RecordedTransfer t(c.kind, c.sourceVersion, 5.104f);
        const std::string source = c.rows.columns[0] == "LS_ID" ? "tblQuillmartLanguageStrings" : "tblQuillmartConfig";
        t.SourceTable(source, c.rows);
        CompareTable(t.ctx, source, c.destinationTable, c.rows.columns[0], c.rows.columns[1], t.sourceConn,
                     t.destinationConn);
        // A source read other than the canned one would give no rows, and so no updates.
        EXPECT_EQ(t.destination.Statements(), c.expected) << c.name;
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
        EXPECT_EQ(t.ctx.strQuery,
                  c.login ? "INSERT INTO tblQuillmartLogins (LOGIN_Username, LOGIN_Password, LOGIN_Live, LOGIN_Orders, "
                            "LOGIN_Products, LOGIN_Config, LOGIN_Protected, LOGIN_Language) VALUES ('admin', "
                            "'********', 'y','y','y','y','y',1)"
                          : "UPDATE tblQuillmartConfig SET CFG_Value = '********' WHERE CFG_Name = 'backendpassword'")
            << c.password;
        EXPECT_NE(t.destination.Statements().back().find(c.executed), std::string::npos)
            << t.destination.Statements().back();
    }
}

// The bar moves once per row; a failing update stops the comparison with its
// statement kept and the log line left open.
TEST(CompareStatements, ProgressThenAFailingUpdate) {
    RecordedTransfer t(kMySql, 4.7f, 5.104f);
    t.status.currentBar.clear();
    t.SourceTable("tblQuillmartLanguageStrings", {{"LS_ID", "LS_Value"},
                                                  {db::kInteger, db::kVarWChar},
                                                  {{Value::Integer(1), Value::Text("a")},
                                                   {Value::Integer(2), Value::Text("b")},
                                                   {Value::Integer(3), Value::Text("c")},
                                                   {Value::Integer(4), Value::Text("d")}}});
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

// The setting names a country by name or number in an old shop; the new one
// keeps its number, and a name that is not found is reported after earlier problems.
struct CountryCase {
    const char* stored;
    int known;  // the source's number for the name, 0 when it has none
    const char* written;
    bool warned;
};

TEST(CompareStatements, DefaultCountryBecomesTheDestinationNumber) {
    const CountryCase cases[] = {
        {"United Kingdom", 12, "12", false}, {"5", 0, "5", false}, {"Atlantis", 0, "0", true}, {"", 0, "0", true}};
    for (const CountryCase& c : cases) {
        RecordedTransfer t(kSqlServer, 4.7f, 5.104f);
        t.ctx.strWarnings = "- Earlier problem.\r\n";
        if (c.known) t.SourceCountry(c.stored, c.known);
        t.SourceTable("tblQuillmartConfig", {{"CFG_Name", "CFG_Value"},
                                             {db::kVarWChar, db::kVarWChar},
                                             {{Value::Text("defaultcountry"), Value::Text(c.stored)}}});
        CompareTable(t.ctx, "tblQuillmartConfig", "tblQuillmartConfig", "CFG_Name", "CFG_Value", t.sourceConn,
                     t.destinationConn);
        EXPECT_EQ(t.destination.Statements(),
                  (Statements{std::string("UPDATE tblQuillmartConfig SET CFG_Value = '") + c.written +
                              "' WHERE CFG_Name = 'defaultcountry'"}))
            << c.stored;
        EXPECT_EQ(t.ctx.strWarnings, std::string("- Earlier problem.\r\n") + (c.warned ? kWarning : "")) << c.stored;
        // A number needs no lookup.
        EXPECT_EQ(t.source.Statements().size(), std::string(c.stored) == "5" ? 2u : 3u) << c.stored;
    }
}

}  // namespace
}  // namespace qdt::data
