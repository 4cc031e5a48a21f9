#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/ScratchDatabase.h"
#include "data/TableComparison.h"
#include "db/Error.h"

namespace qdt::data {
namespace {

using db::Value;
using testing::RecordedTransfer;
using testing::ScratchDatabase;
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

// ---------------------------------------------------------------- statement texts

TEST(CompareStatements, KeysAndValuesQuotedByTheirClass) {
    RecordedTransfer t(kAccess, 4.7f, 5.104f);
    t.SourceTable("tblQuillmartLanguageStrings",
                  {{"LS_ID", "LS_Value"},
                   {db::kInteger, db::kVarWChar},
                   {{Value::Integer(3), Value::Text("Don't /asp/ go")}, {Value::Integer(4), Value::Null()}}});
    CompareTable(t.ctx, "tblQuillmartLanguageStrings", "tblQuillmartLanguageStrings1", "LS_ID", "LS_Value",
                 t.sourceConn, t.destinationConn);
    EXPECT_EQ(t.destination.Statements(),
              (Statements{"UPDATE tblQuillmartLanguageStrings1 SET LS_Value = 'Don''t / go' WHERE LS_ID = 3",
                          "UPDATE tblQuillmartLanguageStrings1 SET LS_Value = '' WHERE LS_ID = 4"}));
    EXPECT_EQ(t.source.Statements(), (Statements{"SELECT COUNT(*) As Recs From tblQuillmartLanguageStrings",
                                                 "SELECT * FROM tblQuillmartLanguageStrings"}));
}

// A failing password update is shown with the literal masked, never by
// replacing the password's text in the statement ("a" would garble every
// table name and give itself away), and the driver's error text is masked too.
TEST(CompareStatements, AFailingPasswordUpdateIsShownMasked) {
    struct Case {
        DatabaseKind kind;
        std::string password;
        std::string driverError;
        std::string shownError;
    };
    for (const Case& c : {
             Case{kMySql, "s3cr'et", "Lock wait timeout exceeded", "Lock wait timeout exceeded"},
             Case{kMySql, "a", "Duplicate entry 'a' for key 'tblQuillmartConfig_value'",
                  "Duplicate entry '********' for key 'tblQuillmartConfig_value'"},
             Case{kMySql, "x\\'y", "syntax error near 'x\\\\''y' WHERE CFG_Name = 'backendpassword'' at line 1",
                  "syntax error near '********' WHERE CFG_Name = 'backendpassword'' at line 1"},
             Case{kMySql, "x\\'y", "Data too long: x\\'y", "Data too long: ********"},
             Case{kSqlServer, "a'b", "near ''a''b' WHERE'", "near ''********' WHERE'"},
         }) {
        RecordedTransfer t(c.kind, 5.0f, 5.104f);
        t.SourceTable("tblQuillmartConfig", {{"CFG_Name", "CFG_Value"},
                                             {db::kVarWChar, db::kVarWChar},
                                             {{Value::Text("backendpassword"), Value::Text(c.password)}}});
        t.destination.FailPrefix("UPDATE tblQuillmartConfig", c.driverError);
        try {
            CompareTable(t.ctx, "tblQuillmartConfig", "tblQuillmartConfig", "CFG_Name", "CFG_Value", t.sourceConn,
                         t.destinationConn);
            ADD_FAILURE() << c.password;
        } catch (const db::DatabaseError& e) {
            EXPECT_EQ(std::string(e.what()), c.shownError) << c.password;
        }
        EXPECT_EQ(t.ctx.strQuery,
                  "UPDATE tblQuillmartConfig SET CFG_Value = '********' WHERE CFG_Name = 'backendpassword'");
    }
}

// Every text written for MySQL has its backslashes escaped: a value ending in
// one once swallowed its quote and let the key run as SQL.
TEST(CompareStatements, MySqlTextsEscapeBackslashes) {
    RecordedTransfer t(kMySql, 5.0f, 5.104f);
    t.SourceTable("tblQuillmartConfig",
                  {{"CFG_Name", "CFG_Value"},
                   {db::kVarWChar, db::kVarWChar},
                   {{Value::Text("k' OR '1'='1"), Value::Text("C:\\shop\\asp\\")}, {Value::Text("n"), Value::Null()}}});
    CompareTable(t.ctx, "tblQuillmartConfig", "tblQuillmartConfig", "CFG_Name", "CFG_Value", t.sourceConn,
                 t.destinationConn);
    EXPECT_EQ(t.destination.Statements(),
              (Statements{"UPDATE tblQuillmartConfig SET CFG_Value = 'C:\\\\shop\\\\asp\\\\' WHERE CFG_Name = 'k'' "
                          "OR ''1''=''1'",
                          "UPDATE tblQuillmartConfig SET CFG_Value = '' WHERE CFG_Name = 'n'"}));
}

TEST(CompareStatements, DatesKeepTheirPlainTextForm) {
    RecordedTransfer t(kAccess, 5.0f, 5.104f);
    t.SourceTable("tblQuillmartConfig", {{"CFG_Name", "CFG_Value"},
                                         {db::kVarWChar, db::kDate},
                                         {{Value::Text("lastupdate"), Value::Date({2004, 3, 7, 9, 5, 2})}}});
    CompareTable(t.ctx, "tblQuillmartConfig", "tblQuillmartConfig", "CFG_Name", "CFG_Value", t.sourceConn,
                 t.destinationConn);
    EXPECT_EQ(
        t.destination.Statements(),
        (Statements{"UPDATE tblQuillmartConfig SET CFG_Value = #2004-03-07 09:05:02# WHERE CFG_Name = 'lastupdate'"}));
}

TEST(CompareStatements, DefaultCountryAsNumberNeedsNoLookup) {
    RecordedTransfer t(kSqlServer, 4.7f, 5.104f);
    t.SourceTable("tblQuillmartConfig", {{"CFG_Name", "CFG_Value"},
                                         {db::kVarWChar, db::kVarWChar},
                                         {{Value::Text("defaultcountry"), Value::Text("5")}}});
    CompareTable(t.ctx, "tblQuillmartConfig", "tblQuillmartConfig", "CFG_Name", "CFG_Value", t.sourceConn,
                 t.destinationConn);
    EXPECT_EQ(t.destination.Statements(),
              (Statements{"UPDATE tblQuillmartConfig SET CFG_Value = '5' WHERE CFG_Name = 'defaultcountry'"}));
    EXPECT_EQ(t.source.Statements().size(), 2u);
    EXPECT_EQ(t.ctx.strWarnings, "");
}

TEST(CompareStatements, PriceSettingFixedForOldShopsWhateverTheCaseOfTheTable) {
    RecordedTransfer t(kSqlServer, 4.6f, 5.104f);
    t.SourceTable("tblQuillmartConfig", {{"CFG_Name", "CFG_Value"}, {db::kVarWChar, db::kVarWChar}, {}});
    CompareTable(t.ctx, "tblQuillmartConfig", "TBLQUILLMARTCONFIG", "CFG_Name", "CFG_Value", t.sourceConn,
                 t.destinationConn);
    EXPECT_EQ(t.destination.Statements(),
              (Statements{"UPDATE tblQuillmartConfig SET CFG_Value = 'n' WHERE CFG_Name = 'pricesinctax'"}));
}

TEST(CompareStatements, StatusLogAndProgress) {
    RecordedTransfer t(kMySql, 4.7f, 5.104f);
    t.status.currentBar.clear();
    t.SourceTable("tblQuillmartLanguageStrings2", {{"LS_ID", "LS_Value"},
                                                   {db::kInteger, db::kVarWChar},
                                                   {{Value::Integer(1), Value::Text("a")},
                                                    {Value::Integer(2), Value::Text("b")},
                                                    {Value::Integer(3), Value::Text("c")},
                                                    {Value::Integer(4), Value::Text("d")}}});
    CompareTable(t.ctx, "tblQuillmartLanguageStrings2", "tblQuillmartLanguageStrings2", "LS_ID", "LS_Value",
                 t.sourceConn, t.destinationConn);
    EXPECT_EQ(t.status.txtStep2, "\r\nComparing table tblQuillmartLanguageStrings2...done.");
    EXPECT_EQ(t.status.currentBar, (std::vector<double>{25, 50, 75, 100}));
    EXPECT_EQ(t.status.yields, 4);
}

TEST(CompareStatements, FailingUpdateStopsWithTheStatementKept) {
    RecordedTransfer t(kMySql, 4.7f, 5.104f);
    t.SourceTable("tblQuillmartLanguageStrings",
                  {{"LS_ID", "LS_Value"}, {db::kInteger}, {{Value::Integer(1), Value::Text("a")}}});
    t.destination.FailPrefix("UPDATE", "Table 'shop.tblQuillmartLanguageStrings1' doesn't exist");
    EXPECT_THROW(CompareTable(t.ctx, "tblQuillmartLanguageStrings", "tblQuillmartLanguageStrings1", "LS_ID", "LS_Value",
                              t.sourceConn, t.destinationConn),
                 db::DatabaseError);
    EXPECT_EQ(t.ctx.strQuery, "UPDATE tblQuillmartLanguageStrings1 SET LS_Value = 'a' WHERE LS_ID = 1");
    EXPECT_EQ(t.status.txtStep2, "\r\nComparing table tblQuillmartLanguageStrings...");
}

// ---------------------------------------------------------------- on real databases

class CompareConfig : public ::testing::Test {
protected:
    CompareConfig() {
        ctx.source.Kind = kSqlite;
        ctx.destination.Kind = kSqlite;
        ctx.destination.Version = 5.104f;
    }

