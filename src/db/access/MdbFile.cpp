#include "db/access/MdbFile.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>

#include "db/Error.h"
#include "db/Text.h"
#include "db/access/MdbCells.h"

namespace qdt::db::access {

namespace {

constexpr unsigned kOffsetMask = 0x1fff;  // row offsets carry flags in their top bits
constexpr std::uint32_t kCatalogPage = 2;  // MSysObjects' definition, in every version
constexpr unsigned char kDataPage = 0x01;
constexpr unsigned char kTableDefinitionPage = 0x02;
constexpr unsigned char kUsageMapPage = 0x05;
constexpr std::uint32_t kSystemObjectFlags = 0x80000002;

std::uint32_t ReadLE32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

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

bool IsSystemTable(const std::string& name, std::uint32_t flags) {
    // Access treats every MSys* name as its own, whatever the flags say.
    return (flags & kSystemObjectFlags) != 0 || ToLowerAscii(name.substr(0, 4)) == "msys";
}

struct TableDef {
    MdbTableDef* def;
    ~TableDef() {
        if (def) mdb_free_tabledef(def);
    }
};

}  // namespace

std::string DamagedMessage(const std::string& path, const std::string& detail) {
    return "'" + path + "' is damaged or not an Access file: " + detail + ".";
}

// The catalogue entries handed to libmdb are made here, so that libmdb never
// reads its own catalogue (nor the property blobs that come with it).
struct MdbFile::Entry {
    MdbCatalogEntry entry{};
};

struct MdbFile::Handle {
    MdbHandle* mdb = nullptr;
    int fd = -1;
    std::vector<std::unique_ptr<Entry>> entries;
    ~Handle() {
        if (mdb) mdb_close(mdb);
        if (fd >= 0) close(fd);
    }
    // The first bytes of a page, read past libmdb.
    bool ReadHead(std::uint32_t page, unsigned pageSize, unsigned char* out, std::size_t n) const {
        off_t at = static_cast<off_t>(page) * pageSize;
        return pread(fd, out, n, at) == static_cast<ssize_t>(n);
    }
};

// A table's pages are found through its usage map: either a bitmap of pages
// from a first page (type 0) or a list of bitmap pages (type 1). libmdb walks
// it as it stands, so every page it names must be in the file.
bool MdbFile::UsageMapFits(const unsigned char* map, std::size_t size) const {
    if (!map || size < 5 || size > pageSize_) return false;
    if (map[0] == 0) return ReadLE32(map + 1) < pageCount_;
    if (map[0] != 1) return false;
    for (std::size_t at = 1; at + 4 <= size; at += 4) {
        std::uint32_t page = ReadLE32(map + at);
        if (page == 0) continue;
        unsigned char head[1];
        if (page >= pageCount_ || !handle_->ReadHead(page, pageSize_, head, 1) || head[0] != kUsageMapPage)
            return false;
    }
    return true;
}

void MdbFile::Damaged(const std::string& detail) const { throw DatabaseError(DamagedMessage(path_, detail)); }

MdbFile::MdbFile(const std::string& path) : path_(path), handle_(std::make_unique<Handle>()) {
    CheckReadable(path);
    handle_->fd = open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (handle_->fd < 0)
        throw DatabaseError("Could not read the Access file '" + path + "': " + std::strerror(errno) + ".");

    // The header names the format, which fixes the page size; a whole file is
    // a whole number of pages, with the catalogue's definition on page 2.
    unsigned char header[0x20] = {};
    if (!handle_->ReadHead(0, 0, header, sizeof header)) Damaged("it is too short to be one");
    const char* magic = reinterpret_cast<const char*>(header + 4);
    if (header[0] != 0 || (std::memcmp(magic, "Standard Jet DB", 15) != 0 && std::memcmp(magic, "Standard ACE DB", 15)))
        Damaged("it does not begin as an Access file does");
    pageSize_ = header[0x14] == 0 ? 2048 : 4096;
    std::error_code ec;
    const std::uintmax_t size = std::filesystem::file_size(path, ec);
    if (ec || size % pageSize_ != 0)
        Damaged("its size, " + std::to_string(size) + " bytes, is no whole number of " + std::to_string(pageSize_) +
                "-byte pages, so it has been cut short");
    if (size / pageSize_ <= kCatalogPage || size / pageSize_ > 0xffffff) Damaged("it has no room for its table list");
    pageCount_ = static_cast<std::uint32_t>(size / pageSize_);

    handle_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
    if (!handle_->mdb) Damaged("libmdb could not open it");
    MdbHandle* mdb = handle_->mdb;
    if (static_cast<unsigned>(mdb->fmt->pg_size) != pageSize_) Damaged("its header names no known version");
    // Every value is kept as UTF-8; another target set in MDBICONV would garble text.
    std::string target = ToLowerAscii(mdb_target_charset(mdb));
    if (target != "utf-8" && target != "utf8")
        throw DatabaseError("Access files are read as UTF-8 text: unset MDBICONV (now '" + target +
                            "') to open '" + path + "'.");
    ReadCatalog();
}

MdbFile::~MdbFile() = default;

void MdbFile::ReadCatalog() {
    Entry catalog;
    catalog.entry.mdb = handle_->mdb;
    std::strcpy(catalog.entry.object_name, "MSysObjects");
    catalog.entry.object_type = MDB_SYSTEM_TABLE;
    catalog.entry.table_pg = kCatalogPage;
    int id = -1, name = -1, type = -1, flags = -1;
    std::set<std::string> names;
    WalkRows(
        catalog, "MSysObjects",
        [&](const std::vector<MdbColumnInfo>& columns) {
            for (std::size_t i = 0; i < columns.size(); ++i) {
                const std::string& n = columns[i].name;
                int at = static_cast<int>(i);
                if (n == "Id") id = at;
                if (n == "Name") name = at;
                if (n == "Type") type = at;
                if (n == "Flags") flags = at;
            }
            if (id < 0 || name < 0 || type < 0 || flags < 0) Damaged("its table list lacks the usual columns");
        },
        [&](const std::vector<MdbCell>& row) {
            const MdbCell& t = row[type];
            // The low bits of Type are the kind of object; 1 is a table.
            if (t.kind != MdbCell::Kind::Integer || (t.integer & 0x7f) != MDB_TABLE) return;
            if (row[id].kind != MdbCell::Kind::Integer || row[name].kind != MdbCell::Kind::Text) return;
            const std::string& objectName = row[name].bytes;
            auto page = static_cast<std::uint32_t>(row[id].integer) & 0x00ffffff;
            if (objectName.empty() || objectName.size() > MDB_MAX_OBJ_NAME ||
                !names.insert(ToLowerAscii(objectName)).second)
                Damaged("a name in its table list is unreadable");
            auto e = std::make_unique<Entry>();
            e->entry.mdb = handle_->mdb;
            std::memcpy(e->entry.object_name, objectName.data(), objectName.size());
            e->entry.object_type = MDB_TABLE;
            e->entry.table_pg = page;
            const MdbCell& f = row[flags];
            auto objectFlags = f.kind == MdbCell::Kind::Integer ? static_cast<std::uint32_t>(f.integer) : 0u;
            e->entry.flags = static_cast<int>(objectFlags);
            tables_.push_back(MdbTableInfo{objectName, IsSystemTable(objectName, objectFlags)});
            handle_->entries.push_back(std::move(e));
        });
    if (tables_.empty())
        Damaged("its table list names no table (an Access file encrypted with a database password cannot be read "
                "on this system either)");
}

void MdbFile::ReadTable(const std::string& name,
                        const std::function<void(const std::vector<MdbColumnInfo>&)>& onColumns, const RowSink& sink) {
    for (const auto& e : handle_->entries)
        if (name == e->entry.object_name) return WalkRows(*e, name, onColumns, sink);
    throw DatabaseError("The table '" + name + "' of '" + path_ + "' cannot be read.");
}

void MdbFile::WalkRows(Entry& e, const std::string& name,
                       const std::function<void(const std::vector<MdbColumnInfo>&)>& onColumns, const RowSink& sink) {
    MdbHandle* mdb = handle_->mdb;
    MdbCatalogEntry* entry = &e.entry;
    const std::string table = "the table '" + name + "'";
    unsigned char head[8];
    const auto definitionPage = static_cast<std::uint32_t>(entry->table_pg);
    if (entry->table_pg >= pageCount_ || !handle_->ReadHead(definitionPage, pageSize_, head, 8) ||
        head[0] != kTableDefinitionPage)
        Damaged("the definition of " + table + " is not where the table list puts it");
    TableDef def{mdb_read_table(entry)};
    if (!def.def) Damaged("the definition of " + table + " cannot be read");
    // A page holds at most one row per two bytes of its row-offset table.
    const std::uint64_t mostRows = static_cast<std::uint64_t>(pageCount_) * (pageSize_ / 2);
    if (def.def->num_cols == 0 || def.def->num_cols > MDB_MAX_COLS || def.def->num_rows > mostRows)
        Damaged("the definition of " + table + " gives impossible counts");
    if (!mdb_read_columns(def.def) || def.def->columns->len != def.def->num_cols)
        Damaged("the columns of " + table + " cannot be read");
    if (!UsageMapFits(def.def->usage_map, def.def->map_sz))
        Damaged("the page map of " + table + " points outside the file");

    const bool jet3 = IS_JET3(mdb);
    std::vector<MdbColumnInfo> columns;
    std::set<std::string> names;
    for (unsigned i = 0; i < def.def->num_cols; ++i) {
        auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def.def->columns, i));
        // Access keeps column names unique whatever their letter case.
        if (!col->name[0] || !names.insert(ToLowerAscii(col->name)).second)
            Damaged("the column names of " + table + " are unreadable");
        int length = col->col_size;
        // Jet 4 sizes text in bytes of UCS-2.
        if (col->col_type == MDB_TEXT && !jet3) length /= 2;
        columns.push_back(MdbColumnInfo{col->name, col->col_type, length, col->col_prec, col->col_scale});
    }
    onColumns(columns);

    mdb_rewind_table(def.def);
    std::vector<MdbField> fields(def.def->num_cols);
    std::vector<MdbCell> row(def.def->num_cols);
    std::set<std::uint32_t> pagesDone;
    std::uint32_t page = 0;
    unsigned long read = 0;
    while (mdb_fetch_row(def.def)) {
        // The row's page is in pg_buf: it must be in the file, one of this
        // table's data pages, and not one the walk has left before.
        std::uint32_t at = def.def->cur_phys_pg;
        if (at != page) {
            if (at >= pageCount_) Damaged(table + " goes on past the end of the file");
            if (mdb->pg_buf[0] != kDataPage || ReadLE32(mdb->pg_buf + 4) != entry->table_pg)
                Damaged(table + " runs into a page of something else");
            if (!pagesDone.insert(at).second) Damaged("the pages of " + table + " run in a circle");
            page = at;
        }
        if (read >= def.def->num_rows)
            Damaged(table + " should have " + std::to_string(def.def->num_rows) + " rows, but holds more");
        // Cracking the row again gives the raw pieces (libmdb's own bound
        // text would lose nulls and date precision).
        int rowStart = 0;
        std::size_t rowSize = 0;
        if (mdb_find_row(mdb, static_cast<int>(def.def->cur_row) - 1, &rowStart, &rowSize) != 0) continue;
        rowStart = static_cast<int>(static_cast<unsigned>(rowStart) & kOffsetMask);
        if (rowStart + rowSize > pageSize_) Damaged("a row of " + table + " reaches past its page");
        mdb_crack_row(def.def, rowStart, rowSize, fields.data());
        try {
            for (unsigned i = 0; i < def.def->num_cols; ++i) {
                if (fields[i].colnum < 0 || static_cast<unsigned>(fields[i].colnum) >= def.def->num_cols)
                    throw DatabaseError("a value belongs to no column");
                auto* col = static_cast<MdbColumn*>(g_ptr_array_index(def.def->columns, fields[i].colnum));
                row[fields[i].colnum] = DecodeField(mdb, col, fields[i], pageCount_);
            }
        } catch (const DatabaseError& e) {
            Damaged("in row " + std::to_string(read + 1) + " of " + table + ", " + e.what());
        }
        sink(row);
        ++read;
    }
    // libmdb ends a table quietly at a page it cannot read; a short table
    // must not pass for a whole one.
    if (read != def.def->num_rows)
        Damaged(table + " should have " + std::to_string(def.def->num_rows) + " rows, but only " +
                std::to_string(read) + " could be read");
}

}  // namespace qdt::db::access
