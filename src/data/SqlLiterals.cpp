#include "data/SqlLiterals.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>
#include <optional>

#include "data/Dialect.h"
#include "data/Statement.h"
#include "data/WholeNumber.h"
#include "db/DataType.h"
#include "db/Error.h"
#include "db/Text.h"

namespace qdt::data {

namespace {

// The whole text is one decimal number (blanks around it allowed). Names of
// countries never look like this, so such a text is taken as a D_ID itself.
std::optional<double> ReadNumber(const std::string& text) {
    std::string t = db::Trim(text);
    if (!t.empty() && t.front() == '+') t.erase(0, 1);
    std::size_t firstDigit = !t.empty() && t.front() == '-' ? 1 : 0;
    // from_chars would also take "inf" and "nan", which are names, not numbers.
    if (firstDigit >= t.size() || !(std::isdigit(static_cast<unsigned char>(t[firstDigit])) || t[firstDigit] == '.'))
        return std::nullopt;
    double v = 0;
    auto res = std::from_chars(t.data(), t.data() + t.size(), v);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size()) return std::nullopt;
    return v;
}

// Reads 1 or 2 digits at pos (exactly 2 when twoDigits is set).
bool ReadPart(const std::string& t, std::size_t& pos, bool twoDigits, int& out) {
    std::size_t start = pos;
    out = 0;
    while (pos < t.size() && pos - start < 2 && std::isdigit(static_cast<unsigned char>(t[pos])))
        out = out * 10 + (t[pos++] - '0');
    return pos - start == 2 || (!twoDigits && pos - start == 1);
}

// A time alone ("9:05" or "09:05:02") is a time on day zero of the date
// scale, 30 December 1899, as shop databases store bare times.
bool ParseTimeOnly(const std::string& text, db::DateTime& out) {
    const std::string t = db::Trim(text);
    db::DateTime d;  // 1899-12-30 00:00:00
    std::size_t pos = 0;
    if (!ReadPart(t, pos, false, d.hour) || pos >= t.size() || t[pos++] != ':' || !ReadPart(t, pos, true, d.minute))
        return false;
    if (pos < t.size() && (t[pos++] != ':' || !ReadPart(t, pos, true, d.second))) return false;
    if (pos != t.size() || d.hour > 23 || d.minute > 59 || d.second > 59) return false;
    out = d;
    return true;
}

db::DateTime ReadDate(const std::string& text) {
    db::DateTime d;
    if (db::ParseDateTime(text, d) || ParseTimeOnly(text, d)) return d;
    throw db::DatabaseError("The value '" + text + "' cannot be read as a date.");
}

// The year always has four digits: MySQL reads 99/1/1 as 1999.
std::string WriteDate(const db::DateTime& d, DateLiteralForm form, int fractionDigits) {
    const std::string fraction = db::FormatFraction(d.nanosecond, fractionDigits);
    if (form == DateLiteralForm::kIso) {
        db::DateTime whole = d;
        whole.nanosecond = 0;
        return db::FormatDateTime(whole) + fraction;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d/%d/%d %d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
    return buf + fraction;
}

std::string FormatDate(const db::Value& value, DateLiteralForm form, int fractionDigits) {
    if (value.IsNull()) return {};
    if (value.kind() == db::Value::Kind::Date) return WriteDate(value.AsDate(), form, fractionDigits);
    std::string text = value.ToText();
    if (text.empty()) return {};
    return WriteDate(ReadDate(text), form, fractionDigits);
}

// Values quoted in errors are cut, so that a long text does not fill the log.
std::string Shown(const std::string& text) {
    constexpr std::size_t kMost = 60;
    return text.size() <= kMost ? text : text.substr(0, kMost) + "...";
}

std::string HexBytes(const std::string& text) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(text.size() * 2);
    for (unsigned char c : text) {
        out += kDigits[c >> 4];
        out += kDigits[c & 0xF];
    }
    return out;
}

// Shortest round-trip digits; plain for ordinary magnitudes, an exponent for
// the rest, where plain digits would run to hundreds (1e308) and engines cut them.
template <class T>
std::string WriteFloating(T v) {
    if (v == 0) return "0";  // also -0
    const T magnitude = std::fabs(v);
    const auto format = magnitude >= T(1e-5) && magnitude < T(1e15) ? std::chars_format::fixed
                                                                     : std::chars_format::scientific;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, format);
    return std::string(buf, res.ptr);
}

