#pragma once

#include <cstdio>
#include <string>

#include "db/Recordset.h"

namespace qdt::app {

// Writes a result as tab-separated lines: the field names, their type codes,
// then one line per row. Null is written NULL; tabs, line ends and
// backslashes inside values are escaped so every row stays on one line.
void PrintRecordset(db::Recordset& rs, std::FILE* out);

// Appends the text with tabs, line ends and backslashes escaped.
void AppendEscaped(std::string& out, const std::string& text);

}  // namespace qdt::app
