#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "data/run/ConnectionProfile.h"

namespace qdt::sqlfile {

// The lexical rules a script is read by, chosen by the database it runs on.
//  - Plain (SQL Server, SQLite): quotes are escaped by doubling; "[ ]" and
//    backticks quote names; "--" starts a line comment.
//  - MySql: a backslash escapes the next character inside '...' and "...";
//    backticks quote names; "#" and "-- " (the dashes followed by a blank or
//    the line end) start line comments; "/*!" and "/*M!" conditional comments
//    are code the server runs, so they are read as code and stay in the text.
enum class ScriptSyntax { Plain, MySql };

ScriptSyntax SyntaxFor(data::DatabaseKind kind);

// Where the scan of a script stands at a line end: in plain SQL, or inside
// something that runs on across lines, where no separator is recognised.
enum class LexState { Code, SingleQuoted, DoubleQuoted, Bracketed, BackQuoted, BlockComment };

struct LineScan {
    LexState stateAfter = LexState::Code;
    // The line's last character is a ";" of plain SQL, so the line closes a statement.
    bool closesStatement = false;
    // What is still open at the line end was opened on this line.
    bool opensHere = false;
    // A NUL byte stands outside any string: drivers read it as the end of the statement.
    bool strayNul = false;
};

// Scans one line (without its line end), starting in the given state. A line
// comment runs to the line end only, and quotes inside it open nothing.
LineScan ScanLine(std::string_view line, LexState stateBefore, ScriptSyntax syntax);

// The repeat count of a batch separator line: "GO" in any letter case with
// blanks and tabs around it, optionally a blank and a positive count, and/or a
// "--" comment. Counts beyond a billion read as a billion. Nullopt for any
// other line, such as "GOTO x", "Golf balls" or "GO 0".
std::optional<std::int64_t> ParseBatchSeparator(std::string_view line);

// The offset of the first byte that does not belong to a well-formed UTF-8
// character (overlong forms and surrogates included), or npos.
std::size_t FindInvalidUtf8(std::string_view text);

}  // namespace qdt::sqlfile
