#pragma once

#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

#include "db/access/MdbFile.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db::access {

// Files up to this size are copied into memory; larger ones into a temporary
// SQLite file, so a big shop database does not have to fit in RAM twice.
constexpr std::uintmax_t kInMemorySnapshotLimit = 64ull * 1024 * 1024;

struct SnapshotOptions {
    std::uintmax_t inMemoryLimit = kInMemorySnapshotLimit;
    // Where temporary snapshot files go; the system's temporary folder when empty.
    std::string tempDir;
};

// A SQLite copy of every user table of an Access file, set query-only.
struct Snapshot {
    SqliteHandle db;
    // The name the temporary file had, empty for an in-memory snapshot. The
    // file is unlinked as soon as SQLite has it open, so that no plaintext
    // copy outlives the process however it ends.
    std::string tempFile;
    std::vector<MdbTableInfo> tables;
};

// Builds the snapshot; on failure nothing is left behind (no handle, no file).
Snapshot BuildSnapshot(MdbFile& file, std::uintmax_t fileSize, const SnapshotOptions& options);

// Copies a SQLite file that serves as an Access file's snapshot, so that the
// file itself is only ever read; in memory, or in an unlinked temporary file
// when it is larger than the options' limit. The copy's tables are listed.
Snapshot CopySqliteSnapshot(const std::string& path, const SnapshotOptions& options);

// The declared SQLite type of an Access column; TypeFromDeclaredType reads the
// type code back from it.
std::string DeclaredType(const MdbColumnInfo& column);


}  // namespace qdt::db::access
