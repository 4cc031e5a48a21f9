#include "db/access/AccessSnapshot.h"

#include <glib.h>
#include <mdbtools.h>
#include <unistd.h>

#include <filesystem>

#include "db/Error.h"

namespace qdt::db::access {

namespace {

std::string QuoteName(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The handle is closed unless the snapshot is handed over.
struct Building {
    SqliteHandle db;
    void Exec(const std::string& sql) {
        char* err = nullptr;
        if (sqlite3_exec(db.get(), sql.c_str(), nullptr, nullptr, &err) != SQLITE_OK) {
            std::string msg = err ? err : sqlite3_errmsg(db.get());
            sqlite3_free(err);
            throw DatabaseError("The snapshot of the Access file could not be built: " + msg);
        }
    }
};

std::string MakeTempFile(const SnapshotOptions& options) {
    std::filesystem::path dir = options.tempDir.empty() ? std::filesystem::temp_directory_path()
                                                        : std::filesystem::path(options.tempDir);
    std::string pattern = (dir / "qdt-access-XXXXXX.sqlite").string();
    int fd = mkstemps(pattern.data(), 7);
    if (fd < 0)
        throw DatabaseError("No temporary file for the Access snapshot could be made in '" + dir.string() + "'.");
    close(fd);
    return pattern;
}

class TableCopier {
public:
    TableCopier(Building& b, const std::string& table) : b_(b), table_(table) {}
    ~TableCopier() {
        if (insert_) sqlite3_finalize(insert_);
    }

    void CreateTable(const std::vector<MdbColumnInfo>& columns) {
        if (columns.empty()) return;  // SQLite has no table without columns
        std::string create = "CREATE TABLE " + QuoteName(table_) + " (";
        std::string insert = "INSERT INTO " + QuoteName(table_) + " VALUES (";
        for (std::size_t i = 0; i < columns.size(); ++i) {
            create += (i ? ", " : "") + QuoteName(columns[i].name) + " " + DeclaredType(columns[i]);
            insert += i ? ",?" : "?";
        }
        b_.Exec(create + ")");
        insert += ")";
        if (sqlite3_prepare_v2(b_.db.get(), insert.c_str(), -1, &insert_, nullptr) != SQLITE_OK) Fail();
    }

    void Insert(const std::vector<MdbCell>& row) {
        if (!insert_) return;
        for (std::size_t i = 0; i < row.size(); ++i) {
            const MdbCell& c = row[i];
            int p = static_cast<int>(i) + 1;
            switch (c.kind) {
                case MdbCell::Kind::Null: sqlite3_bind_null(insert_, p); break;
                case MdbCell::Kind::Integer: sqlite3_bind_int64(insert_, p, c.integer); break;
                case MdbCell::Kind::Real: sqlite3_bind_double(insert_, p, c.real); break;
                case MdbCell::Kind::Text:
                    sqlite3_bind_text(insert_, p, c.bytes.data(), static_cast<int>(c.bytes.size()), SQLITE_STATIC);
                    break;
                case MdbCell::Kind::Blob:
                    if (c.bytes.empty())
                        sqlite3_bind_zeroblob(insert_, p, 0);
                    else
                        sqlite3_bind_blob(insert_, p, c.bytes.data(), static_cast<int>(c.bytes.size()), SQLITE_STATIC);
                    break;
            }
        }
        if (sqlite3_step(insert_) != SQLITE_DONE) Fail();
        sqlite3_reset(insert_);
    }

private:
    [[noreturn]] void Fail() {
        throw DatabaseError("The table '" + table_ + "' could not be copied into the snapshot: " +
                            sqlite3_errmsg(b_.db.get()));
    }
    Building& b_;
    std::string table_;
    sqlite3_stmt* insert_ = nullptr;
};

}  // namespace

std::string DeclaredType(const MdbColumnInfo& c) {
    switch (c.mdbType) {
        case MDB_BOOL: return "BOOLEAN";
        case MDB_BYTE: return "TINYINT";
        case MDB_INT: return "SMALLINT";
        case MDB_LONGINT: return "INTEGER";
        case MDB_MONEY: return "CURRENCY";
        case MDB_FLOAT: return "SINGLE";
        case MDB_DOUBLE: return "DOUBLE";
        case MDB_DATETIME: return "DATETIME";
        case MDB_BINARY: return "VARBINARY(" + std::to_string(c.length) + ")";
        case MDB_TEXT: return "VARCHAR(" + std::to_string(c.length) + ") COLLATE NOCASE";
        case MDB_OLE: return "LONGBINARY";
        case MDB_MEMO: return "LONGTEXT COLLATE NOCASE";
        case MDB_REPID: return "GUID";
        case MDB_NUMERIC: return "DECIMAL(" + std::to_string(c.precision) + "," + std::to_string(c.scale) + ")";
        // Attachment and multi-value columns hold the key of their hidden rows.
        case MDB_COMPLEX: return "INTEGER";
        default: return "";
    }
}

Snapshot CopySqliteSnapshot(const std::string& path, const SnapshotOptions& options) {
    sqlite3* rawSource = nullptr;
    int rc = sqlite3_open_v2(path.c_str(), &rawSource, SQLITE_OPEN_READONLY, nullptr);
    SqliteHandle source(rawSource);
    if (rc != SQLITE_OK)
        throw DatabaseError("The SQLite file '" + path + "' could not be opened: " +
                            (rawSource ? sqlite3_errmsg(rawSource) : "out of memory"));
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    std::string tempFile;
    if (!ec && size > options.inMemoryLimit) tempFile = MakeTempFile(options);
    const std::string target = tempFile.empty() ? ":memory:" : tempFile;
    sqlite3* raw = nullptr;
    rc = sqlite3_open_v2(target.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    Building b;
    b.db.reset(raw);
    if (!tempFile.empty()) unlink(tempFile.c_str());
    if (rc != SQLITE_OK)
        throw DatabaseError("The snapshot of '" + path + "' could not be created: " +
                            (raw ? sqlite3_errmsg(raw) : "out of memory"));
    sqlite3_backup* backup = sqlite3_backup_init(raw, "main", source.get(), "main");
    if (backup) {
        rc = sqlite3_backup_step(backup, -1);
        sqlite3_backup_finish(backup);
    }
    if (!backup || rc != SQLITE_DONE)
        throw DatabaseError("'" + path + "' could not be read as a SQLite snapshot: " + sqlite3_errmsg(raw));
    b.Exec("PRAGMA query_only=1");

    Snapshot s;
    sqlite3_stmt* names = nullptr;
    if (sqlite3_prepare_v2(raw, "SELECT name FROM sqlite_master WHERE type = 'table'", -1, &names, nullptr) ==
        SQLITE_OK) {
        while (sqlite3_step(names) == SQLITE_ROW) {
            std::string name = reinterpret_cast<const char*>(sqlite3_column_text(names, 0));
            s.tables.push_back({name, name.rfind("sqlite_", 0) == 0});
        }
    }
    sqlite3_finalize(names);
    s.db = std::move(b.db);
    s.tempFile = tempFile;
    return s;
}

Snapshot BuildSnapshot(MdbFile& file, std::uintmax_t fileSize, const SnapshotOptions& options) {
    Building b;
    std::string tempFile;
    if (fileSize > options.inMemoryLimit) tempFile = MakeTempFile(options);
    const std::string target = tempFile.empty() ? ":memory:" : tempFile;
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(target.c_str(), &raw, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    b.db.reset(raw);
    // The copy is rebuilt from the Access file at every open; it needs no
    // journal, which is also what lets it live on after its name is gone.
    if (rc == SQLITE_OK) rc = sqlite3_exec(raw, "PRAGMA journal_mode=OFF", nullptr, nullptr, nullptr);
    if (!tempFile.empty()) unlink(tempFile.c_str());
    if (rc != SQLITE_OK)
        throw DatabaseError("The snapshot of '" + file.Path() + "' could not be created: " +
                            (raw ? sqlite3_errmsg(raw) : "out of memory"));
    b.Exec("PRAGMA synchronous=OFF");
    b.Exec("BEGIN");
    for (const MdbTableInfo& table : file.Tables()) {
        if (table.system) continue;
        TableCopier copier(b, table.name);
        file.ReadTable(
            table.name, [&](const std::vector<MdbColumnInfo>& columns) { copier.CreateTable(columns); },
            [&](const std::vector<MdbCell>& row) { copier.Insert(row); });
    }
    b.Exec("COMMIT");
    b.Exec("PRAGMA query_only=1");

    Snapshot s;
    s.db = std::move(b.db);
    s.tempFile = tempFile;
    s.tables = file.Tables();
    return s;
}

}  // namespace qdt::db::access