    // Source settings (name, value) and a source country table holding United Kingdom as 12.
    db::Connection Source(const std::vector<std::pair<std::string, std::string>>& settings) {
        std::vector<std::string> sql{"CREATE TABLE tblQuillmartConfig (CFG_Name VARCHAR(50), CFG_Value VARCHAR(255))",
                                     "CREATE TABLE tblQuillmartDestination (D_ID INTEGER, D_Destination VARCHAR(50))",
                                     "INSERT INTO tblQuillmartDestination VALUES (3, 'France')",
                                     "INSERT INTO tblQuillmartDestination VALUES (12, 'United Kingdom')"};
        for (const auto& [name, value] : settings)
            sql.push_back("INSERT INTO tblQuillmartConfig VALUES ('" + name + "', '" + value + "')");
        return ScratchDatabase(sql);
    }

    // A new shop's settings, every one of them with the value "new".
    db::Connection Destination(const std::vector<std::string>& names) {
        std::vector<std::string> sql{"CREATE TABLE tblQuillmartConfig (CFG_Name VARCHAR(50), CFG_Value VARCHAR(255))"};
        for (const std::string& name : names)
            sql.push_back("INSERT INTO tblQuillmartConfig VALUES ('" + name + "', 'new')");
        return ScratchDatabase(sql);
    }

