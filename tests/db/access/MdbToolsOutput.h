#pragma once

#include <optional>
#include <string>
#include <vector>

// The mdbtools command-line programs, run on a real file, give the second
// reading the Access provider's tests compare against.
namespace qdt::test::mdbtools {

bool Installed();
// Standard output of the program with the given arguments (each shell-quoted).
std::string Run(const std::vector<std::string>& args);
std::vector<std::string> Lines(const std::string& text);

// One CSV field of mdb-export: nullopt for an unquoted empty field, which is
// how mdb-export writes both NULL and an empty text.
using CsvField = std::optional<std::string>;
// Records of mdb-export's CSV (quoted fields may hold line breaks).
std::vector<std::vector<CsvField>> ParseCsv(const std::string& text);

}  // namespace qdt::test::mdbtools
