// What the provider tests share: files' bytes, single values, Jet connection strings.
#pragma once

#include <fstream>
#include <iterator>
#include <string>

#include "db/Connection.h"

namespace qdt::db {

inline std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first field of the first row, as text.
inline std::string FirstValue(Connection& c, const std::string& sql) {
    auto rs = c.Execute(sql);
    return rs->Eof() ? "(no row)" : rs->Fields(0).Value().ToText();
}

// An Access file, or a workbook or text folder with its extended properties.
inline std::string Jet(const std::string& source, const std::string& extended = "") {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + source +
           (extended.empty() ? ";Jet OLEDB:Database Password=" : ";Extended Properties=\"" + extended + "\"");
}

}  // namespace qdt::db
