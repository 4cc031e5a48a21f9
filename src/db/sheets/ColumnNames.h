#pragma once

#include <string>
#include <vector>

namespace qdt::db::sheets {

// Column names from a header row: an empty name becomes F + its 1-based
// position (F3 for the third column), a repeated one gets _2, _3 ... so that
// every name is unique, compared without regard to letter case as SQLite does.
std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& header);

// The names a source without a header row gets: F1, F2, ...
std::vector<std::string> GeneratedColumnNames(std::size_t count);

// "A" for column 1, "Z" for 26, "AA" for 27: how a spreadsheet user names a column.
std::string ColumnLetters(std::size_t oneBased);

}  // namespace qdt::db::sheets
