#include "data/SqlLiterals.h"

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

std::string WriteDate(const db::DateTime& d, DateLiteralForm form) {
    if (form == DateLiteralForm::kIso) return db::FormatDateTime(d);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d/%d/%d %d:%02d:%02d", d.year, d.month, d.day, d.hour, d.minute, d.second);
    return buf;
}

std::string FormatDate(const db::Value& value, DateLiteralForm form) {
    if (value.IsNull()) return {};
    if (value.kind() == db::Value::Kind::Date) return WriteDate(value.AsDate(), form);
    std::string text = value.ToText();
    if (text.empty()) return {};
    return WriteDate(ReadDate(text), form);
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
    auto rs = ExecuteStatement(
        ctx, conn, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = '" + EscapeQuotes(country) + "'");
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

std::string FormatSqlDate(const db::Value& value) { return FormatDate(value, DateLiteralForm::kSlashed); }

std::string FormatSqlDate(const std::string& text, DatabaseKind kind) {
    return FormatSqlDate(db::Value::Text(text), kind);
}

std::string FormatSqlDate(const db::Value& value, DatabaseKind kind) {
    return FormatDate(value, DialectFor(kind).dateForm);
}

void BuildLanguageValues(const std::string& column, const std::string& value, std::string& columnList,
                         std::string& valueList, bool nullForOthers) {
    columnList.clear();
    valueList.clear();
    for (int slot = 1; slot <= 5; ++slot) {
        columnList += column + std::to_string(slot) + ",";
        if (slot == 1 && (!value.empty() || !nullForOthers))
            valueList += "'" + EscapeQuotes(value) + "',";
        else
            valueList += nullForOthers ? "NULL," : "'',";
    }
    columnList.pop_back();
    valueList.pop_back();
}

}  // namespace qdt::data
