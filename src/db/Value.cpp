#include "db/Value.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "db/Error.h"

namespace qdt::db {

namespace {

template <typename T>
std::string FormatShortest(T v) {
    if (std::isnan(v)) return "NaN";
    if (std::isinf(v)) return v > 0 ? "Infinity" : "-Infinity";
    if (v == 0) return "0";  // also turns -0 into 0
    char buf[400];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    return std::string(buf, res.ptr);
}

bool ReadInt(const std::string& s, size_t& pos, size_t maxDigits, int& out) {
    size_t start = pos;
    int v = 0;
    while (pos < s.size() && pos - start < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        v = v * 10 + (s[pos] - '0');
        ++pos;
    }
    if (pos == start) return false;
    out = v;
    return true;
}

bool Expect(const std::string& s, size_t& pos, char c) {
    if (pos < s.size() && s[pos] == c) {
        ++pos;
        return true;
    }
    return false;
}

bool ValidDate(const DateTime& d) {
    static const int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (d.month < 1 || d.month > 12 || d.day < 1) return false;
    bool leap = (d.year % 4 == 0 && d.year % 100 != 0) || d.year % 400 == 0;
    int maxDay = d.month == 2 ? (leap ? 29 : 28) : kDays[d.month - 1];
    return d.day <= maxDay && d.hour >= 0 && d.hour < 24 && d.minute >= 0 && d.minute < 60 && d.second >= 0 &&
           d.second < 60 && d.nanosecond >= 0 && d.nanosecond < 1000000000;
}

}  // namespace

Value Value::Decimal(std::string digits) { return Value(Storage(DecimalText{NormalizeDecimal(digits)})); }

std::string FormatDouble(double v) { return FormatShortest(v); }
std::string FormatSingle(float v) { return FormatShortest(v); }

std::string FormatComputed(double v) {
    if (!std::isfinite(v)) return FormatShortest(v);
    char buf[64];
    auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    double rounded = 0;
    std::from_chars(buf, res.ptr, rounded);
    return FormatShortest(rounded);
}

std::string NormalizeDecimal(const std::string& input) {
    std::string s = input;
    // Trim blanks that some drivers pad fixed-width numbers with.
    size_t b = s.find_first_not_of(' ');
    size_t e = s.find_last_not_of(' ');
    s = b == std::string::npos ? std::string() : s.substr(b, e - b + 1);
    if (s.empty()) return s;
    bool negative = s[0] == '-';
    if (s[0] == '-' || s[0] == '+') s.erase(0, 1);
    size_t dot = s.find('.');
    if (dot != std::string::npos) {
        while (!s.empty() && s.back() == '0') s.pop_back();
        if (!s.empty() && s.back() == '.') s.pop_back();
    }
    // Leading zeros of the whole part, keeping one before the point.
    size_t firstNonZero = s.find_first_not_of('0');
    if (firstNonZero == std::string::npos) {
        s = "0";
    } else if (firstNonZero > 0) {
        s.erase(0, s[firstNonZero] == '.' ? firstNonZero - 1 : firstNonZero);
    }
    if (s.empty() || s == ".") s = "0";
    if (s.front() == '.') s.insert(s.begin(), '0');
    if (negative && s != "0") s.insert(s.begin(), '-');
    return s;
}

// Written by hand: this runs once per date of every row read, and snprintf
// costs more than the rest of the row's conversion.
std::string FormatDateTime(const DateTime& d) {
    auto two = [](char* p, int v) {
        p[0] = static_cast<char>('0' + (v / 10) % 10);
        p[1] = static_cast<char>('0' + v % 10);
    };
    if (d.year < 0 || d.year > 9999) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute,
                      d.second);
        return buf + FormatFraction(d.nanosecond, 9);
    }
    std::string out = "0000-00-00 00:00:00";
    two(&out[0], d.year / 100);
    two(&out[2], d.year % 100);
    two(&out[5], d.month);
    two(&out[8], d.day);
    two(&out[11], d.hour);
    two(&out[14], d.minute);
    two(&out[17], d.second);
    if (d.nanosecond != 0) out += FormatFraction(d.nanosecond, 9);
    return out;
}

