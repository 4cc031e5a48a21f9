#pragma once

#include <sqlite3.h>

#include <string>

namespace qdt::db::access {

// The SQL function the translator writes for a + whose operands' types are
// only known when the row is read: two texts are joined, anything else is
// added as Jet adds (a text that reads as a number counts as that number;
// Null gives Null).
inline constexpr const char* kJetPlusFunction = "JetPlus";

// Makes a snapshot's SQLite handle answer as Jet does: JetPlus, and LIKE
// compared without regard to case for every letter (SQLite's own LIKE folds
// ASCII only), with Jet's [abc], [!abc] and [a-z] character lists.
void RegisterJetFunctions(sqlite3* db);

// Jet's LIKE: % any run of characters, _ one character, [list] one of the
// list. Letters match in either case. escape (0 for none) makes the next
// character literal. Both texts are UTF-8.
bool JetLike(const std::string& pattern, const std::string& text, char32_t escape = 0);

}  // namespace qdt::db::access
