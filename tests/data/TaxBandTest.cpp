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
    run::TextStatus status;
    run::RunContext ctx{status};
};

// A missing setting or band reads as 0. The setting is written bare into the
// rate query, so what is not a number (empty, or SQL a crafted shop put
// there) is an error and never a statement.
TEST_F(TaxBands, GetReadsTheRateOfTheBandTheSettingNames) {
    struct Case {
        const char* setting;  // nullptr: no setting row
        float rate;
        bool refused = false;
    };
    for (const Case& c : {Case{"3", 17.5f}, Case{nullptr, 0.0f}, Case{"9", 0.0f}, Case{"", 0.0f, true},
                          Case{"3 OR 1=1", 0.0f, true},
                          Case{"(SELECT group_concat(name) FROM sqlite_master)", 0.0f, true}}) {
        const std::string shown = c.setting ? c.setting : "(no row)";
        test::RecordingConnection rec;
        if (c.setting) rec.Answer(kSetting, {{"CFG_Value"}, {db::kVarWChar}, {{Value::Text(c.setting)}}});
        rec.Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 3",
                   {{"T_TaxRate"}, {db::kDouble}, {{Value::Double(17.5)}}});
        auto conn = rec.Open();
        Statements expected{kSetting};
        if (c.refused) {
            EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { GetTaxBand(ctx, conn, "shipping", "shiptaxband"); }),
                        ::testing::HasSubstr("'shiptaxband' setting holds '" + shown + "'"));
            EXPECT_EQ(ctx.strQuery, kSetting);
        } else {
            EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), c.rate) << shown;
            if (c.setting) expected.push_back(std::string("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = ") + c.setting);
        }
        EXPECT_EQ(rec.Statements(), expected) << shown;
        EXPECT_EQ(rec.OpenResults(), 0) << shown;
    }
}

TEST_F(TaxBands, SetFailsWhenTheNewRowIsMissing) {
    test::RecordingConnection rec;
    auto conn = rec.Open();
    ctx.destination.Kind = kSqlServer;
    TaxRateMap map;
    // The recorder answers the lookup with no row.
    EXPECT_THROW(SetTaxBand(ctx, conn, "shipping", "shiptaxband", 5.0f, map), db::DatabaseError);
    EXPECT_TRUE(map.empty());
}

}  // namespace
}  // namespace qdt::data
