#pragma once

#include <optional>
#include <string_view>

namespace qdt::sqlfile {

// Where the scan of a script stands at a line end: in plain SQL, or inside
// something that runs on across lines, where no separator is recognised.
enum class LexState { Code, SingleQuoted, DoubleQuoted, Bracketed, BackQuoted, BlockComment };

struct LineScan {
    LexState stateAfter = LexState::Code;
    // The line's last character is a ";" of plain SQL, so the line closes a statement.
    bool closesStatement = false;
};

// Scans one line (without its line end), starting in the given state. A "--"
// comment runs to the line end only, and quotes inside it open nothing.
LineScan ScanLine(std::string_view line, LexState stateBefore);

// The repeat count of a batch separator line: "GO" in any letter case with
// blanks and tabs around it, optionally a blank and a positive count, and/or a
// "--" comment. Nullopt for any other line, such as "GOTO x" or "Golf balls".
std::optional<int> ParseBatchSeparator(std::string_view line);

}  // namespace qdt::sqlfile
