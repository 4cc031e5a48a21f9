#include "db/sqlite/SqliteProvider.h"

#include <cctype>
#include <filesystem>

#include "db/Error.h"
#include "db/Providers.h"
#include "db/Text.h"
#include "db/sqlite/SqliteInsertCache.h"
#include "db/sqlite/SqliteRecordset.h"

namespace qdt::db {

namespace {

// Word-boundary search, so "BIT" does not match "ORBITAL".
bool HasWord(const std::string& upper, const char* word) {
    std::string w(word);
    for (std::size_t pos = upper.find(w); pos != std::string::npos; pos = upper.find(w, pos + 1)) {
        bool startOk = pos == 0 || !std::isalnum(static_cast<unsigned char>(upper[pos - 1]));
        std::size_t end = pos + w.size();
        bool endOk = end >= upper.size() || !std::isalnum(static_cast<unsigned char>(upper[end]));
        if (startOk && endOk) return true;
    }
    return false;
}

bool Has(const std::string& upper, const char* part) { return upper.find(part) != std::string::npos; }

const char* kSchemaQuery =
    "SELECT NULL AS TABLE_CATALOG, NULL AS TABLE_SCHEMA, name AS TABLE_NAME, "
    "CASE WHEN name LIKE 'sqlite!_%' ESCAPE '!' THEN 'SYSTEM TABLE' WHEN type = 'view' THEN 'VIEW' "
    "ELSE 'TABLE' END AS TABLE_TYPE FROM sqlite_master WHERE type IN ('table', 'view') "
    "UNION ALL SELECT NULL, NULL, 'sqlite_master', 'SYSTEM TABLE' "
    "ORDER BY TABLE_TYPE, TABLE_NAME";

}  // namespace

int TypeFromDeclaredType(const std::string& declared) {
    std::string t = declared;
    for (char& c : t) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (Has(t, "BIGINT")) return kBigInt;
    if (Has(t, "SMALLINT")) return kSmallInt;
    if (Has(t, "TINYINT")) return kUnsignedTinyInt;
    if (Has(t, "BOOL") || HasWord(t, "BIT") || HasWord(t, "YESNO")) return kBoolean;
    if (Has(t, "INT") || Has(t, "COUNTER")) return kInteger;
    if (Has(t, "GUID") || Has(t, "UNIQUEIDENTIFIER")) return kGuid;
    if (Has(t, "CURRENCY") || Has(t, "MONEY")) return kCurrency;
    if (Has(t, "DECIMAL") || Has(t, "NUMERIC")) return kDecimal;
    if (Has(t, "SINGLE") || Has(t, "FLOAT4")) return kSingle;
    // REAL is SQLite's own double; taking it as single would round prices.
    if (Has(t, "DOUBLE") || Has(t, "FLOAT") || Has(t, "REAL")) return kDouble;
    if (Has(t, "TIMESTAMP")) return kDBTimeStamp;
    if (Has(t, "DATE")) return kDate;
    if (HasWord(t, "TIME")) return kDBTime;
    if (Has(t, "VARBINARY")) return kVarBinary;
    if (Has(t, "LONGBINARY") || Has(t, "BLOB") || Has(t, "IMAGE") || HasWord(t, "OLE")) return kLongVarBinary;
    if (Has(t, "BINARY")) return kBinary;
    if (Has(t, "TEXT") || Has(t, "MEMO") || Has(t, "CLOB")) return kLongVarWChar;
    if (Has(t, "VARCHAR") || Has(t, "VARYING")) return kVarWChar;
    if (Has(t, "CHAR")) return kWChar;
    return 0;
}

void ThrowSqliteError(sqlite3* db, int rc) {
    // A busy file stays busy after the wait of the busy timeout: another
    // program holds it, which "database is locked" does not say.
    int primary = rc & 0xff;
    if (primary == SQLITE_BUSY || primary == SQLITE_LOCKED) {
        const char* file = db ? sqlite3_db_filename(db, "main") : nullptr;
        std::string name = file && *file ? std::string(file) : std::string("file");
        throw DatabaseError("The SQLite database '" + name + "' is locked by another program.", rc);
    }
    throw DatabaseError(db ? sqlite3_errmsg(db) : sqlite3_errstr(rc), rc);
}

SqliteProvider::SqliteProvider(SqliteHandle db, std::function<void()> onClose)
    : db_(std::move(db)), onClose_(std::move(onClose)) {
    sqlite3_busy_timeout(db_.get(), 5000);
}

SqliteProvider::~SqliteProvider() {
    try {
        Close();
    } catch (...) {
    }
}

std::unique_ptr<SqliteProvider> SqliteProvider::OpenFile(const std::string& path, OpenMode mode) {
    // A mistyped path must not quietly become a new empty database.
    std::error_code ec;
    if (path.empty()) throw DatabaseError("No SQLite database file was given.");
    if (!std::filesystem::is_regular_file(path, ec))
        throw DatabaseError("Could not find the SQLite database file '" + path + "'.");
    sqlite3* raw = nullptr;
    int flags = mode == OpenMode::kReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE;
    int rc = sqlite3_open_v2(path.c_str(), &raw, flags, nullptr);
    SqliteHandle db(raw);
    if (rc != SQLITE_OK) {
        std::string msg = db ? sqlite3_errmsg(db.get()) : sqlite3_errstr(rc);
        throw DatabaseError("Could not open the SQLite database '" + path + "': " + msg, rc);
    }
    auto provider = std::make_unique<SqliteProvider>(std::move(db));
    // Reading the catalogue tells a SQLite file from any other file now, not at the first query.
    char* err = nullptr;
    rc = sqlite3_exec(provider->Handle(), "SELECT count(*) FROM sqlite_master", nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED)
            throw DatabaseError("The SQLite database '" + path + "' is locked by another program.", rc);
        throw DatabaseError("'" + path + "' is not a SQLite database: " + msg, rc);
    }
    return provider;
}

