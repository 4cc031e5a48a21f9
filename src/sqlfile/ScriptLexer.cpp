#include "sqlfile/ScriptLexer.h"

#include <cstdint>
#include <limits>

namespace qdt::sqlfile {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

std::string_view TrimBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
    return s;
}

std::string_view SkipBlanks(std::string_view s) {
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return s;
}

}  // namespace

LineScan ScanLine(std::string_view line, LexState state) {
    LineScan result;
    const std::size_t n = line.size();
    for (std::size_t i = 0; i < n; ++i) {
        const char c = line[i];
        const char next = i + 1 < n ? line[i + 1] : '\0';
        switch (state) {
            case LexState::Code:
                if (c == '\'') {
                    state = LexState::SingleQuoted;
                } else if (c == '"') {
                    state = LexState::DoubleQuoted;
                } else if (c == '[') {
                    state = LexState::Bracketed;
                } else if (c == '`') {
                    state = LexState::BackQuoted;
                } else if (c == '-' && next == '-') {
                    result.stateAfter = LexState::Code;
                    return result;  // the rest of the line is comment
                } else if (c == '/' && next == '*') {
                    state = LexState::BlockComment;
                    ++i;
                } else if (c == ';' && i + 1 == n) {
                    result.closesStatement = true;
                }
                break;
            // A doubled quote closes and at once reopens, which is what the
            // escape means, so these need no look-ahead.
            case LexState::SingleQuoted:
                if (c == '\'') state = LexState::Code;
                break;
            case LexState::DoubleQuoted:
                if (c == '"') state = LexState::Code;
                break;
            case LexState::BackQuoted:
                if (c == '`') state = LexState::Code;
                break;
            case LexState::Bracketed:
                if (c == ']') {
                    if (next == ']')
                        ++i;  // "]]" is an escaped bracket inside the name
                    else
                        state = LexState::Code;
                }
                break;
            case LexState::BlockComment:
                if (c == '*' && next == '/') {
                    state = LexState::Code;
                    ++i;
                }
                break;
        }
    }
    result.stateAfter = state;
    return result;
}

std::optional<int> ParseBatchSeparator(std::string_view line) {
    std::string_view s = TrimBlanks(line);
    if (s.size() < 2 || Lower(s[0]) != 'g' || Lower(s[1]) != 'o') return std::nullopt;
    s.remove_prefix(2);

    int count = 1;
    std::string_view afterBlanks = SkipBlanks(s);
    if (afterBlanks.size() < s.size() && !afterBlanks.empty() && IsDigit(afterBlanks.front())) {
        std::int64_t value = 0;
        s = afterBlanks;
        while (!s.empty() && IsDigit(s.front())) {
            value = value * 10 + (s.front() - '0');
            if (value > std::numeric_limits<int>::max()) return std::nullopt;
            s.remove_prefix(1);
        }
        if (value == 0) return std::nullopt;
        count = static_cast<int>(value);
        afterBlanks = SkipBlanks(s);
    }
    if (afterBlanks.empty() || afterBlanks.substr(0, 2) == "--") return count;
    return std::nullopt;
}

}  // namespace qdt::sqlfile
