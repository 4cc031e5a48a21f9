#include "db/access/AccessDate.h"

#include <cmath>
#include <cstdint>

namespace qdt::db::access {

namespace {

// Civil date of a day count relative to 1970-01-01 (proleptic Gregorian).
DateTime CivilFromDays(std::int64_t z) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    DateTime d;
    d.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    d.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    d.year = static_cast<int>(yoe + era * 400 + (d.month <= 2 ? 1 : 0));
    return d;
}

// 1899-12-30 counted from 1970-01-01.
constexpr std::int64_t kAccessEpochDays = -25569;

}  // namespace

DateTime DateFromAccessDouble(double value) {
    if (!std::isfinite(value)) return DateTime{};
    double whole = std::trunc(value);
    double fraction = std::fabs(value - whole);
    auto days = static_cast<std::int64_t>(whole);
    auto seconds = static_cast<std::int64_t>(std::llround(fraction * 86400.0));
    // A time that rounds up to midnight belongs to the next calendar day.
    if (seconds >= 86400) {
        seconds -= 86400;
        ++days;
    }
    DateTime d = CivilFromDays(days + kAccessEpochDays);
    d.hour = static_cast<int>(seconds / 3600);
    d.minute = static_cast<int>(seconds / 60 % 60);
    d.second = static_cast<int>(seconds % 60);
    return d;
}

}  // namespace qdt::db::access

#include <regex>

#include "db/Text.h"

namespace qdt::db::access {

namespace {

int MonthFromName(const std::string& name) {
    static const char* kMonths[] = {"jan", "feb", "mar", "apr", "may", "jun",
                                    "jul", "aug", "sep", "oct", "nov", "dec"};
    if (name.size() < 3) return 0;
    std::string lower = ToLowerAscii(name);
    for (int m = 0; m < 12; ++m) {
        // "Sept" and full names are accepted as well as the three-letter form.
        if (lower.compare(0, 3, kMonths[m]) == 0) return m + 1;
    }
    return 0;
}

// Two-digit years fall in 1930-2029, as Access reads them.
int FullYear(const std::string& digits) {
    int y = std::stoi(digits);
    if (digits.size() <= 2) y += y < 30 ? 2000 : 1900;
    return y;
}

bool ParseDatePart(const std::string& text, DateTime& d) {
    static const std::regex numeric(R"((\d{1,4})\s*([/.-])\s*(\d{1,2})\s*\2\s*(\d{1,4}))");
    static const std::regex dayMonthYear(R"((\d{1,2})[\s-]+([A-Za-z]+)[\s,-]+(\d{2,4}))");
    static const std::regex monthDayYear(R"(([A-Za-z]+)[\s-]+(\d{1,2})[\s,-]+(\d{2,4}))");
    std::smatch m;
    if (std::regex_match(text, m, numeric)) {
        if (m[1].length() >= 3) {
            d.year = std::stoi(m[1]);
            d.month = std::stoi(m[3]);
            d.day = std::stoi(m[4]);
        } else {
            d.month = std::stoi(m[1]);
            d.day = std::stoi(m[3]);
            d.year = FullYear(m[4]);
            // Access takes 13/2/2004 as the 13th of February rather than refusing it.
            if (d.month > 12 && d.day <= 12) std::swap(d.month, d.day);
        }
        return true;
    }
    if (std::regex_match(text, m, dayMonthYear)) {
        d.day = std::stoi(m[1]);
        d.month = MonthFromName(m[2]);
        d.year = FullYear(m[3]);
        return d.month != 0;
    }
    if (std::regex_match(text, m, monthDayYear)) {
        d.month = MonthFromName(m[1]);
        d.day = std::stoi(m[2]);
        d.year = FullYear(m[3]);
        return d.month != 0;
    }
    return false;
}

bool ParseTimePart(const std::string& text, DateTime& d) {
    static const std::regex clock(R"((\d{1,2}):(\d{1,2})(?::(\d{1,2}))?\s*([AaPp][Mm])?)");
    static const std::regex hourOnly(R"((\d{1,2})\s*([AaPp][Mm]))");
    std::smatch m;
    std::string ampm;
    if (std::regex_match(text, m, clock)) {
        d.hour = std::stoi(m[1]);
        d.minute = std::stoi(m[2]);
        d.second = m[3].matched ? std::stoi(m[3]) : 0;
        ampm = m[4];
    } else if (std::regex_match(text, m, hourOnly)) {
        d.hour = std::stoi(m[1]);
        d.minute = d.second = 0;
        ampm = m[2];
    } else {
        return false;
    }
    if (!ampm.empty()) {
        if (d.hour < 1 || d.hour > 12) return false;
        bool pm = ampm[0] == 'p' || ampm[0] == 'P';
        d.hour = d.hour % 12 + (pm ? 12 : 0);
    }
    return true;
}

}  // namespace

bool ParseAccessDateLiteral(const std::string& input, DateTime& out) {
    std::string text = Trim(input);
    if (text.empty()) return false;
    DateTime d;  // a time alone is a time on 1899-12-30
    // The time, when there is one, is the last blank-separated part holding a
    // colon, or a trailing AM/PM with the number before it.
    std::string datePart = text;
    std::string timePart;
    static const std::regex split(R"((.*?)\s*(\d{1,2}(?::\d{1,2}){1,2}\s*(?:[AaPp][Mm])?|\d{1,2}\s*[AaPp][Mm]))");
    std::smatch m;
    if (std::regex_match(text, m, split) && (m[1].length() == 0 || std::isspace(static_cast<unsigned char>(
                                                                          text[m.position(2) - 1])))) {
        datePart = m[1];
        timePart = m[2];
    }
    if (!datePart.empty() && !ParseDatePart(Trim(datePart), d)) return false;
    if (!timePart.empty() && !ParseTimePart(timePart, d)) return false;
    // Round trip through the common reader, which refuses 2003-02-30 and 25:00.
    DateTime checked;
    if (!ParseDateTime(FormatDateTime(d), checked) || !(checked == d)) return false;
    out = d;
    return true;
}

}  // namespace qdt::db::access
