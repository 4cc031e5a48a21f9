#include "sqlfile/ScriptLexer.h"

#include "db/Text.h"

namespace qdt::sqlfile {

namespace {

constexpr std::int64_t kCountCeiling = 1'000'000'000;

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

// MySQL reads "--" as a comment only when a blank or control character (the
// line end included) follows, so "1--1" stays arithmetic.
bool StartsLineComment(std::string_view line, std::size_t i, ScriptSyntax syntax) {
    const char c = line[i];
    if (syntax == ScriptSyntax::MySql && c == '#') return true;
    if (c != '-' || i + 1 >= line.size() || line[i + 1] != '-') return false;
    if (syntax == ScriptSyntax::Plain) return true;
    return i + 2 >= line.size() || static_cast<unsigned char>(line[i + 2]) <= ' ';
}

// "/*!" and MariaDB's "/*M!" hold code for servers of a version or later.
bool StartsConditionalComment(std::string_view line, std::size_t i) {
    std::string_view rest = line.substr(i + 2);
    return (!rest.empty() && rest[0] == '!') || (rest.size() >= 2 && rest[0] == 'M' && rest[1] == '!');
}

}  // namespace

ScriptSyntax SyntaxFor(data::DatabaseKind kind) {
    return kind == data::kMySql ? ScriptSyntax::MySql : ScriptSyntax::Plain;
}

LineScan ScanLine(std::string_view line, LexState state, ScriptSyntax syntax) {
    LineScan result;
    const bool backslashEscapes = syntax == ScriptSyntax::MySql;
    const std::size_t n = line.size();
    auto open = [&](LexState s) {
        state = s;
        result.opensHere = true;
    };
    for (std::size_t i = 0; i < n; ++i) {
        const char c = line[i];
        switch (state) {
            case LexState::Code:
                if (c == '\'') {
                    open(LexState::SingleQuoted);
                } else if (c == '"') {
                    open(LexState::DoubleQuoted);
                } else if (c == '`') {
                    open(LexState::BackQuoted);
                } else if (c == '[' && syntax == ScriptSyntax::Plain) {
                    open(LexState::Bracketed);
                } else if (StartsLineComment(line, i, syntax)) {
                    // The rest of the line is comment; a NUL in it would still cut the statement.
                    result.strayNul = result.strayNul || line.find('\0', i) != std::string_view::npos;
                    result.stateAfter = LexState::Code;
                    return result;
                } else if (c == '/' && i + 1 < n && line[i + 1] == '*') {
                    if (syntax == ScriptSyntax::MySql && StartsConditionalComment(line, i)) {
                        ++i;  // read on as code; the closing "*/" is harmless there
                    } else {
                        open(LexState::BlockComment);
                        ++i;
                    }
                } else if (c == ';' && i + 1 == n) {
                    result.closesStatement = true;
                } else if (c == '\0') {
                    result.strayNul = true;
                }
                break;
            // A doubled quote closes and at once reopens, which is what the
            // escape means, so these need no look-ahead.
            case LexState::SingleQuoted:
                if (c == '\'') state = LexState::Code;
                else if (c == '\\' && backslashEscapes) ++i;  // at the line end it escapes the line end
                break;
            case LexState::DoubleQuoted:
                if (c == '"') state = LexState::Code;
                else if (c == '\\' && backslashEscapes) ++i;
                break;
            case LexState::BackQuoted:
                if (c == '`') state = LexState::Code;
                else if (c == '\0') result.strayNul = true;
                break;
            case LexState::Bracketed:
                if (c == ']') {
                    if (i + 1 < n && line[i + 1] == ']')
                        ++i;  // "]]" is an escaped bracket inside the name
                    else
                        state = LexState::Code;
                } else if (c == '\0') {
                    result.strayNul = true;
                }
                break;
            case LexState::BlockComment:
                if (c == '*' && i + 1 < n && line[i + 1] == '/') {
                    state = LexState::Code;
                    ++i;
                } else if (c == '\0') {
                    result.strayNul = true;
                }
                break;
        }
    }
    if (state == LexState::Code) result.opensHere = false;
    result.stateAfter = state;
    return result;
}

std::optional<std::int64_t> ParseBatchSeparator(std::string_view line) {
    std::string_view s = TrimBlanks(line);
    if (s.size() < 2 || Lower(s[0]) != 'g' || Lower(s[1]) != 'o') return std::nullopt;
    s.remove_prefix(2);

    std::int64_t count = 1;
    std::string_view afterBlanks = SkipBlanks(s);
    if (afterBlanks.size() < s.size() && !afterBlanks.empty() && IsDigit(afterBlanks.front())) {
        std::int64_t value = 0;
        s = afterBlanks;
        while (!s.empty() && IsDigit(s.front())) {
            value = value * 10 + (s.front() - '0');
            if (value > kCountCeiling) value = kCountCeiling;
            s.remove_prefix(1);
        }
        if (value == 0) return std::nullopt;
        count = value;
        afterBlanks = SkipBlanks(s);
    }
    if (afterBlanks.empty() || afterBlanks.substr(0, 2) == "--") return count;
    return std::nullopt;
}

std::size_t FindInvalidUtf8(std::string_view text) {
    const std::size_t valid = db::ValidUtf8Prefix(text);
    return valid == text.size() ? std::string_view::npos : valid;
}

}  // namespace qdt::sqlfile
