#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db::sheets {

// A workbook or a folder of text files served from its read-only SQLite
// snapshot. Statements are in the Access dialect, as for Access files, and are
// translated; writes are refused.
class SheetProvider : public ConnectionProvider {
public:
    // sourceName names the file or folder in refusals; kindOfSource says what
    // it is ("Excel files").
    SheetProvider(std::unique_ptr<SqliteProvider> snapshot, std::string sourceName, std::string kindOfSource);
    // The snapshot's statement filter calls back into this object.
    SheetProvider(const SheetProvider&) = delete;
    SheetProvider& operator=(const SheetProvider&) = delete;

    std::unique_ptr<Recordset> Execute(const std::string& sql) override { return snapshot_->Execute(sql); }
    // One row per table, in the source's own order (worksheets as the
    // workbook orders them), all of type TABLE.
    std::unique_ptr<Recordset> OpenSchemaTables() override;
    void Close() override { snapshot_->Close(); }
    void BeginTrans() override { snapshot_->BeginTrans(); }
    void CommitTrans() override { snapshot_->CommitTrans(); }
    void RollbackTrans() override { snapshot_->RollbackTrans(); }
    std::vector<std::string> Warnings() const override { return warnings_; }

    sqlite3* Handle() const { return snapshot_->Handle(); }
    void AddWarning(std::string text) { warnings_.push_back(std::move(text)); }

protected:
    // The tables OpenSchemaTables lists.
    virtual std::vector<std::string> TableNames() const = 0;
    // Called with the names of the tables a statement reads, before it runs.
    virtual void PrepareTables(const std::vector<std::string>&) {}

private:
    std::unique_ptr<SqliteProvider> snapshot_;
    std::vector<std::string> warnings_;
};

// The parts of an "Extended Properties" value ("Excel 8.0;HDR=yes"), trimmed,
// with blanks around "=" dropped: {"Excel 8.0", "HDR=yes"}.
std::vector<std::string> SplitExtendedProperties(const std::string& value);

}  // namespace qdt::db::sheets
