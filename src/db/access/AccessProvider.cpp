#include "db/access/AccessProvider.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <tuple>

#include "db/Error.h"
#include "db/Providers.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/AccessWriteGuard.h"
#include "db/access/FilterIndexes.h"
#include "db/access/JetFunctions.h"
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

namespace {

// Statements reach the snapshot in the Access dialect and leave it in SQLite's.
void ServeAccessDialect(SqliteProvider& sqlite, const std::string& path) {
    RegisterJetFunctions(sqlite.Handle());
    std::string fileName = std::filesystem::path(path).filename().string();
    auto indexes = std::make_shared<FilterIndexes>(sqlite.Handle());
    sqlite.SetStatementFilter([fileName, indexes](const std::string& sql) {
        std::vector<SqlToken> tokens = TokenizeAccessSql(sql);
        RefuseWrites(tokens, fileName);
        std::vector<std::string> tables;
        const std::vector<SqlToken> access = tokens;
        std::string translated = TranslateAccessSql(std::move(tokens), &tables);
        indexes->Prepare(access, tables);
        return translated;
    });
}

}  // namespace

std::unique_ptr<AccessProvider> OpenAccessFile(const std::string& path, const SnapshotOptions& options) {
    if (IsSqliteFile(path)) return OpenAccessSnapshotFile(path, options);
    // libmdb is used only here, while the snapshot is built.
    LibraryOutputScope quiet;
    MdbFile file(path);
    std::error_code ec;
    std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec) size = 0;
    Snapshot snap = BuildSnapshot(file, size, options);
    auto sqlite = std::make_unique<SqliteProvider>(std::move(snap.db));
    ServeAccessDialect(*sqlite, path);
    return std::make_unique<AccessProvider>(std::move(sqlite), std::move(snap.tables), snap.tempFile);
}

bool IsSqliteFile(const std::string& path) {
    static constexpr char kHeader[] = "SQLite format 3";  // with its NUL: 16 bytes
    char start[sizeof kHeader] = {};
    std::ifstream in(path, std::ios::binary);
    return in.read(start, sizeof start) && std::equal(start, start + sizeof start, kHeader);
}

std::unique_ptr<AccessProvider> OpenAccessSnapshotFile(const std::string& path, const SnapshotOptions& options) {
    // The file is only read, into a copy of the tool's own that is then
    // served as an Access file's snapshot is.
    Snapshot snap = CopySqliteSnapshot(path, options);
    auto sqlite = std::make_unique<SqliteProvider>(std::move(snap.db));
    ServeAccessDialect(*sqlite, path);
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
