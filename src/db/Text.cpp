#include "db/Text.h"

namespace qdt::db {

namespace {
char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }
}  // namespace

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (Lower(a[i]) != Lower(b[i])) return false;
    return true;
}

std::string ToLowerAscii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = Lower(c);
    return r;
}

std::string Trim(std::string_view s) {
    const char* blanks = " \t\r\n";
    std::size_t b = s.find_first_not_of(blanks);
    if (b == std::string_view::npos) return {};
    std::size_t e = s.find_last_not_of(blanks);
    return std::string(s.substr(b, e - b + 1));
}

std::size_t ValidUtf8Prefix(std::string_view s) {
    std::size_t i = 0;
    const std::size_t n = s.size();
    while (i < n) {
        auto b = static_cast<unsigned char>(s[i]);
        if (b < 0x80) {
            ++i;
            continue;
        }
        std::size_t len;
        unsigned char lo = 0x80, hi = 0xBF;  // the range of the second byte
        if (b >= 0xC2 && b <= 0xDF) len = 2;
        else if (b == 0xE0) len = 3, lo = 0xA0;
        else if (b == 0xED) len = 3, hi = 0x9F;
        else if (b >= 0xE1 && b <= 0xEF) len = 3;
        else if (b == 0xF0) len = 4, lo = 0x90;
        else if (b >= 0xF1 && b <= 0xF3) len = 4;
        else if (b == 0xF4) len = 4, hi = 0x8F;
        else return i;
        if (i + len > n) return i;
        auto second = static_cast<unsigned char>(s[i + 1]);
        if (second < lo || second > hi) return i;
        for (std::size_t k = 2; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return i;
        i += len;
    }
    return i;
}

}  // namespace qdt::db
