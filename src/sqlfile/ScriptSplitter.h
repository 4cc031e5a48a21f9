#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qdt::sqlfile {

// One piece of a script between batch separator lines, run `repeat` times
// ("GO 3" after it runs it three times).
struct Batch {
    std::string text;
    int repeat = 1;
};

// Cuts a script into batches at separator lines ("GO", see ParseBatchSeparator)
// that stand outside strings, quoted names and block comments. The separator
// line and its line end are removed; nothing else is trimmed. A separator on
// the first line gives an empty first batch; an empty script gives no batch.
// Lines may end in CR LF, CR or LF.
std::vector<Batch> SplitBatches(std::string_view script);

// Cuts one batch into statements at a ";" that ends a line outside strings,
// quoted names and comments; the ";" and its line end are removed. The piece
// after the last separator is kept even when empty. An empty batch gives none.
std::vector<std::string> SplitStatements(std::string_view batch);

// A statement of nothing but blanks and line ends, which servers refuse to run.
bool IsBlankStatement(std::string_view statement);

}  // namespace qdt::sqlfile
