#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "data/run/ConnectionProfile.h"
#include "sqlfile/ScriptLexer.h"

namespace qdt::sqlfile {

// A "GO n" beyond this is a typing slip, not a wish to run a batch a million times.
inline constexpr std::int64_t kMaxBatchRepeat = 1000;

// How a script for one kind of database is read.
struct ScriptRules {
    ScriptSyntax syntax = ScriptSyntax::Plain;
    // Text reaches the server as UTF-16 (ODBC), where bytes that are not
    // UTF-8 would silently turn into replacement characters.
    bool utf8Only = false;
};

ScriptRules RulesFor(data::DatabaseKind kind);

// One piece of a script between batch separator lines, run `repeat` times
// ("GO 3" after it runs it three times). Its statements point into the script.
struct Batch {
    std::vector<std::string_view> statements;
    int repeat = 1;
};

// Cuts a script into batches at separator lines ("GO", see ParseBatchSeparator)
// and each batch into statements at a ";" that ends a line, both only outside
// strings, quoted names and comments. Separator lines with their line ends and
// the ";" with its line end are removed; nothing else is trimmed. The piece
// after a batch's last ";" is kept even when empty; an empty batch has no
// statement; a separator on the first line gives an empty first batch; an
// empty script gives no batch. Lines may end in CR LF, CR or LF.
//
// The whole script is read before anything runs: a script that ends inside a
// string or comment, holds a NUL outside a string, holds bytes that are not
// UTF-8 where the rules forbid them, or repeats a batch more than
// kMaxBatchRepeat times, throws ScriptError naming `fileName` and the line.
std::vector<Batch> SplitScript(std::string_view script, const ScriptRules& rules, const std::string& fileName = {});

// A statement of nothing but blanks and line ends, which servers refuse to run.
bool IsBlankStatement(std::string_view statement);

}  // namespace qdt::sqlfile
