#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/SqlLiterals.h"
#include "data/TaxBand.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "db/Error.h"
#include "support/RecordingConnection.h"
#include "support/TestEnv.h"

namespace qdt::data {
namespace {

using ::testing::HasSubstr;
using Statements = std::vector<std::string>;

TEST(FieldClass, ByTypeCode) {
    for (int code : {7, 133, 134, 135}) EXPECT_EQ(GetFieldClass(code), kFieldDate) << code;
    for (int code : {129, 130, 200, 201, 202, 203}) EXPECT_EQ(GetFieldClass(code), kFieldText) << code;
    for (int code : {0, 2, 3, 4, 5, 6, 11, 16, 17, 20, 72, 128, 131, 204, 205})
        EXPECT_EQ(GetFieldClass(code), kFieldNumber) << code;
    EXPECT_EQ(GetFieldClass(db::Field("P_Name", db::kVarWChar)), kFieldText);
}

// Where a profile carries no date delimiter, its kind's is used.
TEST(QuoteChar, DateDelimiterOfTheProfileElseOfItsKind) {
    ConnectionProfile sqlite;
    sqlite.Kind = kSqlite;
    EXPECT_EQ(GetQuoteChar(kFieldDate, sqlite), "'");
    EXPECT_EQ(GetQuoteChar(-1, sqlite), "");
    sqlite.DateDelimiter = "#";
    EXPECT_EQ(GetQuoteChar(kFieldDate, sqlite), "#");
}

// Lookups in the source shop.
class Lookups : public ::testing::Test {
protected:
    run::TextStatus status;
    run::RunContext ctx{status};
};

// Halves go to the even neighbour; what does not fit in 16 bits is refused.
TEST_F(Lookups, DestinationIdNumbersAreTakenAsTheyAreWithoutAQuery) {
    test::RecordingConnection rec;
    auto conn = rec.Open();
    const std::pair<const char*, int> taken[] = {{"44", 44},     {" 7 ", 7},    {"-3", -3},       {"+12", 12},
                                                 {"44.5", 44},   {"45.5", 46},  {"-2.5", -2},     {"2.51", 3},
                                                 {"32767", 32767}, {"-32768", -32768}};
    for (const auto& [text, id] : taken) EXPECT_EQ(GetDestinationId(ctx, text, conn), id) << text;
    for (const char* text : {"40000", "32767.5", "-32769", "1e6"})
        EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { GetDestinationId(ctx, text, conn); }), HasSubstr(text));
    EXPECT_TRUE(rec.Statements().empty());
    EXPECT_EQ(ctx.strQuery, "");
}

// The name is a literal of the source's kind: in a MySQL source a name
// ending in a backslash once swallowed its quote.
TEST_F(Lookups, DestinationIdNamesAreLookedUpAsLiteralsOfTheSourceKind) {
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
        test::RecordingConnection rec;
        rec.Answer(sql, {{"D_ID"}, {db::kInteger}, {{db::Value::Integer(81)}, {db::Value::Integer(99)}}});
        auto conn = rec.Open();
        ctx.source.Kind = c.kind;
        EXPECT_EQ(GetDestinationId(ctx, c.name, conn), 81) << c.name;
        EXPECT_EQ(GetDestinationId(ctx, "Inf", conn), 0);  // a name, not a number
        EXPECT_EQ(rec.Statements(),
                  (Statements{sql, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = 'Inf'"}));
        EXPECT_EQ(rec.OpenResults(), 0);
    }
    // A failing lookup passes through with its statement kept.
    test::RecordingConnection failing;
    failing.FailPrefix("SELECT", "no such table: tblQuillmartDestination");
    auto conn = failing.Open();
    EXPECT_THROW(GetDestinationId(ctx, "Ireland", conn), db::DatabaseError);
    EXPECT_EQ(ctx.strQuery, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = 'Ireland'");
}

const char* kSetting = "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'";

// A missing setting or band reads as 0. The setting is written bare into the
// rate query, so what is not a number (empty, or SQL a crafted shop put
// there) is an error and never a statement.
TEST_F(Lookups, TaxBandGetReadsTheRateOfTheBandTheSettingNames) {
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
        if (c.setting) rec.Answer(kSetting, {{"CFG_Value"}, {db::kVarWChar}, {{db::Value::Text(c.setting)}}});
        rec.Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 3",
                   {{"T_TaxRate"}, {db::kDouble}, {{db::Value::Double(17.5)}}});
        auto conn = rec.Open();
        Statements expected{kSetting};
        if (c.refused) {
            EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { GetTaxBand(ctx, conn, "shipping", "shiptaxband"); }),
                        HasSubstr("'shiptaxband' setting holds '" + shown + "'"));
            EXPECT_EQ(ctx.strQuery, kSetting);
        } else {
            EXPECT_EQ(GetTaxBand(ctx, conn, "shipping", "shiptaxband"), c.rate) << shown;
            if (c.setting) expected.push_back(std::string("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = ") + c.setting);
        }
        EXPECT_EQ(rec.Statements(), expected) << shown;
        EXPECT_EQ(rec.OpenResults(), 0) << shown;
    }
}

TEST_F(Lookups, TaxBandSetFailsWhenTheNewRowIsMissing) {
    test::RecordingConnection rec;
    auto conn = rec.Open();
    ctx.destination.Kind = kSqlServer;
    TaxRateMap map;
    // The recorder answers the lookup with no row.
    EXPECT_THROW(SetTaxBand(ctx, conn, "shipping", "shiptaxband", 5.0f, map), db::DatabaseError);
    EXPECT_TRUE(map.empty());
}

// A fixed slashed form, ISO text for SQLite, and nothing for nothing; text
// that is no date is an error naming it.
TEST(SqlDate, SlashedFormOrIsoText) {
    EXPECT_EQ(FormatSqlDate("2005-01-01"), "2005/1/1 0:00:00");
    EXPECT_EQ(FormatSqlDate("2005/1/1"), "2005/1/1 0:00:00");
    EXPECT_EQ(FormatSqlDate("2004-03-07 09:05:02"), "2004/3/7 9:05:02");
    EXPECT_EQ(FormatSqlDate("2004/3/7 9:05:02"), "2004/3/7 9:05:02");
    EXPECT_EQ(FormatSqlDate("2004-12-31 23:59:59.750"), "2004/12/31 23:59:59");
    // Four digits of year always: MySQL reads 99/12/31 as 1999.
    EXPECT_EQ(FormatSqlDate("0099-12-31 23:59:59.750"), "0099/12/31 23:59:59");
    // A time alone is a time on the first day of the date scale.
    EXPECT_EQ(FormatSqlDate("09:05:02"), "1899/12/30 9:05:02");
    EXPECT_EQ(FormatSqlDate("17:30"), "1899/12/30 17:30:00");
    EXPECT_EQ(FormatSqlDate("2004/3/7 9:05:02", kSqlite), "2004-03-07 09:05:02");
    EXPECT_EQ(FormatSqlDate(db::Value::Date({2005, 1, 1, 0, 0, 0}), kSqlite), "2005-01-01 00:00:00");
    EXPECT_EQ(FormatSqlDate(""), "");
    EXPECT_EQ(FormatSqlDate(db::Value::Null()), "");
    for (const char* text : {"next Tuesday", "2004-02-30", "2004-13-01", "25:00", "12", "2004-03-07 9:05 pm"})
        EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { FormatSqlDate(text); }),
                    HasSubstr(std::string("'") + text + "'"));
    EXPECT_THROW(FormatSqlDate(db::Value::Integer(38000), kMySql), db::DatabaseError);
}

}  // namespace
}  // namespace qdt::data
