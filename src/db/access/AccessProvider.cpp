#include "db/access/AccessProvider.h"

#include <algorithm>
#include <filesystem>
#include <tuple>

#include "db/Error.h"
#include "db/Providers.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/AccessWriteGuard.h"
#include "db/access/LibraryOutput.h"

namespace qdt::db::access {

namespace {

// The table list is a few dozen names, so it is simply held.
class TableListRecordset final : public Recordset {
public:
    explicit TableListRecordset(std::vector<MdbTableInfo> tables) : tables_(std::move(tables)) {
        for (const char* name : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"})
            fields_.emplace_back(name, kVarWChar);
        Start();
    }

protected:
    bool FetchRow() override {
        if (next_ >= tables_.size()) return false;
        const MdbTableInfo& t = tables_[next_++];
        fields_[0].SetValue(Value::Null());
        fields_[1].SetValue(Value::Null());
        fields_[2].SetValue(Value::Text(t.name));
        fields_[3].SetValue(Value::Text(t.system ? "SYSTEM TABLE" : "TABLE"));
        return true;
    }
    void Rewind() override { next_ = 0; }
    void Release() override { tables_.clear(); }

private:
    std::vector<MdbTableInfo> tables_;
    std::size_t next_ = 0;
};

}  // namespace

AccessProvider::AccessProvider(std::unique_ptr<SqliteProvider> snapshot, std::vector<MdbTableInfo> tables,
                               std::string snapshotFile)
    : snapshot_(std::move(snapshot)), tables_(std::move(tables)), snapshotFile_(std::move(snapshotFile)) {
    // Same order as the other providers give: by type, then by name.
    auto type = [](const MdbTableInfo& t) { return std::string(t.system ? "SYSTEM TABLE" : "TABLE"); };
    std::stable_sort(tables_.begin(), tables_.end(), [&](const MdbTableInfo& a, const MdbTableInfo& b) {
        return std::make_tuple(type(a), a.name) < std::make_tuple(type(b), b.name);
    });
}

std::unique_ptr<Recordset> AccessProvider::OpenSchemaTables() {
    return std::make_unique<TableListRecordset>(tables_);
}

std::unique_ptr<AccessProvider> OpenAccessFile(const std::string& path, const SnapshotOptions& options) {
    // libmdb is used only here, while the snapshot is built.
    LibraryOutputScope quiet;
    MdbFile file(path);
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) size = 0;
    Snapshot snap = BuildSnapshot(file, size, options);
    auto sqlite = std::make_unique<SqliteProvider>(std::move(snap.db));
    std::string fileName = std::filesystem::path(path).filename().string();
    sqlite->SetStatementFilter([fileName](const std::string& sql) {
        std::vector<SqlToken> tokens = TokenizeAccessSql(sql);
        RefuseWrites(tokens, fileName);
        return TranslateAccessSql(std::move(tokens));
    });
    return std::make_unique<AccessProvider>(std::move(sqlite), std::move(snap.tables), snap.tempFile);
}

}  // namespace qdt::db::access

namespace qdt::db {

std::unique_ptr<ConnectionProvider> OpenAccessProvider(const ConnectionStringInfo& info) {
    // Jet and ACE passwords are not needed to read the data pages libmdb can
    // decode, and are never repeated in a message.
    return access::OpenAccessFile(info.GetOr("Data Source", ""));
}

}  // namespace qdt::db
