#include "db/sheets/ColumnNames.h"

#include <set>

#include "db/Text.h"

namespace qdt::db::sheets {

std::vector<std::string> UniqueColumnNames(const std::vector<std::string>& header) {
    std::set<std::string> taken;
    for (const std::string& h : header)
        if (!Trim(h).empty()) taken.insert(ToLowerAscii(h));
    std::vector<std::string> out;
    std::set<std::string> used;
    for (std::size_t i = 0; i < header.size(); ++i) {
        std::string name = header[i];
        if (Trim(name).empty()) {
            name = "F" + std::to_string(i + 1);
            // A header that itself reads F3 keeps its name; the empty column moves aside.
            for (int n = 2; taken.count(ToLowerAscii(name)) || used.count(ToLowerAscii(name)); ++n)
                name = "F" + std::to_string(i + 1) + "_" + std::to_string(n);
        } else if (used.count(ToLowerAscii(name))) {
            std::string base = name;
            for (int n = 2; used.count(ToLowerAscii(name)) || taken.count(ToLowerAscii(name)); ++n)
                name = base + "_" + std::to_string(n);
        }
        used.insert(ToLowerAscii(name));
        out.push_back(std::move(name));
    }
    return out;
}

std::vector<std::string> GeneratedColumnNames(std::size_t count) {
    return UniqueColumnNames(std::vector<std::string>(count));
}

std::string ColumnLetters(std::size_t n) {
    std::string out;
    while (n > 0) {
        --n;
        out.insert(out.begin(), static_cast<char>('A' + n % 26));
        n /= 26;
    }
    return out;
}

}  // namespace qdt::db::sheets
