#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// libmdb's handle types, kept out of every other header.
struct S_MdbTableDef;

namespace qdt::db::access {

struct MdbTableInfo {
    std::string name;
    bool system = false;  // MSys* tables: listed, never copied
};

struct MdbColumnInfo {
    std::string name;
    int mdbType = 0;  // libmdb's MDB_* type
    int length = 0;   // characters for text, bytes for binary
    int precision = 0;
    int scale = 0;
};

// One value as the snapshot stores it: Access types are already turned into
// SQLite's natural forms (currency and decimals as exact text, dates as
// "YYYY-MM-DD HH:MM:SS", booleans 1/0, text as UTF-8).
struct MdbCell {
    enum class Kind { Null, Integer, Real, Text, Blob };
    Kind kind = Kind::Null;
    std::int64_t integer = 0;
    double real = 0;
    std::string bytes;  // text or binary
};

// An Access file opened through libmdb, read only. Rows are streamed.
//
// libmdb trusts the file: a cut or damaged one sends it round a loop for ever,
// growing. So the file's shape is checked before libmdb sees it, the table
// list is read here rather than by libmdb (whose reader also decodes property
// blobs, where such files loop), and every walk is held to the file: pages
// inside it and of the right kind, no page visited twice, no more rows than the
// table declares, long values no longer than the file. Whatever breaks these
// ends in a DatabaseError saying the file "is damaged or not an Access file".
class MdbFile {
public:
    // Throws DatabaseError naming the file when it is missing, unreadable,
    // not an Access file or cannot be decoded.
    explicit MdbFile(const std::string& path);
    ~MdbFile();
    MdbFile(const MdbFile&) = delete;
    MdbFile& operator=(const MdbFile&) = delete;

    const std::string& Path() const { return path_; }
    // Every table of the catalogue, in the file's order.
    const std::vector<MdbTableInfo>& Tables() const { return tables_; }

    using RowSink = std::function<void(const std::vector<MdbCell>&)>;
    // Reads the columns of a table, then hands each row to sink in turn.
    void ReadTable(const std::string& name, const std::function<void(const std::vector<MdbColumnInfo>&)>& onColumns,
                   const RowSink& sink);

    // The file's pages, each of PageSize() bytes.
    std::uint32_t PageCount() const { return pageCount_; }
    unsigned PageSize() const { return pageSize_; }

private:
    struct Handle;
    struct Entry;
    void ReadCatalog();
    void WalkRows(Entry& entry, const std::string& name,
                  const std::function<void(const std::vector<MdbColumnInfo>&)>& onColumns, const RowSink& sink);
    bool UsageMapFits(const unsigned char* map, std::size_t size) const;
    [[noreturn]] void Damaged(const std::string& detail) const;
    std::string path_;
    unsigned pageSize_ = 0;
    std::uint32_t pageCount_ = 0;
    std::unique_ptr<Handle> handle_;
    std::vector<MdbTableInfo> tables_;
};

// The error for a file that cannot be what it claims.
std::string DamagedMessage(const std::string& path, const std::string& detail);

// Currency as libmdb reads it (an integer count of ten-thousandths) in exact
// decimal text: 125000 -> "12.5", 140000 -> "14".
std::string CurrencyText(std::int64_t tenThousandths);

}  // namespace qdt::db::access
