#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace qdt::db {

// One value of a copy's INSERT: a typed value a connection can bind, or a
// piece of SQL that only the statement's text reproduces (a text holding a
// NUL written as its bytes, a date between #, an integer beyond 18 digits).
struct RowValue {
    enum class Kind { Null, Integer, Real, Text, Sql };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    // Integer and Real: the literal exactly as written ("-0", "1.5e3");
    // Text: the value itself, unquoted; Sql: the SQL piece.
    std::string text;

    static RowValue Null() { return {}; }
    static RowValue Text(std::string value) { return {Kind::Text, 0, std::move(value)}; }
    static RowValue Sql(std::string piece) { return {Kind::Sql, 0, std::move(piece)}; }
};

// A number literal (digits with an optional sign, fraction and exponent) as
// the value SQLite stores for it: an integer up to 18 digits, a real when it
// has a fraction or an exponent. Anything else, including 19 digits and more
// (which may pass 2^63 and become reals), stays a piece of SQL.
RowValue NumberValue(std::string literal);

// "INSERT INTO t (columns) VALUES (" followed by the values, comma-separated,
// and ")". The head is shared by every row of a column list.
struct InsertRow {
    std::shared_ptr<const std::string> head;
    std::vector<RowValue> values;

    // Whether every value can be bound.
    bool AllTyped() const;
};

}  // namespace qdt::db
