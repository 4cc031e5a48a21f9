#pragma once

#include <cstdint>
#include <string>
#include <variant>
#include <vector>

namespace qdt::db {

struct DateTime {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    int nanosecond = 0;  // the fraction of the second, in billionths

    bool operator==(const DateTime&) const = default;
};

// Exact decimal numbers (decimal and currency columns) travel as their digits,
// so a price is never rounded through a binary float on the way.
struct DecimalText {
    std::string digits;
    bool operator==(const DecimalText&) const = default;
};

using Bytes = std::vector<unsigned char>;

// One value read from a database. Every place that needs "the value as text"
// goes through ToText(), so all providers write values the same way.
class Value {
public:
    enum class Kind { Null, Integer, Double, Single, Decimal, Boolean, Text, Date, Binary };

    Value() = default;
    static Value Null() { return Value(); }
    static Value Integer(std::int64_t v) { return Value(Storage(v)); }
    static Value Double(double v) { return Value(Storage(v)); }
    static Value Single(float v) { return Value(Storage(v)); }
    static Value Decimal(std::string digits);
    static Value Boolean(bool v) { return Value(Storage(v)); }
    static Value Text(std::string v) { return Value(Storage(std::move(v))); }
    static Value Date(const DateTime& v) { return Value(Storage(v)); }
    static Value Binary(Bytes v) { return Value(Storage(std::move(v))); }

    Kind kind() const { return static_cast<Kind>(storage_.index()); }
    bool IsNull() const { return kind() == Kind::Null; }

    // Null gives empty text; see ToText in Value.cpp for every other kind.
    std::string ToText() const;

    // Numeric reading of any numeric, boolean or numeric-text value; throws
    // DatabaseError for values that are not numbers.
    double ToDouble() const;
    std::int64_t ToInteger() const;

    const std::string& AsText() const { return std::get<std::string>(storage_); }
    const DateTime& AsDate() const { return std::get<DateTime>(storage_); }
    const Bytes& AsBinary() const { return std::get<Bytes>(storage_); }
    bool AsBoolean() const { return std::get<bool>(storage_); }

    bool operator==(const Value&) const = default;

private:
    using Storage =
        std::variant<std::monostate, std::int64_t, double, float, DecimalText, bool, std::string, DateTime, Bytes>;
    explicit Value(Storage s) : storage_(std::move(s)) {}
    Storage storage_;
};

// Shortest text that reads back as the same number, in plain positional
// notation with a period: 12.5, 14, 0.1.
std::string FormatDouble(double v);
std::string FormatSingle(float v);
// A double the tool computed (a rate times 100, a price plus a surcharge),
// rounded to 15 significant digits first, so arithmetic noise does not reach
// the shop: 0.07 * 100 gives 7, not 7.000000000000001.
std::string FormatComputed(double v);
// Drops trailing zeros of the fraction ("12.5000" -> "12.5", "14.0000" -> "14").
std::string NormalizeDecimal(const std::string& digits);
// "YYYY-MM-DD HH:MM:SS", then the fraction of the second when there is one
// (".75", ".123456"), without trailing zeros.
std::string FormatDateTime(const DateTime& d);
// The fraction of the second as "." and at most `digits` digits (cut, not
// rounded, so a date never moves to the next second), without trailing zeros;
// empty when nothing is left.
std::string FormatFraction(int nanosecond, int digits);
// Reads "YYYY-MM-DD[ HH:MM[:SS[.fffffffff]]]" and "YYYY/M/D[ H:MM[:SS[.fff]]]", keeping the
// fraction to the nanosecond; false if the text is neither.
bool ParseDateTime(const std::string& text, DateTime& out);

}  // namespace qdt::db
