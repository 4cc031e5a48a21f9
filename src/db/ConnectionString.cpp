#include "db/ConnectionString.h"

#include "db/Error.h"
#include "db/Text.h"

namespace qdt::db {

std::optional<std::string> ConnectionStringInfo::Get(std::string_view key) const {
    for (auto it = entries_.rbegin(); it != entries_.rend(); ++it)
        if (EqualsIgnoreCase(it->first, key)) return it->second;
    return std::nullopt;
}

std::string ConnectionStringInfo::GetOr(std::string_view key, std::string fallback) const {
    auto v = Get(key);
    return v ? *v : std::move(fallback);
}

namespace {

// Reads a quoted value starting at text[pos] (the opening character) up to
// its closing character; a doubled closing character stands for itself.
std::string ReadQuoted(const std::string& text, std::size_t& pos, char close) {
    std::string value;
    ++pos;
    while (true) {
        if (pos >= text.size()) throw DatabaseError("The connection string has a value with no closing " + std::string(1, close) + ".");
        char c = text[pos++];
        if (c == close) {
            if (pos < text.size() && text[pos] == close) {
                value += close;
                ++pos;
                continue;
            }
            return value;
        }
        value += c;
    }
}

}  // namespace

ConnectionStringInfo ParseConnectionString(const std::string& text) {
    ConnectionStringInfo info;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t eq = text.find('=', pos);
        std::size_t semi = text.find(';', pos);
        if (eq == std::string::npos || (semi != std::string::npos && semi < eq)) {
            // A segment without "=": only blanks are acceptable there.
            std::size_t end = semi == std::string::npos ? text.size() : semi;
            if (!Trim(std::string_view(text).substr(pos, end - pos)).empty())
                throw DatabaseError("The connection string has a part without a key and value.");
            pos = end + 1;
            continue;
        }
        std::string key = Trim(std::string_view(text).substr(pos, eq - pos));
        pos = eq + 1;
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
        std::string value;
        char first = pos < text.size() ? text[pos] : '\0';
        if (first == '"' || first == '\'' || first == '{') {
            value = ReadQuoted(text, pos, first == '{' ? '}' : first);
            while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t')) ++pos;
            if (pos < text.size() && text[pos] != ';')
                throw DatabaseError("The connection string has text after the quoted value of '" + key + "'.");
            ++pos;
        } else {
            std::size_t end = text.find(';', pos);
            if (end == std::string::npos) end = text.size();
            value = Trim(std::string_view(text).substr(pos, end - pos));
            pos = end + 1;
        }
        if (key.empty()) throw DatabaseError("The connection string has a value without a key.");
        info.Add(std::move(key), std::move(value));
    }
    return info;
}

namespace {

bool NeedsQuoting(const std::string& v) {
    if (v.empty()) return false;
    if (v.find_first_of(";\"'{}") != std::string::npos) return true;
    auto blank = [](char c) { return c == ' ' || c == '\t'; };
    return blank(v.front()) || blank(v.back());
}

}  // namespace

std::string QuoteOleDbValue(const std::string& value) {
    if (!NeedsQuoting(value)) return value;
    std::string out = "\"";
    for (char c : value) {
        if (c == '"') out += '"';
        out += c;
    }
    return out + "\"";
}

std::string QuoteOdbcValue(const std::string& value) {
    if (!NeedsQuoting(value)) return value;
    std::string out = "{";
    for (char c : value) {
        if (c == '}') out += '}';
        out += c;
    }
    return out + "}";
}

}  // namespace qdt::db