bool AllDigits(std::string_view s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// A text that is wholly a number, written by the tool's own rules.
std::optional<std::string> NumberFromText(const std::string& raw) {
    const std::string t = db::Trim(raw);
    std::string_view body(t);
    if (!body.empty() && (body.front() == '-' || body.front() == '+')) body.remove_prefix(1);
    if (AllDigits(body)) {
        std::int64_t whole = 0;
        const std::string digits = t.front() == '+' ? t.substr(1) : t;
        const auto res = std::from_chars(digits.data(), digits.data() + digits.size(), whole);
        if (res.ec == std::errc() && res.ptr == digits.data() + digits.size()) return std::to_string(whole);
        return db::NormalizeDecimal(t);  // beyond 64 bits: the digits themselves
    }
    const std::size_t dot = body.find('.');
    if (dot != std::string_view::npos && body.size() > 1 && (dot == 0 || AllDigits(body.substr(0, dot))) &&
        (dot + 1 == body.size() || AllDigits(body.substr(dot + 1))))
        return db::NormalizeDecimal(t);
    // Exponent forms; from_chars would also take "inf" and "nan", which are not numbers here.
    if (body.empty() || !(std::isdigit(static_cast<unsigned char>(body.front())) || body.front() == '.'))
        return std::nullopt;
    double v = 0;
    const char* begin = t.data() + (t.front() == '+' ? 1 : 0);
    const auto res = std::from_chars(begin, t.data() + t.size(), v);
    if (res.ec != std::errc() || res.ptr != t.data() + t.size() || !std::isfinite(v)) return std::nullopt;
    return WriteFloating(v);
}

}  // namespace

FieldClass GetFieldClass(int typeCode) {
    switch (typeCode) {
        case db::kDate:
        case db::kDBDate:
        case db::kDBTime:
        case db::kDBTimeStamp: return kFieldDate;
        case db::kChar:
        case db::kWChar:
        case db::kVarChar:
        case db::kLongVarChar:
        case db::kVarWChar:
        case db::kLongVarWChar: return kFieldText;
        default: return kFieldNumber;
    }
}

FieldClass GetFieldClass(const db::Field& field) { return GetFieldClass(field.Type()); }

std::string GetQuoteChar(int fieldClass, const ConnectionProfile& profile) {
    switch (fieldClass) {
        case kFieldText: return "'";
        case kFieldDate:
            // A profile made outside the pages may not carry its delimiter;
            // its kind still says which one the engine wants.
            if (!profile.DateDelimiter.empty()) return profile.DateDelimiter;
            return std::string(DialectFor(profile.Kind).dateDelimiter);
        default: return {};
    }
}

std::string DescribePlace(const ValuePlace& place) {
    std::string out = place.column.empty() ? std::string("a value") : "column " + place.column;
    if (!place.table.empty()) out += " of table " + place.table;
    if (!place.row.empty()) out += " (row " + place.row + ")";
    return out;
}

std::string TextLiteral(const std::string& text, DatabaseKind kind, const ValuePlace& place) {
    const Dialect& dialect = DialectFor(kind);
    if (text.find('\0') != std::string::npos) {
        if (dialect.nulInText == NulInText::kRefused)
            throw db::DatabaseError("The text in " + DescribePlace(place) +
                                    " holds a NUL character, which a " + DatabaseKindCaption(kind) +
                                    " cannot store in a text.");
        if (dialect.nulInText == NulInText::kHexCast) return "CAST(X'" + HexBytes(text) + "' AS TEXT)";
    }
    std::string out;
    out.reserve(text.size() + 2);
    out += '\'';
    for (char c : text) {
        if (c == '\'') {
            out += "''";
        } else if (dialect.backslashEscapes && c == '\\') {
            out += "\\\\";
        } else if (dialect.backslashEscapes && c == '\0') {
            out += "\\0";
        } else {
            out += c;
        }
    }
    out += '\'';
    return out;
}

