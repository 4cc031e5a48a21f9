#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>

#include "data/SqlLiterals.h"
#include "db/DataType.h"
#include "db/Error.h"
#include "support/RecordingConnection.h"
#include "data/run/TextStatus.h"
#include "support/TestEnv.h"

namespace qdt::data {
namespace {

using ::testing::HasSubstr;

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

class DestinationId : public ::testing::Test {
protected:
    run::TextStatus status;
    run::RunContext ctx{status};
};

// Halves go to the even neighbour; what does not fit in 16 bits is refused.
TEST_F(DestinationId, NumbersAreTakenAsTheyAreWithoutAQuery) {
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
TEST_F(DestinationId, NamesAreLookedUpAsLiteralsOfTheSourceKind) {
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
                  (std::vector<std::string>{
                      sql, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = 'Inf'"}));
        EXPECT_EQ(rec.OpenResults(), 0);
    }
    // A failing lookup passes through with its statement kept.
    test::RecordingConnection failing;
    failing.FailPrefix("SELECT", "no such table: tblQuillmartDestination");
    auto conn = failing.Open();
    EXPECT_THROW(GetDestinationId(ctx, "Ireland", conn), db::DatabaseError);
    EXPECT_EQ(ctx.strQuery, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = 'Ireland'");
}

// A fixed slashed form, ISO text for SQLite, and nothing for nothing.
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
}

TEST(SqlDate, UnreadableTextIsAnErrorNamingIt) {
    for (const char* text : {"next Tuesday", "2004-02-30", "2004-13-01", "25:00", "12", "2004-03-07 9:05 pm"})
        EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { FormatSqlDate(text); }),
                    HasSubstr(std::string("'") + text + "'"));
    EXPECT_THROW(FormatSqlDate(db::Value::Integer(38000), kMySql), db::DatabaseError);
}

}  // namespace
}  // namespace qdt::data
