#include "db/sqlite/SqliteInsertCache.h"

namespace qdt::db {

namespace {

constexpr std::size_t kMaxStatements = 32;

}  // namespace

sqlite3_stmt* SqliteInsertCache::Prepared(sqlite3* db, const std::string& head, std::size_t count) {
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

// The double SQLite makes of a real literal: its own text-to-real conversion
// of the digits, negated for a minus sign as the literal's minus does, so no
// rounding of ours can differ.
double SqliteInsertCache::RealValue(sqlite3* db, const std::string& literal) {
    if (!toReal_) {
        sqlite3_stmt* raw = nullptr;
        int rc = sqlite3_prepare_v2(db, "SELECT CAST(?1 AS REAL)", -1, &raw, nullptr);
        toReal_.reset(raw);
        if (rc != SQLITE_OK) ThrowSqliteError(db, rc);
    }
    const bool negative = !literal.empty() && literal[0] == '-';
    const std::string_view digits = std::string_view(literal).substr(negative ? 1 : 0);
    sqlite3_stmt* stmt = toReal_.get();
    sqlite3_bind_text(stmt, 1, digits.data(), static_cast<int>(digits.size()), SQLITE_STATIC);
    int rc = sqlite3_step(stmt);
    double result = rc == SQLITE_ROW ? sqlite3_column_double(stmt, 0) : 0.0;
    sqlite3_reset(stmt);
    if (rc != SQLITE_ROW) ThrowSqliteError(db, rc);
    return negative ? -result : result;
}

bool SqliteInsertCache::Run(sqlite3* db, const InsertRow& row) {
    if (!row.head || !row.AllTyped()) return false;
    sqlite3_stmt* stmt = Prepared(db, *row.head, row.values.size());
    if (stmt == nullptr) return false;
    for (std::size_t i = 0; i < row.values.size(); ++i) {
        const RowValue& v = row.values[i];
        const int at = static_cast<int>(i + 1);
        switch (v.kind) {
            case RowValue::Kind::Null: sqlite3_bind_null(stmt, at); break;
            case RowValue::Kind::Integer: sqlite3_bind_int64(stmt, at, v.integer); break;
            case RowValue::Kind::Real: sqlite3_bind_double(stmt, at, RealValue(db, v.text)); break;
            case RowValue::Kind::Text:
                sqlite3_bind_text(stmt, at, v.text.data(), static_cast<int>(v.text.size()), SQLITE_STATIC);
                break;
            case RowValue::Kind::Sql: break;  // excluded above
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
