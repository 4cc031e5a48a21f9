#include "db/access/MdbFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "db/Error.h"
#include "db/Text.h"
#include "db/access/MdbCells.h"

namespace qdt::db::access {

struct MdbFile::Handle {
    MdbHandle* mdb = nullptr;
    ~Handle() {
        if (mdb) mdb_close(mdb);
    }
};

namespace {

constexpr unsigned kOffsetMask = 0x1fff;  // row offsets carry flags in their top bits

void CheckReadable(const std::string& path) {
    std::error_code ec;
    if (path.empty()) throw DatabaseError("The connection string names no Access file (Data Source=...).");
    if (!std::filesystem::exists(path, ec))
        throw DatabaseError("Could not find the Access file '" + path + "'.");
    if (!std::filesystem::is_regular_file(path, ec))
        throw DatabaseError("'" + path + "' is not a file, so it cannot be opened as an Access database.");
    std::ifstream probe(path, std::ios::binary);
    if (!probe) throw DatabaseError("Could not read the Access file '" + path + "': " + std::strerror(errno) + ".");
}

bool IsSystemTable(MdbCatalogEntry* entry) {
    // Access treats every MSys* name as its own, whatever the flags say.
    return mdb_is_system_table(entry) || ToLowerAscii(std::string(entry->object_name).substr(0, 4)) == "msys";
}

struct TableDef {
    MdbTableDef* def;
    ~TableDef() {
        if (def) mdb_free_tabledef(def);
    }
};

}  // namespace

MdbFile::MdbFile(const std::string& path) : path_(path), handle_(std::make_unique<Handle>()) {
    CheckReadable(path);
    handle_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!handle_->mdb)
        throw DatabaseError("'" + path + "' is not an Access database, or it is damaged: it could not be opened.");
    MdbHandle* mdb = handle_->mdb;
    // Every value is kept as UTF-8; another target set in MDBICONV would garble text.
    std::string target = ToLowerAscii(mdb_target_charset(mdb));
    if (target != "utf-8" && target != "utf8")
        throw DatabaseError("Access files are read as UTF-8 text: unset MDBICONV (now '" + target +
                            "') to open '" + path + "'.");
    if (!mdb_read_catalog(mdb, MDB_TABLE) || mdb->num_catalog == 0)
        throw DatabaseError("The table list of '" + path +
                            "' cannot be read: the file is damaged, or it is encrypted with a database password "
                            "(encrypted Access files cannot be read on this system).");
    for (unsigned i = 0; i < mdb->num_catalog; ++i) {
        auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (entry->object_type != MDB_TABLE) continue;
        tables_.push_back(MdbTableInfo{entry->object_name, IsSystemTable(entry)});
    }
}

MdbFile::~MdbFile() = default;

void MdbFile::ReadTable(const std::string& name,
                        const std::function<void(const std::vector<MdbColumnInfo>&)>& onColumns, const RowSink& sink) {
    MdbHandle* mdb = handle_->mdb;
    MdbCatalogEntry* entry = nullptr;
    for (unsigned i = 0; i < mdb->num_catalog && !entry; ++i) {
        auto* e = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
        if (e->object_type == MDB_TABLE && name == e->object_name) entry = e;
    }
    TableDef table{entry ? mdb_read_table(entry) : nullptr};
    if (!table.def) throw DatabaseError("The table '" + name + "' of '" + path_ + "' cannot be read.");
    if (!mdb_read_columns(table.def))
        throw DatabaseError("The columns of the table '" + name + "' of '" + path_ + "' cannot be read.");

    const bool jet3 = IS_JET3(mdb);
    std::vector<MdbColumnInfo> columns;
    for (unsigned i = 0; i < table.def->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table.def->columns, i));
        int length = col->col_size;
        // Jet 4 sizes text in bytes of UCS-2.
        if (col->col_type == MDB_TEXT && !jet3) length /= 2;
        columns.push_back(MdbColumnInfo{col->name, col->col_type, length, col->col_prec, col->col_scale});
    }
    onColumns(columns);

    mdb_rewind_table(table.def);
    std::vector<MdbField> fields(table.def->num_cols);
    std::vector<MdbCell> row(table.def->num_cols);
    unsigned long read = 0;
    while (mdb_fetch_row(table.def)) {
        // mdb_fetch_row leaves the row's page in pg_buf; cracking it again gives
        // the raw pieces (its own bound text would lose nulls and date precision).
        int rowStart = 0;
        std::size_t rowSize = 0;
        if (mdb_find_row(mdb, static_cast<int>(table.def->cur_row) - 1, &rowStart, &rowSize) != 0) continue;
        rowStart = static_cast<int>(static_cast<unsigned>(rowStart) & kOffsetMask);
        mdb_crack_row(table.def, rowStart, rowSize, fields.data());
        try {
            for (unsigned i = 0; i < table.def->num_cols; ++i) {
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(table.def->columns, fields[i].colnum));
                row[fields[i].colnum] = DecodeField(mdb, col, fields[i]);
            }
        } catch (const DatabaseError& e) {
            throw DatabaseError("The Access file '" + path_ + "' is damaged: in row " + std::to_string(read + 1) +
                                " of the table '" + name + "', " + e.what() + ".");
        }
        sink(row);
        ++read;
    }
    // libmdb ends a table quietly at a page it cannot read; a short table
    // must not pass for a whole one.
    if (read != table.def->num_rows)
        throw DatabaseError("The Access file '" + path_ + "' is damaged: the table '" + name + "' should have " +
                            std::to_string(table.def->num_rows) + " rows, but only " + std::to_string(read) +
                            " could be read.");
}

}  // namespace qdt::db::access
