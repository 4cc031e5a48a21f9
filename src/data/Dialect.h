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

// How a text holding a NUL character is written.
enum class NulInText {
    kRefused,       // the engine's text literal cannot carry one: an error
    kBackslashZero, // \0 inside the quotes
    kHexCast,       // the whole text as CAST(X'..' AS TEXT)
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
    // The engine reads \ inside a quoted text as an escape (MySQL in its
    // default mode), so a literal must double every backslash.
    bool backslashEscapes;
    NulInText nulInText;
    // Statements reach the engine as UTF-16 (ODBC), so bytes that are not
    // UTF-8 arrive as U+FFFD.
    bool replacesInvalidUtf8;
    // Digits of a second's fraction a date literal may carry at most; 0
    // writes whole seconds.
    int fractionDigits;
    // The destination column decides how many digits it keeps; they are
    // looked up per column before a fraction is written.
    bool fractionDigitsByColumn;
    // Every column takes any value (SQLite's typing), so a text found in a
    // number column can be written as text.
    bool anyColumnTakesText;
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
