#include "db/access/JetFunctions.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <vector>

namespace qdt::db::access {

namespace {

// UTF-8 to code points; a byte that is not valid UTF-8 stands for itself.
std::u32string Decode(const std::string& s) {
    std::u32string out;
    for (std::size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const std::size_t extra = b >= 0xF0 && b < 0xF8 ? 3 : b >= 0xE0 && b < 0xF0 ? 2 : b >= 0xC0 && b < 0xE0 ? 1 : 0;
        char32_t c = extra == 0 ? b : b & (0x3F >> extra);
        bool valid = i + extra < s.size();
        for (std::size_t k = 1; valid && k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(s[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = (c << 6) | (next & 0x3F);
        }
        out += valid ? c : b;
        i += valid ? extra + 1 : 1;
    }
    return out;
}

// Lower case for the letters of the Latin, Greek and Cyrillic blocks a shop's
// texts use; other characters compare as they are.
char32_t Fold(char32_t c) {
    if (c >= 'A' && c <= 'Z') return c + 32;
    if (c < 0xC0) return c;
    if (c <= 0xDE) return c == 0xD7 ? c : c + 32;
    if ((c >= 0x100 && c <= 0x137) || (c >= 0x14A && c <= 0x177)) return c | 1;
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return c % 2 ? c + 1 : c;
    if (c == 0x178) return 0xFF;
    if (c >= 0x391 && c <= 0x3A9 && c != 0x3A2) return c + 32;
    if (c >= 0x400 && c <= 0x40F) return c + 80;
    if (c >= 0x410 && c <= 0x42F) return c + 32;
    return c;
}

// One step of a pattern: a literal character, _, % or a character list.
struct PatternItem {
    enum class Kind { Char, One, Any, List } kind = Kind::Char;
    char32_t c = 0;
    bool negated = false;
    std::vector<std::pair<char32_t, char32_t>> ranges;

    bool Matches(char32_t t) const {
        if (kind == Kind::One) return true;
        if (kind == Kind::Char) return c == t;
        bool in = false;
        for (const auto& [from, to] : ranges) in = in || (t >= from && t <= to);
        return in != negated;
    }
};

std::vector<PatternItem> ParsePattern(const std::u32string& p, char32_t escape) {
    std::vector<PatternItem> items;
    for (std::size_t i = 0; i < p.size(); ++i) {
        PatternItem item;
        if (escape && p[i] == escape && i + 1 < p.size()) {
            item.c = Fold(p[++i]);
        } else if (p[i] == '%') {
            item.kind = PatternItem::Kind::Any;
        } else if (p[i] == '_') {
            item.kind = PatternItem::Kind::One;
        } else if (p[i] == '[' && p.find(']', i + 2) != std::u32string::npos) {
            std::size_t j = i + 1;
            item.kind = PatternItem::Kind::List;
            if (p[j] == '!') {
                item.negated = true;
                ++j;
            }
            // A ] right after the opening is a member, not the end.
            const std::size_t end = p.find(']', j + 1);
            if (end == std::u32string::npos) {
                item = PatternItem{};
                item.c = '[';
                items.push_back(item);
                continue;
            }
            for (; j < end; ++j) {
                char32_t from = Fold(p[j]), to = from;
                if (j + 2 < end && p[j + 1] == '-') {
                    to = Fold(p[j + 2]);
                    j += 2;
                }
                item.ranges.emplace_back(from, to);
            }
            i = end;
        } else {
            item.c = Fold(p[i]);
        }
        items.push_back(std::move(item));
    }
    return items;
}

std::optional<double> ReadNumber(const std::string& text, bool& whole) {
    std::size_t b = text.find_first_not_of(" \t");
    std::size_t e = text.find_last_not_of(" \t");
    if (b == std::string::npos) return std::nullopt;
    const char* first = text.data() + b;
    const char* last = text.data() + e + 1;
    if (*first == '+') ++first;
    double v = 0;
    auto res = std::from_chars(first, last, v);
    if (res.ec != std::errc() || res.ptr != last) return std::nullopt;
    whole = std::string_view(first, last - first).find_first_of(".eE") == std::string_view::npos;
    return v;
}

void JetPlusFunction(sqlite3_context* context, int, sqlite3_value** args) {
    const int a = sqlite3_value_type(args[0]);
    const int b = sqlite3_value_type(args[1]);
    if (a == SQLITE_NULL || b == SQLITE_NULL) return sqlite3_result_null(context);
    if (a == SQLITE_TEXT && b == SQLITE_TEXT) {
        std::string joined(reinterpret_cast<const char*>(sqlite3_value_text(args[0])),
                           static_cast<std::size_t>(sqlite3_value_bytes(args[0])));
        joined.append(reinterpret_cast<const char*>(sqlite3_value_text(args[1])),
                      static_cast<std::size_t>(sqlite3_value_bytes(args[1])));
        return sqlite3_result_text(context, joined.data(), static_cast<int>(joined.size()), SQLITE_TRANSIENT);
    }
    double values[2] = {0, 0};
    bool whole[2] = {true, true};
    for (int k = 0; k < 2; ++k) {
        switch (sqlite3_value_type(args[k])) {
            case SQLITE_INTEGER: values[k] = static_cast<double>(sqlite3_value_int64(args[k])); break;
            case SQLITE_FLOAT:
                values[k] = sqlite3_value_double(args[k]);
                whole[k] = false;
                break;
            case SQLITE_TEXT: {
                const std::string text(reinterpret_cast<const char*>(sqlite3_value_text(args[k])),
                                       static_cast<std::size_t>(sqlite3_value_bytes(args[k])));
                if (auto v = ReadNumber(text, whole[k])) {
                    values[k] = *v;
                    break;
                }
                [[fallthrough]];
            }
            default:
                return sqlite3_result_error(context, "Data type mismatch in criteria expression.", -1);
        }
    }
    if (whole[0] && whole[1]) {
        const sqlite3_int64 x = sqlite3_value_type(args[0]) == SQLITE_INTEGER ? sqlite3_value_int64(args[0])
                                                                              : static_cast<sqlite3_int64>(values[0]);
        const sqlite3_int64 y = sqlite3_value_type(args[1]) == SQLITE_INTEGER ? sqlite3_value_int64(args[1])
                                                                              : static_cast<sqlite3_int64>(values[1]);
        sqlite3_int64 sum = 0;
        if (!__builtin_add_overflow(x, y, &sum)) return sqlite3_result_int64(context, sum);
    }
    sqlite3_result_double(context, values[0] + values[1]);
}

void JetLikeFunction(sqlite3_context* context, int argc, sqlite3_value** args) {
    for (int k = 0; k < argc; ++k)
        if (sqlite3_value_type(args[k]) == SQLITE_NULL) return sqlite3_result_null(context);
    auto text = [&](int k) {
        return std::string(reinterpret_cast<const char*>(sqlite3_value_text(args[k])),
                           static_cast<std::size_t>(sqlite3_value_bytes(args[k])));
    };
    char32_t escape = 0;
    if (argc == 3) {
        const std::u32string e = Decode(text(2));
        if (e.size() != 1) return sqlite3_result_error(context, "ESCAPE expression must be a single character", -1);
        escape = e[0];
    }
    // SQLite hands over X LIKE Y as like(Y, X).
    sqlite3_result_int(context, JetLike(text(0), text(1), escape) ? 1 : 0);
}

}  // namespace

bool JetLike(const std::string& pattern, const std::string& text, char32_t escape) {
    const std::vector<PatternItem> p = ParsePattern(Decode(pattern), escape);
    std::u32string t = Decode(text);
    for (char32_t& c : t) c = Fold(c);
    // Greedy walk that returns to the last % on a mismatch.
    std::size_t pi = 0, ti = 0, starP = std::string::npos, starT = 0;
    while (ti < t.size()) {
        if (pi < p.size() && p[pi].kind == PatternItem::Kind::Any) {
            starP = pi++;
            starT = ti;
        } else if (pi < p.size() && p[pi].Matches(t[ti])) {
            ++pi;
            ++ti;
        } else if (starP != std::string::npos) {
            pi = starP + 1;
            ti = ++starT;
        } else {
            return false;
        }
    }
    while (pi < p.size() && p[pi].kind == PatternItem::Kind::Any) ++pi;
    return pi == p.size();
}

void RegisterJetFunctions(sqlite3* db) {
    const int flags = SQLITE_UTF8 | SQLITE_DETERMINISTIC;
    sqlite3_create_function(db, kJetPlusFunction, 2, flags, nullptr, JetPlusFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 2, flags, nullptr, JetLikeFunction, nullptr, nullptr);
    sqlite3_create_function(db, "like", 3, flags, nullptr, JetLikeFunction, nullptr, nullptr);
}

}  // namespace qdt::db::access
