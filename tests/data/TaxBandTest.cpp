#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/ScratchDatabase.h"
#include "data/TaxBand.h"
#include "db/DataType.h"
#include "db/Error.h"
#include "support/RecordingConnection.h"
#include "data/run/TextStatus.h"

namespace qdt::data {
namespace {

db::Connection ShopWithBands(const std::string& shipBand) {
    return testing::ScratchDatabase(
        {"CREATE TABLE tblQuillmartConfig (CFG_Name VARCHAR(50), CFG_Value VARCHAR(255))",
         "CREATE TABLE tblQuillmartTaxRates (T_ID INTEGER PRIMARY KEY AUTOINCREMENT, T_TaxRate DOUBLE)",
         "INSERT INTO tblQuillmartTaxRates (T_ID, T_TaxRate) VALUES (1, 0), (3, 17.5), (4, 5)",
         "INSERT INTO tblQuillmartConfig VALUES ('shiptaxband', '" + shipBand + "'), "
         "('orderhandlingchargetaxband', '4')"});
}

std::string Setting(db::Connection& conn, const std::string& key) {
    auto rs = conn.Execute("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = '" + key + "'");
    std::string v = rs->Fields("CFG_Value").Value().ToText();
    rs->Close();
    return v;
}

long long Count(db::Connection& conn, const std::string& sql) {
    auto rs = conn.Execute(sql);
    long long n = rs->Fields(std::size_t{0}).Value().ToInteger();
    rs->Close();
    return n;
}

class TaxBands : public ::testing::Test {
protected:
    run::TextStatus status;
    run::RunContext ctx{status};
};

TEST_F(TaxBands, GetReadsTheRateOfTheBandTheSettingNames) {
    auto conn = ShopWithBands("3");
    EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), 17.5f);
    EXPECT_EQ(GetTaxBand(ctx, conn, "order handling charge", "orderhandlingchargetaxband"), 5.0f);
    EXPECT_EQ(status.txtStep2,
              "\r\nGetting shipping tax band value... done.\r\nGetting order handling charge tax band value... done.");
}

TEST_F(TaxBands, GetGivesZeroForAMissingSettingOrRow) {
    auto conn = ShopWithBands("3");
    conn.Execute("DELETE FROM tblQuillmartTaxRates WHERE T_ID = 3")->Close();
    EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), 0.0f);
    EXPECT_EQ(GetTaxBand(ctx, conn, "nothing", "nosuchsetting"), 0.0f);
}

// The setting is written bare into the rate query, so what is not a number
// (empty, or SQL a crafted shop put there) is an error and never a statement.
TEST_F(TaxBands, GetFailsOnASettingThatIsNotANumber) {
    for (const std::string setting : {"", "3 OR 1=1", "(SELECT group_concat(name) FROM sqlite_master)"}) {
        auto conn = ShopWithBands(setting == "" ? "" : "' || '" + setting + "' || '");
        try {
            GetTaxBand(ctx, conn, "shipping", "shiptaxband");
            ADD_FAILURE() << setting << " was accepted";
        } catch (const db::DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find("'shiptaxband' setting holds '" + setting + "'"), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(ctx.strQuery, "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'");
    }
}

TEST_F(TaxBands, GetStatementsAndResultsClosed) {
    test::RecordingConnection rec;
    rec.Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
               {{"CFG_Value"}, {db::kVarWChar}, {{db::Value::Text("3")}}})
        .Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 3",
                {{"T_TaxRate"}, {db::kDouble}, {{db::Value::Double(17.5)}}});
    auto conn = rec.Open();
    EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), 17.5f);
    EXPECT_EQ(rec.Statements(), (std::vector<std::string>{
                                    "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
                                    "SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 3"}));
    EXPECT_EQ(rec.OpenResults(), 0);
}

