#pragma once

#include <sql.h>
#include <sqlext.h>

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace qdt::db::odbc {

// Text crosses the ODBC boundary through the wide API as UTF-16, which every
// driver handles the same way; the engine itself speaks UTF-8.
using WideText = std::vector<SQLWCHAR>;

// UTF-8 to UTF-16 with a terminating zero. Malformed bytes become U+FFFD.
WideText ToWide(std::string_view utf8);
// UTF-16 (count units, no terminator needed) to UTF-8. Unpaired surrogates
// become U+FFFD.
std::string FromWide(const SQLWCHAR* text, std::size_t count);
void AppendFromWide(std::string& out, const SQLWCHAR* text, std::size_t count);

// Text for the narrow API: unchanged when it is UTF-8, else with every
// malformed byte turned into U+FFFD exactly as the way through UTF-16 does,
// so that the server gets the same text either way.
std::string RepairedUtf8(std::string text);

}  // namespace qdt::db::odbc