std::optional<std::string> NumberLiteral(const db::Value& value) {
    switch (value.kind()) {
        case db::Value::Kind::Null: return "NULL";
        case db::Value::Kind::Integer:
        case db::Value::Kind::Boolean: return value.ToText();
        case db::Value::Kind::Double: {
            const double v = value.ToDouble();
            if (!std::isfinite(v)) return std::nullopt;
            return WriteFloating(v);
        }
        case db::Value::Kind::Single: {
            const auto v = static_cast<float>(value.ToDouble());
            if (!std::isfinite(v)) return std::nullopt;
            return WriteFloating(v);
        }
        case db::Value::Kind::Decimal:
        case db::Value::Kind::Text: return NumberFromText(value.ToText());
        case db::Value::Kind::Date:
        case db::Value::Kind::Binary: break;
    }
    return std::nullopt;
}

std::string CheckedNumberLiteral(const db::Value& value, const ValuePlace& place) {
    if (auto literal = NumberLiteral(value)) return *literal;
    throw db::DatabaseError("The value '" + Shown(value.ToText()) + "' in " + DescribePlace(place) +
                            " is not a number, and the destination column takes only numbers.");
}

bool IsValidUtf8(std::string_view text) { return db::ValidUtf8Prefix(text) == text.size(); }

std::string InvalidUtf8Warning(const ValuePlace& place) {
    return "- The text in " + DescribePlace(place) +
           " is not valid UTF-8; the destination stores the unreadable bytes as the replacement character "
           "U+FFFD.\r\n";
}

void AddWarningOnce(run::RunContext& ctx, const std::string& line) {
    if (ctx.strWarnings.find(line) == std::string::npos) ctx.strWarnings += line;
}

std::string EscapeQuotes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        out += c;
        if (c == '\'') out += '\'';
    }
    return out;
}

std::int32_t GetDestinationId(run::RunContext& ctx, const std::string& country, db::Connection& conn) {
    if (auto number = ReadNumber(country)) {
        const auto id = RoundToWhole<std::int16_t>(*number);
        if (!id)
            throw db::DatabaseError("The country number '" + db::Trim(country) +
                                    "' is outside the range of destination numbers (-32768 to 32767).");
        return *id;
    }
    auto rs = ExecuteStatement(ctx, conn,
                               "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = " +
                                   TextLiteral(country, ctx.source.Kind, {"tblQuillmartDestination", {}, "D_Destination"}));
    std::int32_t id = 0;
    if (!rs->Eof()) {
        const auto v = RoundToWhole<std::int32_t>(rs->Fields("D_ID").Value().ToDouble());
        if (!v) {
            rs->Close();
            throw db::DatabaseError("The destination number of '" + country + "' is not a 32-bit whole number.");
        }
        id = *v;
    }
    rs->Close();
    return id;
}

std::string FormatSqlDate(const std::string& text) { return FormatSqlDate(db::Value::Text(text)); }

std::string FormatSqlDate(const db::Value& value) { return FormatDate(value, DateLiteralForm::kSlashed, 0); }

std::string FormatSqlDate(const std::string& text, DatabaseKind kind) {
    return FormatSqlDate(db::Value::Text(text), kind);
}

std::string FormatSqlDate(const db::Value& value, DatabaseKind kind) {
    const Dialect& dialect = DialectFor(kind);
    // Without the column's own digits, a kind that decides by column gets whole seconds.
    return FormatDate(value, dialect.dateForm, dialect.fractionDigitsByColumn ? 0 : dialect.fractionDigits);
}

std::string FormatSqlDate(const db::Value& value, DatabaseKind kind, int columnDigits) {
    const Dialect& dialect = DialectFor(kind);
    return FormatDate(value, dialect.dateForm, std::min(columnDigits, dialect.fractionDigits));
}

std::string InsertText(const db::InsertRow& row, DatabaseKind kind) {
    std::string sql;
    sql.reserve((row.head ? row.head->size() : 0) + 8 * row.values.size() + 1);
    if (row.head) sql += *row.head;
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        if (i > 0) sql += ',';
        const db::RowValue& v = row.values[i];
        switch (v.kind) {
            case db::RowValue::Kind::Null: sql += "NULL"; break;
            case db::RowValue::Kind::Text: sql += TextLiteral(v.text, kind); break;
            default: sql += v.text; break;
        }
    }
    sql += ')';
    return sql;
}

}  // namespace qdt::data
