#pragma once

#include <string>
#include <string_view>

#include "data/run/ConnectionProfile.h"

namespace qdt::data {

// How a statement asks for at most one row.
enum class FirstRowForm {
    kTop,    // SELECT TOP 1 <columns> FROM <rest>
    kLimit,  // SELECT <columns> FROM <rest> LIMIT 0, 1
};

// How a date and time is written inside its delimiters.
enum class DateLiteralForm {
    kSlashed,  // 2004/3/7 9:05:02
    kIso,      // 2004-03-07 09:05:02
};

// What the statement builders need to know about one kind of database. The
// code that writes SQL reads these fields instead of testing the kind itself,
// so adding an engine means adding one entry here.
struct Dialect {
    FirstRowForm firstRow;
    std::string_view deletePrefix;   // the table name follows it directly
    std::string_view dateDelimiter;  // written before and after a date literal
    bool switchesIdentityInsert;     // explicit identity values need SET IDENTITY_INSERT
    DateLiteralForm dateForm;
    bool inAFile;                    // the database is one file the user picks
};

// The dialect of a kind; kinds without an engine of their own (spreadsheets,
// text and script files, unknown codes) get the plain SQL Server-like forms
// without identity switching.
const Dialect& DialectFor(DatabaseKind kind);

// Sets the profile's date delimiter from its kind, as the
// database pages leave a profile.
void ApplyDialect(ConnectionProfile& profile);

// "SELECT TOP 1 * FROM <table>" or "SELECT * FROM <table> LIMIT 0, 1".
std::string FirstRowQuery(DatabaseKind kind, const std::string& table);

// The first row of any query: columns is what follows SELECT, rest what
// follows FROM (table and conditions).
std::string FirstRowQuery(DatabaseKind kind, const std::string& columns, const std::string& rest);

}  // namespace qdt::data
