#pragma once

#include <string>
#include <string_view>

namespace qdt::db {

// ASCII-only case folding: table and column names and connection-string keys
// are compared this way.
bool EqualsIgnoreCase(std::string_view a, std::string_view b);
std::string ToLowerAscii(std::string_view s);
std::string Trim(std::string_view s);

// Length of the longest prefix of s that is whole, valid UTF-8 (no overlong
// forms, no surrogates, nothing above U+10FFFF).
std::size_t ValidUtf8Prefix(std::string_view s);

}  // namespace qdt::db