std::string FormatFraction(int nanosecond, int digits) {
    if (nanosecond <= 0 || digits <= 0) return {};
    char buf[16];
    std::snprintf(buf, sizeof buf, "%09d", nanosecond % 1000000000);
    std::string fraction(buf, static_cast<std::size_t>(digits < 9 ? digits : 9));
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return fraction.empty() ? std::string() : "." + fraction;
}

bool ParseDateTime(const std::string& text, DateTime& out) {
    size_t b = text.find_first_not_of(' ');
    if (b == std::string::npos) return false;
    std::string s = text.substr(b, text.find_last_not_of(' ') - b + 1);
    DateTime d;
    size_t pos = 0;
    if (!ReadInt(s, pos, 4, d.year)) return false;
    char sep = pos < s.size() ? s[pos] : '\0';
    if (sep != '-' && sep != '/') return false;
    ++pos;
    if (!ReadInt(s, pos, 2, d.month) || !Expect(s, pos, sep) || !ReadInt(s, pos, 2, d.day)) return false;
    d.hour = d.minute = d.second = d.nanosecond = 0;
    if (pos < s.size()) {
        if (!Expect(s, pos, ' ') && !Expect(s, pos, 'T')) return false;
        if (!ReadInt(s, pos, 2, d.hour) || !Expect(s, pos, ':') || !ReadInt(s, pos, 2, d.minute)) return false;
        if (Expect(s, pos, ':')) {
            if (!ReadInt(s, pos, 2, d.second)) return false;
            if (Expect(s, pos, '.')) {
                const size_t start = pos;
                if (!ReadInt(s, pos, 9, d.nanosecond)) return false;
                for (size_t digits = pos - start; digits < 9; ++digits) d.nanosecond *= 10;
            }
        }
        if (pos != s.size()) return false;
    }
    if (!ValidDate(d)) return false;
    out = d;
    return true;
}

std::string Value::ToText() const {
    switch (kind()) {
        case Kind::Null: return {};
        case Kind::Integer: return std::to_string(std::get<std::int64_t>(storage_));
        case Kind::Double: return FormatDouble(std::get<double>(storage_));
        case Kind::Single: return FormatSingle(std::get<float>(storage_));
        case Kind::Decimal: return std::get<DecimalText>(storage_).digits;
        case Kind::Boolean: return std::get<bool>(storage_) ? "1" : "0";
        case Kind::Text: return std::get<std::string>(storage_);
        case Kind::Date: return FormatDateTime(std::get<DateTime>(storage_));
        case Kind::Binary: {
            const Bytes& b = std::get<Bytes>(storage_);
            return std::string(b.begin(), b.end());
        }
    }
    return {};
}

double Value::ToDouble() const {
    switch (kind()) {
        case Kind::Integer: return static_cast<double>(std::get<std::int64_t>(storage_));
        case Kind::Double: return std::get<double>(storage_);
        case Kind::Single: return std::get<float>(storage_);
        case Kind::Boolean: return std::get<bool>(storage_) ? 1 : 0;
        case Kind::Decimal:
        case Kind::Text: {
            std::string t = ToText();
            size_t b = t.find_first_not_of(' ');
            size_t e = t.find_last_not_of(' ');
            if (b != std::string::npos) {
                t = t.substr(b, e - b + 1);
                double v = 0;
                auto res = std::from_chars(t.data(), t.data() + t.size(), v);
                if (res.ec == std::errc() && res.ptr == t.data() + t.size()) return v;
            }
            throw DatabaseError("The value '" + ToText() + "' is not a number.");
        }
        default: break;
    }
    throw DatabaseError("The value '" + ToText() + "' is not a number.");
}

std::int64_t Value::ToInteger() const {
    if (kind() == Kind::Integer) return std::get<std::int64_t>(storage_);
    return static_cast<std::int64_t>(std::nearbyint(ToDouble()));
}

}  // namespace qdt::db
