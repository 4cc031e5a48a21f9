#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

namespace qdt::db::sheets {

// Workbooks and text files are loaded into a SQLite copy that the statements
// then run on. Sources up to this size are copied into memory; larger ones go
// to a temporary file, so a big file never has to fit in memory.
constexpr std::uintmax_t kInMemorySnapshotLimit = 4ull * 1024 * 1024;

struct SnapshotPlace {
    std::uintmax_t inMemoryLimit = kInMemorySnapshotLimit;
    // Where temporary snapshot files go; the system's temporary folder when empty.
    std::string tempDir;
};

// One value as the snapshot stores it.
struct SnapshotCell {
    enum class Kind { Null, Text, Real, Integer };
    Kind kind = Kind::Null;
    std::string text;
    double real = 0;
    std::int64_t integer = 0;

    static SnapshotCell Null() { return {}; }
    static SnapshotCell Text(std::string t) { return {Kind::Text, std::move(t), 0, 0}; }
    static SnapshotCell Real(double v) { return {Kind::Real, {}, v, 0}; }
    static SnapshotCell Integer(std::int64_t v) { return {Kind::Integer, {}, 0, v}; }
};

struct SnapshotColumn {
    std::string name;
    std::string declaredType;  // read back by TypeFromDeclaredType
};

// The SQLite database a source is copied into. A temporary file is unlinked
// as soon as it is open: with the journal off SQLite never reopens it, and
// the space is returned however the program ends.
class SheetSnapshot {
public:
    // sourceSize chooses memory or a temporary file; source names the file in messages.
    SheetSnapshot(std::uintmax_t sourceSize, const SnapshotPlace& place, const std::string& source);
    ~SheetSnapshot();
    SheetSnapshot(const SheetSnapshot&) = delete;
    SheetSnapshot& operator=(const SheetSnapshot&) = delete;

    // Hands the handle over (to a SqliteProvider); the snapshot no longer closes it.
    sqlite3* Release();
    bool OnDisk() const { return onDisk_; }

private:
    sqlite3* db_ = nullptr;
    bool onDisk_ = false;
};

// Writes one table into an open snapshot inside one transaction. Until
// Commit() the table is dropped again when the writer goes away, so a source
// that fails half-way leaves no half table behind.
class TableWriter {
public:
    TableWriter(sqlite3* db, std::string table, const std::vector<SnapshotColumn>& columns);
    ~TableWriter();
    TableWriter(const TableWriter&) = delete;
    TableWriter& operator=(const TableWriter&) = delete;

    // A row shorter than the columns is padded with Null.
    void Insert(const std::vector<SnapshotCell>& row);
    void Commit();

private:
    void Exec(const std::string& sql);
    [[noreturn]] void Fail();
    sqlite3* db_;
    std::string table_;
    std::size_t columns_;
    sqlite3_stmt* insert_ = nullptr;
    bool open_ = false;
};

// A table or column name in SQLite's double quotes.
std::string QuoteSqliteName(const std::string& name);

// Runs a statement of the snapshot's own upkeep; throws DatabaseError.
void ExecSnapshot(sqlite3* db, const std::string& sql);

}  // namespace qdt::db::sheets
