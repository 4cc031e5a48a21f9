#include "db/access/AccessSqlTokens.h"

#include <cctype>

#include "db/Error.h"
#include "db/Text.h"

namespace qdt::db::access {

namespace {

bool IsWordStart(unsigned char c) { return std::isalpha(c) || c == '_' || c >= 0x80; }
bool IsWordPart(unsigned char c) { return std::isalnum(c) || c == '_' || c >= 0x80; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// End of a quoted piece whose closing quote is escaped by doubling it.
std::size_t EndOfQuoted(const std::string& s, std::size_t start, char quote, const char* what) {
    for (std::size_t i = start + 1; i < s.size(); ++i) {
        if (s[i] != quote) continue;
        if (i + 1 < s.size() && s[i + 1] == quote) {
            ++i;
            continue;
        }
        return i + 1;
    }
    throw DatabaseError(std::string("The statement has an unterminated ") + what + ": " + s.substr(start, 40));
}

std::size_t EndOfNumber(const std::string& s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) ++i;
    if (i < s.size() && s[i] == '.') {
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        std::size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j < s.size() && IsDigit(s[j])) {
            while (j < s.size() && IsDigit(s[j])) ++j;
            i = j;
        }
    }
    return i;
}

}  // namespace

bool SqlToken::IsWord(const char* upperWord) const { return kind == Kind::Word && EqualsIgnoreCase(text, upperWord); }

std::vector<SqlToken> TokenizeAccessSql(const std::string& s) {
    using K = SqlToken::Kind;
    std::vector<SqlToken> out;
    std::size_t i = 0;
    auto emit = [&](K kind, std::size_t end) {
        out.push_back(SqlToken{kind, s.substr(i, end - i), {}});
        i = end;
    };
    while (i < s.size()) {
        const char c = s[i];
        const char next = i + 1 < s.size() ? s[i + 1] : '\0';
        if (std::isspace(static_cast<unsigned char>(c))) {
            std::size_t e = i;
            while (e < s.size() && std::isspace(static_cast<unsigned char>(s[e]))) ++e;
            emit(K::Space, e);
        } else if (c == '-' && next == '-') {
            std::size_t e = s.find('\n', i);
            emit(K::Comment, e == std::string::npos ? s.size() : e);
        } else if (c == '/' && next == '*') {
            std::size_t e = s.find("*/", i + 2);
            emit(K::Comment, e == std::string::npos ? s.size() : e + 2);
        } else if (c == '\'') {
            emit(K::String, EndOfQuoted(s, i, '\'', "text literal"));
        } else if (c == '"') {
            emit(K::QuotedName, EndOfQuoted(s, i, '"', "quoted name"));
        } else if (c == '[') {
            std::size_t e = s.find(']', i);
            if (e == std::string::npos)
                throw DatabaseError("The statement has an unterminated [name]: " + s.substr(i, 40));
            emit(K::BracketName, e + 1);
        } else if (c == '#' && s.find('#', i + 1) != std::string::npos) {
            emit(K::DateLiteral, s.find('#', i + 1) + 1);
        } else if (IsDigit(c) || (c == '.' && IsDigit(next))) {
            emit(K::Number, EndOfNumber(s, i));
        } else if (IsWordStart(static_cast<unsigned char>(c))) {
            std::size_t e = i;
            while (e < s.size() && IsWordPart(static_cast<unsigned char>(s[e]))) ++e;
            emit(K::Word, e);
        } else {
            static const char* kPairs[] = {"<>", "<=", ">=", "!=", "||", "=="};
            std::size_t len = 1;
            for (const char* p : kPairs)
                if (c == p[0] && next == p[1]) len = 2;
            emit(K::Symbol, i + len);
        }
    }
    return out;
}

std::string JoinTokens(const std::vector<SqlToken>& tokens) {
    std::string out;
    for (const auto& t : tokens) {
        out += t.text;
        out += t.suffix;
    }
    return out;
}

}  // namespace qdt::db::access
