#pragma once

#include <string>

namespace qdt::data {

// Where a path's folder part ends. Paths typed on or stored by Windows shops
// use "\", ours "/"; the callers differ in which one wins.
enum class SeparatorRule {
    kBackslashFirst,  // the last "\", else the last "/"
    kLastOfEither,    // whichever comes last
};

// The position of the separator that ends the folder part, or npos.
std::size_t FolderEnd(const std::string& path, SeparatorRule rule);

}  // namespace qdt::data
