#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "data/run/ConnectionProfile.h"
#include "db/Connection.h"
#include "db/Field.h"
#include "db/InsertRow.h"
#include "db/Value.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// How a column's values are written as SQL literals.
enum FieldClass : int {
    kFieldNumber = 0,  // numbers and everything else: written bare
    kFieldText = 1,    // between single quotes
    kFieldDate = 2,    // between the destination's date delimiter
};

FieldClass GetFieldClass(int typeCode);
FieldClass GetFieldClass(const db::Field& field);

// The text written before and after a literal of the class on the profile's
// side; empty for numbers and unknown classes.
std::string GetQuoteChar(int fieldClass, const ConnectionProfile& profile);

// The statement text of a copy's row for the kind: the head, each value as
// its literal (texts through TextLiteral), comma-separated, and ")".
std::string InsertText(const db::InsertRow& row, DatabaseKind kind);

// Doubles every single quote, so the text can sit between single quotes.
// This is the whole escaping only for engines that read no backslash escapes;
// statements for a known kind take TextLiteral.
std::string EscapeQuotes(const std::string& text);

// Where a value is going, so that an error can name it.
struct ValuePlace {
    std::string table;
    std::string row;  // the row's key, such as "P_ID = 7"; empty when there is none
    std::string column;
};

// "column P_Name of table tblQuillmartProducts (row P_ID = 7)", or less when
// parts are unknown.
std::string DescribePlace(const ValuePlace& place);

// The text as a literal that the kind reads back unchanged, quotes included:
// single quotes doubled everywhere; for MySQL also every backslash doubled and
// a NUL written as \0; for SQLite a text holding a NUL written as its bytes,
// CAST(X'..' AS TEXT). Where the kind cannot hold a NUL in text, a text with
// one is an error naming place. Other texts are written exactly as before:
// between single quotes with their quotes doubled.
std::string TextLiteral(const std::string& text, DatabaseKind kind, const ValuePlace& place = {});

// A value written bare as a number, when the tool itself has read it as one:
// Null as NULL, whole numbers as whole numbers, doubles and singles in the
// shortest text that reads back as the same number (with an exponent beyond
// 1e15 and below 1e-5: 1e+308, 2.2e-308), exact decimals as their digits,
// booleans as 1 or 0, and a text that is wholly a number (blanks around it
// allowed) the same way. Nothing for everything else: text that is not a
// number, infinities and NaN, dates, binary values.
std::optional<std::string> NumberLiteral(const db::Value& value);

// NumberLiteral, or an error naming place for a value that is not a number.
// A caller whose destination column takes text writes such a value with
// TextLiteral instead.
std::string CheckedNumberLiteral(const db::Value& value, const ValuePlace& place);

// Whether the text is well-formed UTF-8 (no stray bytes, no overlong forms,
// no surrogates). Engines that get statements as UTF-16 receive U+FFFD for
// what is not.
bool IsValidUtf8(std::string_view text);

// The line (with its CR LF) that the run's warnings get, once per column, for
// a text going to such an engine that is not UTF-8.
std::string InvalidUtf8Warning(const ValuePlace& place);

// Appends the line to the run's warnings unless it is there already.
void AddWarningOnce(run::RunContext& ctx, const std::string& line);

// The destination number (D_ID) of a country given by number or by name.
// A number is returned as it is (rounded half to even, within 16 bits)
// without a query; a name is looked up in tblQuillmartDestination of conn,
// and a name not found gives 0. conn is the source's connection, as callers
// always pass: the name is written as a literal of ctx.source.Kind.
std::int32_t GetDestinationId(run::RunContext& ctx, const std::string& country, db::Connection& conn);

// A date and time in the form 2004/3/7 9:05:02 (always four digits of year:
// 0099/1/1 0:00:00), or "" for Null or empty text. Throws DatabaseError when
// the value cannot be read as a date.
std::string FormatSqlDate(const std::string& text);
std::string FormatSqlDate(const db::Value& value);
// The same in the form the kind's dialect expects (SQLite takes ISO text),
// with the fraction of the second where the kind keeps one (SQLite).
std::string FormatSqlDate(const std::string& text, DatabaseKind kind);
std::string FormatSqlDate(const db::Value& value, DatabaseKind kind);
// As above, for a destination column that keeps columnDigits digits of a
// second's fraction (MySQL's DATETIME(6) keeps 6): the fraction is cut to
// them and to what the kind's literal may carry.
std::string FormatSqlDate(const db::Value& value, DatabaseKind kind, int columnDigits);

}  // namespace qdt::data
