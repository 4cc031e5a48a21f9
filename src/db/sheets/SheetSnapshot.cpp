#include "db/sheets/SheetSnapshot.h"

#include <unistd.h>

#include <filesystem>

#include "db/Error.h"

namespace qdt::db::sheets {

namespace {

std::string MakeTempFile(const SnapshotPlace& place) {
    std::filesystem::path dir = place.tempDir.empty() ? std::filesystem::temp_directory_path()
                                                      : std::filesystem::path(place.tempDir);
    std::string pattern = (dir / "qdt-sheet-XXXXXX.sqlite").string();
    int fd = mkstemps(pattern.data(), 7);
    if (fd < 0) throw DatabaseError("No temporary file for the snapshot could be made in '" + dir.string() + "'.");
    close(fd);
    return pattern;
}

}  // namespace

std::string QuoteSqliteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

void ExecSnapshot(sqlite3* db, const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db);
        sqlite3_free(err);
        throw DatabaseError("The snapshot could not be written: " + msg);
    }
}

SheetSnapshot::SheetSnapshot(std::uintmax_t sourceSize, const SnapshotPlace& place, const std::string& source) {
    onDisk_ = sourceSize > place.inMemoryLimit;
    std::string target = onDisk_ ? MakeTempFile(place) : ":memory:";
    int rc = sqlite3_open_v2(target.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    if (onDisk_) unlink(target.c_str());
    if (rc != SQLITE_OK) {
        std::string msg = db_ ? sqlite3_errmsg(db_) : "out of memory";
        sqlite3_close_v2(db_);
        db_ = nullptr;
        throw DatabaseError("The snapshot of '" + source + "' could not be created: " + msg);
    }
    try {
        // Rebuilt from the source at every open: no journal, no syncing. The
        // file is already unlinked, and with the journal off SQLite never needs
        // its name again.
        ExecSnapshot(db_, "PRAGMA journal_mode=OFF");
        ExecSnapshot(db_, "PRAGMA synchronous=OFF");
        ExecSnapshot(db_, "PRAGMA temp_store=FILE");
    } catch (...) {
        sqlite3_close_v2(db_);
        throw;
    }
}

SheetSnapshot::~SheetSnapshot() {
    if (db_) sqlite3_close_v2(db_);
}

sqlite3* SheetSnapshot::Release() {
    sqlite3* db = db_;
    db_ = nullptr;
    return db;
}

TableWriter::TableWriter(sqlite3* db, std::string table, const std::vector<SnapshotColumn>& columns)
    : db_(db), table_(std::move(table)), columns_(columns.size()) {
    std::string create = "CREATE TABLE " + QuoteSqliteName(table_) + " (";
    std::string insert = "INSERT INTO " + QuoteSqliteName(table_) + " VALUES (";
    for (std::size_t i = 0; i < columns.size(); ++i) {
        create += (i ? ", " : "") + QuoteSqliteName(columns[i].name) + " " + columns[i].declaredType;
        insert += i ? ",?" : "?";
    }
    Exec("BEGIN");
    open_ = true;
    Exec(create + ")");
    if (sqlite3_prepare_v2(db_, (insert + ")").c_str(), -1, &insert_, nullptr) != SQLITE_OK) Fail();
}

TableWriter::~TableWriter() {
    if (insert_) sqlite3_finalize(insert_);
    if (open_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

void TableWriter::Exec(const std::string& sql) {
    char* err = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::string msg = err ? err : sqlite3_errmsg(db_);
        sqlite3_free(err);
        throw DatabaseError("The table '" + table_ + "' could not be loaded into the snapshot: " + msg);
    }
}

void TableWriter::Fail() {
    throw DatabaseError("The table '" + table_ + "' could not be loaded into the snapshot: " + sqlite3_errmsg(db_));
}

void TableWriter::Insert(const std::vector<SnapshotCell>& row) {
    for (std::size_t i = 0; i < columns_; ++i) {
        int p = static_cast<int>(i) + 1;
        if (i >= row.size()) {
            sqlite3_bind_null(insert_, p);
            continue;
        }
        const SnapshotCell& c = row[i];
        switch (c.kind) {
            case SnapshotCell::Kind::Null: sqlite3_bind_null(insert_, p); break;
            case SnapshotCell::Kind::Integer: sqlite3_bind_int64(insert_, p, c.integer); break;
            case SnapshotCell::Kind::Real: sqlite3_bind_double(insert_, p, c.real); break;
            case SnapshotCell::Kind::Text:
                sqlite3_bind_text(insert_, p, c.text.data(), static_cast<int>(c.text.size()), SQLITE_STATIC);
                break;
        }
    }
    if (sqlite3_step(insert_) != SQLITE_DONE) Fail();
    sqlite3_reset(insert_);
}

void TableWriter::Commit() {
    sqlite3_finalize(insert_);
    insert_ = nullptr;
    Exec("COMMIT");
    open_ = false;
}

}  // namespace qdt::db::sheets
