#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qdt::db {

// The key/value pairs of a connection string, in their order. Keys compare
// case-insensitively; values are unquoted.
class ConnectionStringInfo {
public:
    void Add(std::string key, std::string value) { entries_.emplace_back(std::move(key), std::move(value)); }
    // The last value given for the key, as drivers take it.
    std::optional<std::string> Get(std::string_view key) const;
    std::string GetOr(std::string_view key, std::string fallback) const;
    bool Has(std::string_view key) const { return Get(key).has_value(); }
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

// Reads "key=value;key=value" with values optionally quoted by "...", '...'
// (the quote doubled inside) or {...} (a closing brace doubled inside).
// Throws DatabaseError for an unterminated quote.
ConnectionStringInfo ParseConnectionString(const std::string& text);

// The value as it must be written after "key=" so that it reads back
// unchanged. Ordinary values come back as they are.
std::string QuoteOleDbValue(const std::string& value);
std::string QuoteOdbcValue(const std::string& value);

}  // namespace qdt::db
