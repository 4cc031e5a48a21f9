#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/TaxBand.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "db/Error.h"
#include "support/RecordingConnection.h"
#include "support/TestEnv.h"

namespace qdt::data {
namespace {

using Statements = std::vector<std::string>;
using db::Value;

const char* kSetting = "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'";

class TaxBands : public ::testing::Test {
protected:
    test::RecordingConnection rec;
    db::Connection conn = rec.Open();
    run::TextStatus status;
    run::RunContext ctx{status};
};

TEST_F(TaxBands, GetReadsTheRateOfTheBandTheSettingNames) {
    rec.Answer(kSetting, {{"CFG_Value"}, {db::kVarWChar}, {{Value::Text("3")}}})
        .Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 3",
                {{"T_TaxRate"}, {db::kDouble}, {{Value::Double(17.5)}}});
    EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), 17.5f);
    EXPECT_EQ(rec.Statements(), (Statements{kSetting, "SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 3"}));
    EXPECT_EQ(rec.OpenResults(), 0);
    EXPECT_EQ(status.txtStep2, "\r\nGetting shipping tax band value... done.");
}

TEST_F(TaxBands, GetGivesZeroForAMissingSettingOrRow) {
    EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), 0.0f);
    EXPECT_EQ(rec.Statements(), (Statements{kSetting}));
    rec.Answer(kSetting, {{"CFG_Value"}, {db::kVarWChar}, {{Value::Text("9")}}});
    EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), 0.0f);
    EXPECT_EQ(rec.OpenResults(), 0);
}

// The setting is written bare into the rate query, so what is not a number
// (empty, or SQL a crafted shop put there) is an error and never a statement.
TEST_F(TaxBands, GetFailsOnASettingThatIsNotANumber) {
    for (const std::string setting : {"", "3 OR 1=1", "(SELECT group_concat(name) FROM sqlite_master)"}) {
        test::RecordingConnection r;
        r.Answer(kSetting, {{"CFG_Value"}, {db::kVarWChar}, {{Value::Text(setting)}}});
        auto settingConn = r.Open();
        EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { GetTaxBand(ctx, settingConn, "shipping", "shiptaxband"); }),
                    ::testing::HasSubstr("'shiptaxband' setting holds '" + setting + "'"));
        EXPECT_EQ(r.Statements(), (Statements{kSetting}));
        EXPECT_EQ(ctx.strQuery, kSetting);
    }
}

struct SetCase {
    DatabaseKind kind;
    float rate;
    std::string rateText;
    std::string lookup;
};

TEST_F(TaxBands, SetInsertsTheRateFindsItsBandAndNamesIt) {
    const SetCase cases[] = {
        {kSqlServer, 17.5f, "17.5", "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5"},
        {kAccess, 20.0f, "20", "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 20"},
        {kMySql, 0.1f, "0.1", "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0.1 LIMIT 0, 1"},
        {kSqlite, 8.75f, "8.75", "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 8.75 LIMIT 0, 1"},
    };
    for (const SetCase& c : cases) {
        test::RecordingConnection r;
        r.AnswerPrefix("SELECT ", {{"T_ID"}, {db::kInteger}, {{Value::Integer(12)}}});
        auto setConn = r.Open();
        ctx.destination.Kind = c.kind;
        TaxRateMap map;
        SetTaxBand(ctx, setConn, "shipping", "shiptaxband", c.rate, map);
        // A second setting with the same rate reuses the band without inserting.
        SetTaxBand(ctx, setConn, "order handling charge", "orderhandlingchargetaxband", c.rate, map);
        EXPECT_EQ(r.Statements(),
                  (Statements{"INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (" + c.rateText + ")", c.lookup,
                              "UPDATE tblQuillmartConfig SET CFG_Value='12' WHERE CFG_Name = 'shiptaxband'",
                              "UPDATE tblQuillmartConfig SET CFG_Value='12' WHERE CFG_Name = "
                              "'orderhandlingchargetaxband'"}))
            << c.rateText;
        EXPECT_EQ(map, (TaxRateMap{{"z" + c.rateText, 12}}));
        EXPECT_EQ(r.OpenResults(), 0);
    }
    EXPECT_NE(status.txtStep2.find("\r\nSetting shipping tax band value... done.\r\n"
                                   "Setting order handling charge tax band value... done."),
              std::string::npos);
}

TEST_F(TaxBands, SetReusesAnImportedRateAndFailsWhenTheNewRowIsMissing) {
    ctx.destination.Kind = kSqlServer;
    TaxRateMap map{{"z17.5", 8}};
    SetTaxBand(ctx, conn, "shipping", "shiptaxband", 17.5f, map);
    EXPECT_EQ(rec.Statements(), (Statements{"UPDATE tblQuillmartConfig SET CFG_Value='8' WHERE CFG_Name = 'shiptaxband'"}));
    EXPECT_EQ(ctx.strQuery, rec.Statements().back());
    // The recorder answers the lookup with no row.
    EXPECT_THROW(SetTaxBand(ctx, conn, "shipping", "shiptaxband", 5.0f, map), db::DatabaseError);
    EXPECT_EQ(map.count("z5"), 0u);
}

}  // namespace
}  // namespace qdt::data
