#pragma once

#include <cstdint>
#include <string>

#include "data/run/ConnectionProfile.h"
#include "db/Connection.h"
#include "db/Field.h"
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

// Doubles every single quote, so the text can sit between single quotes.
std::string EscapeQuotes(const std::string& text);

// The destination number (D_ID) of a country given by number or by name.
// A number is returned as it is (rounded half to even, within 16 bits)
// without a query; a name is looked up in tblQuillmartDestination of conn,
// and a name not found gives 0.
std::int32_t GetDestinationId(run::RunContext& ctx, const std::string& country, db::Connection& conn);

// A date and time in the form 2004/3/7 9:05:02, or "" for Null or empty text.
// Throws DatabaseError when the value cannot be read as a date.
std::string FormatSqlDate(const std::string& text);
std::string FormatSqlDate(const db::Value& value);
// The same in the form the kind's dialect expects (SQLite takes ISO text).
std::string FormatSqlDate(const std::string& text, DatabaseKind kind);
std::string FormatSqlDate(const db::Value& value, DatabaseKind kind);

// Fills the two lists with the five language columns of an old single column
// (column1 .. column5) and their literals: the value goes to language 1; the
// other four, and an empty value when nullForOthers is set, are NULL when
// nullForOthers is set and '' otherwise. Both lists are replaced.
void BuildLanguageValues(const std::string& column, const std::string& value, std::string& columnList,
                         std::string& valueList, bool nullForOthers);

}  // namespace qdt::data
