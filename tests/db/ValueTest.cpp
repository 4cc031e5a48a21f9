#include <gtest/gtest.h>

#include "db/Value.h"

namespace qdt::db {
namespace {

// Values as they are written into SQL: never in exponent notation, numbers in
// the shortest form that reads back, decimals without trailing zeros.
TEST(ValueText, NumbersDatesAndNullAsWrittenIntoStatements) {
    const std::pair<Value, const char*> cases[] = {
        {Value::Integer(-42), "-42"},           {Value::Integer(9007199254740993LL), "9007199254740993"},
        {Value::Double(14.0), "14"},            {Value::Double(-0.0), "0"},
        {Value::Double(1e20), "100000000000000000000"}, {Value::Double(0.000001), "0.000001"},
        {Value::Double(1.0 / 3), "0.3333333333333333"},
        // A single is written as the single it is, not as its widened double.
        {Value::Single(0.1f), "0.1"},           {Value::Single(5.104f), "5.104"},
        {Value::Decimal("14.0000"), "14"},      {Value::Decimal("-0.0000"), "0"},
        {Value::Decimal("0.0100"), "0.01"},     {Value::Decimal(".5"), "0.5"},
        {Value::Decimal("-007.10"), "-7.1"},    {Value::Decimal("100"), "100"},  // zeros of the whole part stay
        {Value::Decimal("922337203685477.5807"), "922337203685477.5807"},  // exact, beyond a double
        {Value::Date({812, 1, 1, 0, 0, 0}), "0812-01-01 00:00:00"}, {Value::Null(), ""},
        {Value::Boolean(true), "1"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(value.ToText(), text) << text;
    // Computed values lose the arithmetic's noise, and keep real digits.
    EXPECT_EQ(FormatComputed(0.07 * 100), "7");
    EXPECT_EQ(FormatComputed(19.99 + 0.01), "20");
    EXPECT_EQ(FormatComputed(1.0 / 3), "0.333333333333333");
}

TEST(ValueNumbers, NumericTextReadsAsNumberAndOtherTextIsRefused) {
    EXPECT_DOUBLE_EQ(Value::Text(" 44 ").ToDouble(), 44);
    EXPECT_EQ(Value::Decimal("12.5").ToInteger(), 12);  // half to even
    EXPECT_EQ(Value::Double(13.5).ToInteger(), 14);
    EXPECT_THROW(Value::Text("abc").ToDouble(), std::exception);
    EXPECT_THROW(Value::Text("").ToDouble(), std::exception);
    EXPECT_THROW(Value::Null().ToDouble(), std::exception);
}

TEST(DateParsing, AcceptsIsoAndSlashFormsAndRejectsNonsense) {
    const std::pair<const char*, const char*> cases[] = {
        {"2004/3/7 9:05:02", "2004-03-07 09:05:02"}, {"2005-01-01", "2005-01-01 00:00:00"},
        {"2000-02-29T23:59:59.123", "2000-02-29 23:59:59.123"},  // the fraction is kept
        {"2001-02-29", nullptr},  // not a leap year
        {"2004-13-01", nullptr}, {"2004-03-07 24:00:00", nullptr}, {"2004-03/07", nullptr},
        {"2004-03-07 09:05:02 junk", nullptr},
    };
    for (const auto& [text, parsed] : cases) {
        DateTime d;
        EXPECT_EQ(ParseDateTime(text, d) ? FormatDateTime(d) : "(refused)", parsed ? parsed : "(refused)") << text;
    }
}

}  // namespace
}  // namespace qdt::db
