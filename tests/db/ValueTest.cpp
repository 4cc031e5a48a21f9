#include <gtest/gtest.h>

#include "db/Value.h"

namespace qdt::db {
namespace {

TEST(ValueText, WholeNumbersArePlain) {
    EXPECT_EQ(Value::Integer(0).ToText(), "0");
    EXPECT_EQ(Value::Integer(-42).ToText(), "-42");
    EXPECT_EQ(Value::Integer(9007199254740993LL).ToText(), "9007199254740993");
}

TEST(ValueText, FloatingNumbersTakeTheShortestFormThatReadsBack) {
    EXPECT_EQ(Value::Double(12.5).ToText(), "12.5");
    EXPECT_EQ(Value::Double(14.0).ToText(), "14");
    EXPECT_EQ(Value::Double(0.1).ToText(), "0.1");
    EXPECT_EQ(Value::Double(-0.0).ToText(), "0");
    EXPECT_EQ(Value::Double(1e20).ToText(), "100000000000000000000");  // never exponent notation in SQL
    EXPECT_EQ(Value::Double(0.000001).ToText(), "0.000001");
    EXPECT_EQ(Value::Double(1.0 / 3).ToText(), "0.3333333333333333");
    // A single-precision value is written as the single it is, not as its widened double.
    EXPECT_EQ(Value::Single(17.5f).ToText(), "17.5");
    EXPECT_EQ(Value::Single(0.1f).ToText(), "0.1");
    EXPECT_EQ(Value::Single(5.104f).ToText(), "5.104");
    EXPECT_EQ(FormatSingle(19.99f), "19.99");
    // Computed values lose the arithmetic's noise, and keep real digits.
    EXPECT_EQ(FormatComputed(0.07 * 100), "7");
    EXPECT_EQ(FormatComputed(19.99 + 0.01), "20");
    EXPECT_EQ(FormatComputed(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(FormatComputed(-2.5), "-2.5");
    EXPECT_EQ(FormatComputed(1e20), "100000000000000000000");
}

TEST(ValueText, DecimalsDropTrailingZeros) {
    EXPECT_EQ(Value::Decimal("12.50").ToText(), "12.5");
    EXPECT_EQ(Value::Decimal("12.5000").ToText(), "12.5");
    EXPECT_EQ(Value::Decimal("14.0000").ToText(), "14");
    EXPECT_EQ(Value::Decimal("-0.0000").ToText(), "0");
    EXPECT_EQ(Value::Decimal("0.0100").ToText(), "0.01");
    EXPECT_EQ(Value::Decimal(".5").ToText(), "0.5");
    EXPECT_EQ(Value::Decimal("-007.10").ToText(), "-7.1");
    EXPECT_EQ(Value::Decimal("100").ToText(), "100");  // zeros of the whole part stay
    EXPECT_EQ(Value::Decimal("922337203685477.5807").ToText(), "922337203685477.5807");  // exact, beyond a double
}

TEST(ValueText, BooleansDatesAndNull) {
    EXPECT_EQ(Value::Boolean(true).ToText(), "1");
    EXPECT_EQ(Value::Boolean(false).ToText(), "0");
    EXPECT_EQ(Value::Date({2004, 3, 7, 9, 5, 2}).ToText(), "2004-03-07 09:05:02");
    EXPECT_EQ(Value::Date({812, 1, 1, 0, 0, 0}).ToText(), "0812-01-01 00:00:00");
    EXPECT_EQ(Value::Null().ToText(), "");
    EXPECT_TRUE(Value().IsNull());
    EXPECT_EQ(Value::Text("O'Brien").ToText(), "O'Brien");
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
    DateTime d;
    ASSERT_TRUE(ParseDateTime("2004-03-07 09:05:02", d));
    EXPECT_EQ(d, (DateTime{2004, 3, 7, 9, 5, 2}));
    ASSERT_TRUE(ParseDateTime("2004/3/7 9:05:02", d));
    EXPECT_EQ(d, (DateTime{2004, 3, 7, 9, 5, 2}));
    ASSERT_TRUE(ParseDateTime("2005-01-01", d));
    EXPECT_EQ(d, (DateTime{2005, 1, 1, 0, 0, 0}));
    ASSERT_TRUE(ParseDateTime("2000-02-29T23:59:59.123", d));
    EXPECT_EQ(d, (DateTime{2000, 2, 29, 23, 59, 59, 123000000}));  // the fraction is kept
    EXPECT_EQ(FormatDateTime(d), "2000-02-29 23:59:59.123");
    EXPECT_FALSE(ParseDateTime("2001-02-29", d));  // not a leap year
    EXPECT_FALSE(ParseDateTime("2004-13-01", d));
    EXPECT_FALSE(ParseDateTime("2004-03-07 24:00:00", d));
    EXPECT_FALSE(ParseDateTime("2004-03/07", d));
    EXPECT_FALSE(ParseDateTime("hello", d));
    EXPECT_FALSE(ParseDateTime("2004-03-07 09:05:02 junk", d));
}

}  // namespace
}  // namespace qdt::db
