#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/access/AccessSnapshot.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db::access {

// An Access file served from its read-only SQLite snapshot. Statements in the
// Access dialect are translated; writes are refused.
class AccessProvider : public ConnectionProvider {
public:
    AccessProvider(std::unique_ptr<SqliteProvider> snapshot, std::vector<MdbTableInfo> tables,
                   std::string snapshotFile);

    std::unique_ptr<Recordset> Execute(const std::string& sql) override { return snapshot_->Execute(sql); }
    // The file's own tables, MSys* ones as SYSTEM TABLE, even though only
    // user tables are copied.
    std::unique_ptr<Recordset> OpenSchemaTables() override;
    void Close() override { snapshot_->Close(); }
    // Nothing can change, so a transaction has nothing to keep or undo; the
    // snapshot still takes BEGIN/COMMIT so that misuse is reported alike.
    void BeginTrans() override { snapshot_->BeginTrans(); }
    void CommitTrans() override { snapshot_->CommitTrans(); }
    void RollbackTrans() override { snapshot_->RollbackTrans(); }

    // The name the temporary SQLite file of a large file's snapshot had
    // (already unlinked), empty when the snapshot is in memory.
    const std::string& SnapshotFile() const { return snapshotFile_; }

private:
    std::unique_ptr<SqliteProvider> snapshot_;
    std::vector<MdbTableInfo> tables_;
    std::string snapshotFile_;
};

// Opens an Access file by path: an .mdb or .accdb file is loaded into a new
// snapshot; a SQLite file is taken as a snapshot already made (yes/no columns
// holding 1 and 0) and read as it is. Throws DatabaseError naming the file.
std::unique_ptr<AccessProvider> OpenAccessFile(const std::string& path, const SnapshotOptions& options = {});

// A SQLite file serving as an Access snapshot: read into a copy (the file
// itself is never written), its tables listed, its statements translated
// from the Access dialect.
std::unique_ptr<AccessProvider> OpenAccessSnapshotFile(const std::string& path, const SnapshotOptions& options = {});

// Whether the file starts with SQLite's header.
bool IsSqliteFile(const std::string& path);

}  // namespace qdt::db::access
