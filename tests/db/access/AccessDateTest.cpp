#include <gtest/gtest.h>

#include "db/access/AccessDate.h"
#include "db/access/MdbFile.h"

namespace qdt::db::access {
namespace {

std::string FromDouble(double v) { return FormatDateTime(DateFromAccessDouble(v)); }

TEST(AccessDateFromDouble, CountsDaysFrom1899_12_30WithTheFractionAsTime) {
    EXPECT_EQ(FromDouble(0), "1899-12-30 00:00:00");
    EXPECT_EQ(FromDouble(1), "1899-12-31 00:00:00");
    EXPECT_EQ(FromDouble(2), "1900-01-01 00:00:00");
    EXPECT_EQ(FromDouble(61), "1900-03-01 00:00:00");  // 1900 was no leap year
    EXPECT_EQ(FromDouble(38053.37849537037), "2004-03-07 09:05:02");
    EXPECT_EQ(FromDouble(36586), "2000-03-01 00:00:00");  // 2000 was one
}

TEST(AccessDateFromDouble, BeforeTheEpochTheFractionIsStillTheTimeOfDay) {
    EXPECT_EQ(FromDouble(-1.5), "1899-12-29 12:00:00");
    EXPECT_EQ(FromDouble(-1.25), "1899-12-29 06:00:00");
    EXPECT_EQ(FromDouble(-0.5), "1899-12-30 12:00:00");
    EXPECT_EQ(FromDouble(-1), "1899-12-29 00:00:00");
    EXPECT_EQ(FromDouble(-657434), "0100-01-01 00:00:00");  // the earliest date Access takes
    EXPECT_EQ(FromDouble(-36522.75), "1800-01-01 18:00:00");
}

TEST(AccessDateFromDouble, RoundsToTheSecondAndCarriesMidnightIntoTheNextDay) {
    EXPECT_EQ(FromDouble(2958465.999988426), "9999-12-31 23:59:59");
    EXPECT_EQ(FromDouble(38053.999999999), "2004-03-08 00:00:00");
    EXPECT_EQ(FromDouble(-1.999999999), "1899-12-30 00:00:00");
    EXPECT_EQ(FromDouble(0.5 + 0.4 / 86400), "1899-12-30 12:00:00");
    EXPECT_EQ(FromDouble(0.5 + 0.6 / 86400), "1899-12-30 12:00:01");
}

std::string Literal(const std::string& text) {
    DateTime d;
    return ParseAccessDateLiteral(text, d) ? FormatDateTime(d) : "(not a date)";
}

TEST(AccessDateLiteral, ReadsTheFormsAccessWrites) {
    EXPECT_EQ(Literal("2004/3/7 9:05:02"), "2004-03-07 09:05:02");
    EXPECT_EQ(Literal("2004-03-07"), "2004-03-07 00:00:00");
    EXPECT_EQ(Literal("3/7/2004"), "2004-03-07 00:00:00");  // month first
    EXPECT_EQ(Literal(" 3/7/2004 21:30 "), "2004-03-07 21:30:00");
    EXPECT_EQ(Literal("3/7/04"), "2004-03-07 00:00:00");
    EXPECT_EQ(Literal("3/7/30"), "1930-03-07 00:00:00");
    EXPECT_EQ(Literal("13/2/2004"), "2004-02-13 00:00:00");
    EXPECT_EQ(Literal("7-Mar-2004"), "2004-03-07 00:00:00");
    EXPECT_EQ(Literal("March 7, 2004 9:05 PM"), "2004-03-07 21:05:00");
    EXPECT_EQ(Literal("3/7/2004 12:00:00 AM"), "2004-03-07 00:00:00");
    EXPECT_EQ(Literal("3/7/2004 12 PM"), "2004-03-07 12:00:00");
    EXPECT_EQ(Literal("9:05:02"), "1899-12-30 09:05:02");
}

TEST(AccessDateLiteral, RefusesWhatIsNoDate) {
    EXPECT_EQ(Literal(""), "(not a date)");
    EXPECT_EQ(Literal("2003/2/29"), "(not a date)");
    EXPECT_EQ(Literal("2/30/2004"), "(not a date)");
    EXPECT_EQ(Literal("2004/3/7 25:00"), "(not a date)");
    EXPECT_EQ(Literal("13:00 PM"), "(not a date)");
    EXPECT_EQ(Literal("Smarch 7, 2004"), "(not a date)");
    EXPECT_EQ(Literal("hello"), "(not a date)");
    EXPECT_EQ(Literal("2004/3/7/1"), "(not a date)");
}

TEST(AccessCurrency, TenThousandthsBecomeExactDecimalText) {
    EXPECT_EQ(CurrencyText(125000), "12.5");
    EXPECT_EQ(CurrencyText(140000), "14");
    EXPECT_EQ(CurrencyText(1), "0.0001");
    EXPECT_EQ(CurrencyText(0), "0");
    EXPECT_EQ(CurrencyText(-5), "-0.0005");
    EXPECT_EQ(CurrencyText(-1234567), "-123.4567");
    EXPECT_EQ(CurrencyText(INT64_MAX), "922337203685477.5807");
    EXPECT_EQ(CurrencyText(INT64_MIN), "-922337203685477.5808");
}

}  // namespace
}  // namespace qdt::db::access