    std::map<std::string, std::string> Settings(db::Connection& conn) {
        std::map<std::string, std::string> out;
        auto rs = conn.Execute("SELECT CFG_Name, CFG_Value FROM tblQuillmartConfig");
        for (; !rs->Eof(); rs->MoveNext())
            out[rs->Fields("CFG_Name").Value().ToText()] = rs->Fields("CFG_Value").Value().ToText();
        return out;
    }

    void Compare(db::Connection& source, db::Connection& destination) {
        CompareTable(ctx, "tblQuillmartConfig", "tblQuillmartConfig", "CFG_Name", "CFG_Value", source, destination);
    }

    run::TextStatus status;
    run::RunContext ctx{status};
};

TEST_F(CompareConfig, ValuesCarriedOverByKeyOnly) {
    ctx.source.Version = 4.7f;
    auto source = Source({{"imagefolder", "/asp/images/"},
                          {"uploadfolder", "/ASP/uploads/"},
                          {"shop''s name", "Ann''s /asp/ shop"},
                          {"oldonly", "x"},
                          {"pricesinctax", "y"}});
    auto destination = Destination({"imagefolder", "uploadfolder", "shop''s name", "newonly", "pricesinctax"});

    Compare(source, destination);

    EXPECT_EQ(Settings(destination), (std::map<std::string, std::string>{{"imagefolder", "/images/"},
                                                                         {"uploadfolder", "/ASP/uploads/"},
                                                                         {"shop's name", "Ann's / shop"},
                                                                         {"newonly", "new"},
                                                                         {"pricesinctax", "y"}}));
    EXPECT_EQ(ctx.strWarnings, "");
    EXPECT_EQ(status.txtStep2, "\r\nComparing table tblQuillmartConfig...done.");
}

TEST_F(CompareConfig, PricesIncludingTaxTurnedOffForShopsBefore47) {
    ctx.source.Version = 4.6f;
    auto source = Source({{"pricesinctax", "y"}});
    auto destination = Destination({"pricesinctax"});
    Compare(source, destination);
    EXPECT_EQ(Settings(destination).at("pricesinctax"), "n");
    EXPECT_EQ(ctx.strQuery, "UPDATE tblQuillmartConfig SET CFG_Value = 'n' WHERE CFG_Name = 'pricesinctax'");
}

TEST_F(CompareConfig, DefaultCountryBecomesTheDestinationNumber) {
    struct Case {
        std::string stored;
        std::string written;
        bool warned;
    };
    for (const Case& c : {Case{"United Kingdom", "12", false}, Case{"5", "5", false}, Case{"Atlantis", "0", true},
                          Case{"", "0", true}}) {
        ctx.strWarnings.clear();
        ctx.source.Version = 4.7f;
        auto source = Source({{"defaultcountry", c.stored}});
        auto destination = Destination({"defaultcountry"});
        Compare(source, destination);
        EXPECT_EQ(Settings(destination).at("defaultcountry"), c.written) << c.stored;
        EXPECT_EQ(ctx.strWarnings, c.warned ? kWarning : "") << c.stored;
    }
}

TEST_F(CompareConfig, WarningsFollowThoseAlreadyCollected) {
    ctx.source.Version = 5.0f;
    ctx.strWarnings = "- Earlier problem.\r\n";
    auto source = Source({{"defaultcountry", "Narnia"}});
    auto destination = Destination({"defaultcountry"});
    Compare(source, destination);
    EXPECT_EQ(ctx.strWarnings, std::string("- Earlier problem.\r\n") + kWarning);
}

}  // namespace
}  // namespace qdt::data
