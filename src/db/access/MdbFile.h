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

private:
    struct Handle;
    std::string path_;
    std::unique_ptr<Handle> handle_;
    std::vector<MdbTableInfo> tables_;
};

// Currency as libmdb reads it (an integer count of ten-thousandths) in exact
// decimal text: 125000 -> "12.5", 140000 -> "14".
std::string CurrencyText(std::int64_t tenThousandths);

}  // namespace qdt::db::access
