#include "db/sqlite/SqliteRecordset.h"

#include <string>

#include "db/Error.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db {

namespace {

std::string ColumnText(sqlite3_stmt* stmt, int i) {
    const unsigned char* t = sqlite3_column_text(stmt, i);
    return t ? std::string(reinterpret_cast<const char*>(t), sqlite3_column_bytes(stmt, i)) : std::string();
}

bool IsDateType(int type) { return type == kDate || type == kDBDate || type == kDBTime || type == kDBTimeStamp; }

bool IsTextType(int type) {
    return type == kChar || type == kWChar || type == kVarChar || type == kLongVarChar || type == kVarWChar ||
           type == kLongVarWChar;
}

bool IsIntegerType(int type) {
    return type == kSmallInt || type == kInteger || type == kTinyInt || type == kUnsignedTinyInt || type == kBigInt;
}

// The type an undeclared column (an expression) takes from its first value.
int TypeFromStorage(int storage) {
    switch (storage) {
        case SQLITE_INTEGER: return kBigInt;
        case SQLITE_FLOAT: return kDouble;
        case SQLITE_BLOB: return kLongVarBinary;
        default: return kVarWChar;
    }
}

}  // namespace

SqliteRecordset::SqliteRecordset(SqliteStatement stmt) : stmt_(std::move(stmt)) {
    int n = sqlite3_column_count(stmt_.get());
    fields_.reserve(n);
    for (int i = 0; i < n; ++i) {
        const char* decl = sqlite3_column_decltype(stmt_.get(), i);
        fields_.emplace_back(sqlite3_column_name(stmt_.get(), i), decl ? TypeFromDeclaredType(decl) : 0);
    }
    Start();
}

SqliteRecordset::~SqliteRecordset() { Release(); }

bool SqliteRecordset::FetchRow() {
    if (!stmt_) return false;
    int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_DONE) return false;
    if (rc != SQLITE_ROW) ThrowSqliteError(sqlite3_db_handle(stmt_.get()), rc);
    for (std::size_t i = 0; i < fields_.size(); ++i) {
        Field& f = fields_[i];
        int col = static_cast<int>(i);
        if (!typesSettled_ && f.Type() == 0 && sqlite3_column_type(stmt_.get(), col) != SQLITE_NULL)
            f.SetType(TypeFromStorage(sqlite3_column_type(stmt_.get(), col)));
        f.SetValue(ReadColumn(col, f.Type()));
    }
    typesSettled_ = true;
    return true;
}

Value SqliteRecordset::ReadColumn(int i, int type) const {
    sqlite3_stmt* stmt = stmt_.get();
    int storage = sqlite3_column_type(stmt, i);
    if (storage == SQLITE_NULL) return Value::Null();
    if (IsDateType(type) && storage == SQLITE_TEXT) {
        std::string text = ColumnText(stmt, i);
        DateTime d;
        if (ParseDateTime(text, d)) return Value::Date(d);
        return Value::Text(std::move(text));  // keep what is there rather than lose it
    }
    if (IsTextType(type)) return Value::Text(ColumnText(stmt, i));
    if (type == kBoolean && storage != SQLITE_TEXT) return Value::Boolean(sqlite3_column_int64(stmt, i) != 0);
    if (type == kCurrency || type == kDecimal) {
        if (storage == SQLITE_INTEGER) return Value::Decimal(std::to_string(sqlite3_column_int64(stmt, i)));
        if (storage == SQLITE_FLOAT) return Value::Decimal(FormatDouble(sqlite3_column_double(stmt, i)));
        std::string text = ColumnText(stmt, i);
        if (!text.empty() && text.find_first_not_of("+-0123456789. ") == std::string::npos)
            return Value::Decimal(text);
        return Value::Text(std::move(text));
    }
    if (type == kSingle && storage != SQLITE_TEXT && storage != SQLITE_BLOB)
        return Value::Single(static_cast<float>(sqlite3_column_double(stmt, i)));
    if (type == kDouble && storage == SQLITE_INTEGER) return Value::Double(sqlite3_column_double(stmt, i));
    if (IsIntegerType(type) && storage == SQLITE_FLOAT) return Value::Double(sqlite3_column_double(stmt, i));
    switch (storage) {
        case SQLITE_INTEGER: return Value::Integer(sqlite3_column_int64(stmt, i));
        case SQLITE_FLOAT: return Value::Double(sqlite3_column_double(stmt, i));
        case SQLITE_BLOB: {
            auto p = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, i));
            return Value::Binary(Bytes(p, p + sqlite3_column_bytes(stmt, i)));
        }
        default: return Value::Text(ColumnText(stmt, i));
    }
}

void SqliteRecordset::Rewind() {
    if (stmt_) sqlite3_reset(stmt_.get());
}

void SqliteRecordset::Release() {
    stmt_.reset();
}

}  // namespace qdt::db
