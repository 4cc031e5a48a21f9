#include "db/sqlite/SqliteInsertCache.h"

#include <limits>

namespace qdt::db {

namespace {

constexpr std::size_t kMaxStatements = 32;
constexpr std::string_view kInsertInto = "INSERT INTO ";
constexpr std::string_view kValues = ") VALUES (";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

void SkipBlanks(std::string_view s, std::size_t& i) {
    while (i < s.size() && IsBlank(s[i])) ++i;
}

bool EqualsNull(std::string_view word) {
    if (word.size() != 4) return false;
    for (std::size_t i = 0; i < 4; ++i)
        if ((word[i] & ~0x20) != "NULL"[i]) return false;
    return true;
}

// A quoted text from s[i] (the opening quote) on; i ends after the closing one.
bool ReadText(std::string_view s, std::size_t& i, std::string& out) {
    out.clear();
    for (++i; i < s.size(); ++i) {
        if (s[i] != '\'') {
            out += s[i];
            continue;
        }
        if (i + 1 < s.size() && s[i + 1] == '\'') {
            out += '\'';
            ++i;
            continue;
        }
        ++i;
        return true;
    }
    return false;
}

// A number literal: digits with an optional fraction and exponent. Whole
// numbers that fit 63 bits are integers; SQLite reads bigger ones as reals,
// which is left to the text.
bool ReadNumber(std::string_view s, std::size_t& i, LiteralValue& value) {
    const std::size_t start = i;
    bool real = false;
    std::size_t digits = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    if (i < s.size() && s[i] == '.') {
        real = true;
        ++i;
        while (i < s.size() && IsDigit(s[i])) ++i, ++digits;
    }
    if (digits == 0) return false;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        real = true;
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        if (i >= s.size() || !IsDigit(s[i])) return false;
        while (i < s.size() && IsDigit(s[i])) ++i;
    }
    // A letter or another digit-like character straight after is not a number SQLite would read alone.
    if (i < s.size() && !IsBlank(s[i]) && s[i] != ',' && s[i] != ')') return false;
    if (real) {
        value.kind = LiteralValue::Kind::Real;
        value.digits = s.substr(start, i - start);
        return true;
    }
    if (digits > 18) return false;  // 19 digits may pass 2^63; the text decides
    std::int64_t n = 0;
    for (std::size_t k = start; k < i; ++k) n = n * 10 + (s[k] - '0');
    value.kind = LiteralValue::Kind::Integer;
    value.integer = value.negative ? -n : n;
    return true;
}

}  // namespace

bool ParseLiteralInsert(std::string_view sql, std::string_view& head, std::vector<LiteralValue>& values) {
    values.clear();
    if (sql.substr(0, kInsertInto.size()) != kInsertInto) return false;
    const std::size_t open = sql.find(kValues);
    if (open == std::string_view::npos || sql.find('\'') < open) return false;
    head = sql.substr(0, open + kValues.size());
    std::size_t i = head.size();
    for (;;) {
        SkipBlanks(sql, i);
        if (i >= sql.size()) return false;
        LiteralValue& value = values.emplace_back();
        if (sql[i] == '\'') {
            value.kind = LiteralValue::Kind::Text;
            if (!ReadText(sql, i, value.text)) return false;
        } else if (sql[i] == '-' || IsDigit(sql[i]) || sql[i] == '.') {
            value.negative = sql[i] == '-';
            if (value.negative) ++i;
            if (!ReadNumber(sql, i, value)) return false;
        } else if (EqualsNull(sql.substr(i, 4))) {
            i += 4;
        } else {
            return false;
        }
        SkipBlanks(sql, i);
        if (i >= sql.size()) return false;
        if (sql[i] == ',') {
            ++i;
            continue;
        }
        return sql[i] == ')' && i + 1 == sql.size();
    }
}

sqlite3_stmt* SqliteInsertCache::Prepared(sqlite3* db, std::string_view head, std::size_t count) {
    key_.assign(head);
    key_ += std::to_string(count);
    auto found = statements_.find(key_);
    if (found != statements_.end()) return found->second.get();
    std::string sql(head);
    for (std::size_t i = 0; i < count; ++i) sql += i == 0 ? "?" : ",?";
    sql += ")";
    sqlite3_stmt* raw = nullptr;
    // A statement SQLite refuses goes as text, which fails with its own words.
    if (sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &raw, nullptr) != SQLITE_OK) {
        sqlite3_finalize(raw);
        return nullptr;
    }
    if (statements_.size() >= kMaxStatements) statements_.clear();
    return statements_.emplace(key_, SqliteStatement(raw)).first->second.get();
}

// The double SQLite makes of a real literal: its own text-to-real
// conversion, which the parser also uses, so no rounding of ours can differ.
double SqliteInsertCache::RealValue(sqlite3* db, const LiteralValue& value) {
    if (!toReal_) {
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(db, "SELECT CAST(?1 AS REAL)", -1, &raw, nullptr);
        toReal_.reset(raw);
        if (rc != SQLITE_OK) ThrowSqliteError(db, rc);
    }
    sqlite3_stmt* stmt = toReal_.get();
    sqlite3_bind_text(stmt, 1, value.digits.data(), static_cast<int>(value.digits.size()), SQLITE_STATIC);
    int rc = sqlite3_step(stmt);
    double result = rc == SQLITE_ROW ? sqlite3_column_double(stmt, 0) : 0.0;
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW) ThrowSqliteError(db, rc);
    return value.negative ? -result : result;
}

bool SqliteInsertCache::TryRun(sqlite3* db, std::string_view sql) {
    std::string_view head;
    if (!ParseLiteralInsert(sql, head, values_)) return false;
    sqlite3_stmt* stmt = Prepared(db, head, values_.size());
    if (stmt == nullptr) return false;
    for (std::size_t i = 0; i < values_.size(); ++i) {
        const LiteralValue& v = values_[i];
        const int at = static_cast<int>(i + 1);
        switch (v.kind) {
            case LiteralValue::Kind::Null: sqlite3_bind_null(stmt, at); break;
            case LiteralValue::Kind::Integer: sqlite3_bind_int64(stmt, at, v.integer); break;
            case LiteralValue::Kind::Real: sqlite3_bind_double(stmt, at, RealValue(db, v)); break;
            case LiteralValue::Kind::Text:
                sqlite3_bind_text(stmt, at, v.text.data(), static_cast<int>(v.text.size()), SQLITE_STATIC);
                break;
        }
    }
    const int rc = sqlite3_step(stmt);
    sqlite3_reset(stmt);
    sqlite3_clear_bindings(stmt);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) ThrowSqliteError(db, rc);
    return true;
}

void SqliteInsertCache::Clear() {
    statements_.clear();
    toReal_.reset();
}

}  // namespace qdt::db
