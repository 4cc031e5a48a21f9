#pragma once

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "db/sheets/CsvReader.h"

// The mdbtools command-line programs, run on a real file, give the second
// reading the Access provider's tests compare against.
namespace qdt::test::mdbtools {

inline bool Installed() { return std::system("command -v mdb-export >/dev/null 2>&1") == 0; }

// Standard output of the program with the given arguments (each shell-quoted).
inline std::string Run(const std::vector<std::string>& args) {
    std::string cmd;
    for (const auto& a : args) {
        cmd += "'";
        for (char c : a) cmd += c == '\'' ? std::string("'\\''") : std::string(1, c);
        cmd += "' ";
    }
    cmd += "2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    if (!pipe) throw std::runtime_error("cannot run " + cmd);
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe.get())) > 0;) out.append(buf, n);
    return out;
}

inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// Records of mdb-export's CSV. An empty field is how mdb-export writes both
// NULL and an empty text.
inline std::vector<std::vector<std::string>> ParseCsv(const std::string& text) {
    std::istringstream in(text);
    db::sheets::CsvReader reader(in, ',', '"');
    std::vector<std::vector<std::string>> records;
    for (db::sheets::CsvRecord r; reader.Next(r);) records.push_back(r.fields);
    return records;
}

}  // namespace qdt::test::mdbtools