TEST_F(TaxBands, SetTwiceWithOneMapInsertsOneRow) {
    auto conn = ShopWithBands("3");
    ctx.destination.Kind = kSqlite;
    TaxRateMap map;
    SetTaxBand(ctx, conn, "order handling charge", "orderhandlingchargetaxband", 12.25f, map);
    SetTaxBand(ctx, conn, "shipping", "shiptaxband", 12.25f, map);
    EXPECT_EQ(Count(conn, "SELECT COUNT(*) FROM tblQuillmartTaxRates WHERE T_TaxRate = 12.25"), 1);
    ASSERT_EQ(map.size(), 1u);
    ASSERT_TRUE(map.count("z12.25"));
    const std::string band = std::to_string(map["z12.25"]);
    EXPECT_EQ(Setting(conn, "orderhandlingchargetaxband"), band);
    EXPECT_EQ(Setting(conn, "shiptaxband"), band);
    EXPECT_EQ(Count(conn, "SELECT COUNT(*) FROM tblQuillmartTaxRates WHERE T_ID = " + band + " AND T_TaxRate = 12.25"),
              1);
    EXPECT_EQ(status.txtStep2,
              "\r\nSetting order handling charge tax band value... done.\r\nSetting shipping tax band value... done.");
    // The round trip through get gives the rate back.
    EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), 12.25f);
}

TEST_F(TaxBands, SetReusesAnImportedRateWithoutInserting) {
    test::RecordingConnection rec;
    auto conn = rec.Open();
    ctx.destination.Kind = kSqlServer;
    TaxRateMap map{{"z17.5", 8}};
    SetTaxBand(ctx, conn, "shipping", "shiptaxband", 17.5f, map);
    EXPECT_EQ(rec.Statements(), (std::vector<std::string>{
                                    "UPDATE tblQuillmartConfig SET CFG_Value='8' WHERE CFG_Name = 'shiptaxband'"}));
    EXPECT_EQ(ctx.strQuery, rec.Statements().back());
}

std::vector<std::string> SetStatements(DatabaseKind kind, float rate) {
    test::RecordingConnection rec;
    rec.AnswerPrefix("SELECT ", {{"T_ID"}, {db::kInteger}, {{db::Value::Integer(12)}}});
    auto conn = rec.Open();
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.destination.Kind = kind;
    TaxRateMap map;
    SetTaxBand(ctx, conn, "shipping", "shiptaxband", rate, map);
    EXPECT_EQ(map, (TaxRateMap{{"z" + TaxRateText(rate), 12}}));
    EXPECT_EQ(rec.OpenResults(), 0);
    return rec.Statements();
}

TEST(TaxBandStatements, FirstRowFormFollowsTheDestination) {
    const std::string insert = "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (17.5)";
    const std::string update = "UPDATE tblQuillmartConfig SET CFG_Value='12' WHERE CFG_Name = 'shiptaxband'";
    const std::vector<std::string> top = {insert, "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
                                          update};
    const std::vector<std::string> limit = {
        insert, "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5 LIMIT 0, 1", update};
    EXPECT_EQ(SetStatements(kSqlServer, 17.5f), top);
    EXPECT_EQ(SetStatements(kAccess, 17.5f), top);
    EXPECT_EQ(SetStatements(kMySql, 17.5f), limit);
    EXPECT_EQ(SetStatements(kSqlite, 17.5f), limit);
}

TEST(TaxBandStatements, RateTextIsTheShortestForm) {
    EXPECT_EQ(SetStatements(kMySql, 20.0f).front(), "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (20)");
    EXPECT_EQ(SetStatements(kMySql, 0.1f).front(), "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (0.1)");
    EXPECT_EQ(TaxRateKey(TaxRateText(8.75f)), "z8.75");
}

TEST_F(TaxBands, SetFailsWhenTheNewRowCannotBeFound) {
    test::RecordingConnection rec;  // answers every query with no rows
    auto conn = rec.Open();
    ctx.destination.Kind = kMySql;
    TaxRateMap map;
    EXPECT_THROW(SetTaxBand(ctx, conn, "shipping", "shiptaxband", 5.0f, map), db::DatabaseError);
    EXPECT_TRUE(map.empty());
}

}  // namespace
}  // namespace qdt::data
