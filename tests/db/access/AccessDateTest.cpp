#include <gtest/gtest.h>

#include "db/access/AccessDate.h"
#include "db/access/MdbFile.h"

namespace qdt::db::access {
namespace {

// Days from 1899-12-30 with the fraction as the time of day, also before that
// day; rounded to the second, carrying midnight into the next day.
TEST(AccessDateFromDouble, CountsDaysFrom1899_12_30WithTheFractionAsTime) {
    const std::pair<double, const char*> cases[] = {
        {0, "1899-12-30 00:00:00"},
        {2, "1900-01-01 00:00:00"},
        {61, "1900-03-01 00:00:00"},  // 1900 was no leap year
        {36586, "2000-03-01 00:00:00"},  // 2000 was one
        {38053.37849537037, "2004-03-07 09:05:02"},
        {-1.5, "1899-12-29 12:00:00"},
        {-0.5, "1899-12-30 12:00:00"},
        {-1, "1899-12-29 00:00:00"},
        {-657434, "0100-01-01 00:00:00"},  // the earliest date Access takes
        {-36522.75, "1800-01-01 18:00:00"},
        {2958465.999988426, "9999-12-31 23:59:59"},
        {38053.999999999, "2004-03-08 00:00:00"},
        {-1.999999999, "1899-12-30 00:00:00"},
        {0.5 + 0.4 / 86400, "1899-12-30 12:00:00"},
        {0.5 + 0.6 / 86400, "1899-12-30 12:00:01"},
    };
    for (const auto& [days, text] : cases) EXPECT_EQ(FormatDateTime(DateFromAccessDouble(days)), text) << days;
}

TEST(AccessDateLiteral, ReadsTheFormsAccessWritesAndRefusesWhatIsNoDate) {
    const std::pair<const char*, const char*> cases[] = {
        {"2004/3/7 9:05:02", "2004-03-07 09:05:02"},
        {"2004-03-07", "2004-03-07 00:00:00"},
        {"3/7/2004", "2004-03-07 00:00:00"},  // month first
        {" 3/7/2004 21:30 ", "2004-03-07 21:30:00"},
        {"3/7/04", "2004-03-07 00:00:00"},
        {"3/7/30", "1930-03-07 00:00:00"},
        {"13/2/2004", "2004-02-13 00:00:00"},
        {"7-Mar-2004", "2004-03-07 00:00:00"},
        {"March 7, 2004 9:05 PM", "2004-03-07 21:05:00"},
        {"3/7/2004 12:00:00 AM", "2004-03-07 00:00:00"},
        {"3/7/2004 12 PM", "2004-03-07 12:00:00"},
        {"9:05:02", "1899-12-30 09:05:02"},
        {"", nullptr},
        {"2003/2/29", nullptr},
        {"2/30/2004", nullptr},
        {"2004/3/7 25:00", nullptr},
        {"13:00 PM", nullptr},
        {"Smarch 7, 2004", nullptr},
        {"2004/3/7/1", nullptr},
    };
    for (const auto& [literal, text] : cases) {
        DateTime d;
        EXPECT_EQ(ParseAccessDateLiteral(literal, d) ? FormatDateTime(d) : "(not a date)", text ? text : "(not a date)")
            << literal;
    }
}

TEST(AccessCurrency, TenThousandthsBecomeExactDecimalText) {
    EXPECT_EQ(CurrencyText(125000), "12.5");
    EXPECT_EQ(CurrencyText(140000), "14");
    EXPECT_EQ(CurrencyText(1), "0.0001");
    EXPECT_EQ(CurrencyText(-5), "-0.0005");
    EXPECT_EQ(CurrencyText(INT64_MAX), "922337203685477.5807");
    EXPECT_EQ(CurrencyText(INT64_MIN), "-922337203685477.5808");
}

}  // namespace
}  // namespace qdt::db::access