sqlite3* SqliteProvider::Db() const {
    if (!db_) throw DatabaseError("Operation is not allowed when the connection is closed.");
    return db_.get();
}

std::unique_ptr<Recordset> SqliteProvider::Execute(const std::string& sql) {
    sqlite3* db = Db();
    std::string text = filter_ ? filter_(sql) : sql;
    sqlite3_stmt* raw = nullptr;
    const char* tail = nullptr;
    int rc = sqlite3_prepare_v2(db, text.c_str(), static_cast<int>(text.size()), &raw, &tail);
    SqliteStatement stmt(raw);
    if (rc != SQLITE_OK) ThrowSqliteError(db, rc);
    if (!stmt) return std::make_unique<EmptyRecordset>();  // only blanks or a comment
    if (tail && Trim(std::string(tail)).find_first_not_of(';') != std::string::npos)
        throw DatabaseError("Only one statement can be executed at a time.");
    if (sqlite3_column_count(stmt.get()) == 0) {
        rc = sqlite3_step(stmt.get());
        if (rc != SQLITE_DONE && rc != SQLITE_ROW) ThrowSqliteError(db, rc);
        return std::make_unique<EmptyRecordset>();
    }
    return std::make_unique<SqliteRecordset>(std::move(stmt));
}

std::unique_ptr<Recordset> SqliteProvider::OpenSchemaTables() {
    sqlite3* db = Db();
    sqlite3_stmt* raw = nullptr;
    int rc = sqlite3_prepare_v2(db, kSchemaQuery, -1, &raw, nullptr);
    SqliteStatement stmt(raw);
    if (rc != SQLITE_OK) ThrowSqliteError(db, rc);
    return std::make_unique<SqliteRecordset>(std::move(stmt));
}

void SqliteProvider::Close() {
    inserts_.reset();
    if (!db_) return;
    // close_v2 defers the real close until results still open are finalised.
    db_.reset();
    if (onClose_) {
        auto hook = std::move(onClose_);
        onClose_ = nullptr;
        hook();
    }
}

void SqliteProvider::Exec(const char* sql) {
    sqlite3* db = Db();
    char* err = nullptr;
    int rc = sqlite3_exec(db, sql, nullptr, nullptr, &err);
    if (rc != SQLITE_OK) {
        std::string msg = err ? err : "unknown error";
        sqlite3_free(err);
        if ((rc & 0xff) == SQLITE_BUSY || (rc & 0xff) == SQLITE_LOCKED) ThrowSqliteError(db, rc);
        throw DatabaseError(msg, rc);
    }
}

bool SqliteProvider::RunRow(const InsertRow& row) {
    // A filtered connection (an Access snapshot) sees every statement as text.
    if (filter_) return false;
    sqlite3* db = Db();
    if (!inserts_) inserts_ = std::make_unique<SqliteInsertCache>();
    return inserts_->Run(db, row);
}

void SqliteProvider::BeginTrans() { Exec("BEGIN"); }
void SqliteProvider::CommitTrans() { Exec("COMMIT"); }
void SqliteProvider::RollbackTrans() { Exec("ROLLBACK"); }

std::optional<std::int64_t> SqliteProvider::LastInsertId() {
    if (!db_) throw DatabaseError("Operation is not allowed when the connection is closed.");
    return sqlite3_last_insert_rowid(db_.get());
}

std::unique_ptr<ConnectionProvider> OpenSqliteProvider(const ConnectionStringInfo& info, OpenMode mode) {
    return SqliteProvider::OpenFile(info.GetOr("Data Source", ""), mode);
}

}  // namespace qdt::db
