#include "db/access/MdbCells.h"

#include <cstring>
#include <vector>

#include "db/Error.h"
#include "db/Value.h"
#include "db/access/AccessDate.h"

namespace qdt::db::access {

namespace {

// Little-endian reads, whatever the machine's own order.
std::uint64_t ReadLE(const unsigned char* p, int bytes) {
    std::uint64_t v = 0;
    for (int i = bytes - 1; i >= 0; --i) v = (v << 8) | p[i];
    return v;
}

double ReadDouble(const unsigned char* p) {
    std::uint64_t bits = ReadLE(p, 8);
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

float ReadSingle(const unsigned char* p) {
    auto bits = static_cast<std::uint32_t>(ReadLE(p, 4));
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

MdbCell Integer(std::int64_t v) {
    MdbCell c;
    c.kind = MdbCell::Kind::Integer;
    c.integer = v;
    return c;
}

MdbCell Real(double v) {
    MdbCell c;
    c.kind = MdbCell::Kind::Real;
    c.real = v;
    return c;
}

MdbCell Bytes(MdbCell::Kind kind, std::string bytes) {
    MdbCell c;
    c.kind = kind;
    c.bytes = std::move(bytes);
    return c;
}

// libmdb returns g_malloc'ed strings from several helpers.
std::string TakeGString(char* s) {
    std::string out = s ? s : "";
    g_free(s);
    return out;
}

// Memo and OLE values live outside the row ("long values"): inline, on one
// other page, or in a chain of pages. libmdb's reader copies each piece into
// the column's bind buffer, which is lent to it only for this call.
std::string ReadLongValue(MdbHandle* mdb, MdbColumn* col, int start, int size, std::uint32_t pageCount) {
    if (size < MDB_MEMO_OVERHEAD) return {};
    unsigned char header[MDB_MEMO_OVERHEAD];
    std::memcpy(header, mdb->pg_buf + start, MDB_MEMO_OVERHEAD);
    const std::size_t total = ReadLE(header, 4) & 0x3fffffff;
    if (total == 0) return {};
    // Unless the value is kept in the row itself, its first piece is on the
    // page named in the header; no value is larger than the file.
    const bool inRow = (header[3] & 0x80) != 0;
    const std::uint64_t firstPage = ReadLE(header + 4, 4) >> 8;
    const std::uint64_t fileBytes = static_cast<std::uint64_t>(pageCount) * mdb->fmt->pg_size;
    if ((!inRow && (firstPage == 0 || firstPage >= pageCount)) || total > fileBytes)
        throw DatabaseError("the " + std::string(col->col_type == MDB_MEMO ? "memo" : "OLE") + " value of '" +
                            col->name + "' points outside the file");
    std::vector<char> chunk(MDB_PGSIZE + MDB_MEMO_OVERHEAD);
    struct Lend {
        MdbColumn* col;
        ~Lend() { col->bind_ptr = nullptr; }
    } lend{col};
    col->bind_ptr = chunk.data();
    col->cur_value_start = start;
    col->cur_value_len = size;
    std::string out;
    std::size_t n = mdb_ole_read(mdb, col, header, MDB_PGSIZE);
    while (n > 0 && n <= chunk.size()) {
        out.append(chunk.data(), n);
        // A damaged chain could loop; the declared length bounds the read.
        if (out.size() >= total) break;
        n = mdb_ole_read_next(mdb, col, header);
    }
    if (out.size() < total)
        throw DatabaseError("the " + std::string(col->col_type == MDB_MEMO ? "memo" : "OLE") + " value of '" +
                            col->name + "' has " + std::to_string(total) + " bytes, but only " +
                            std::to_string(out.size()) + " could be read");
    out.resize(total);
    return out;
}

}  // namespace

std::string CurrencyText(std::int64_t tenThousandths) {
    bool negative = tenThousandths < 0;
    std::uint64_t magnitude = negative ? 0 - static_cast<std::uint64_t>(tenThousandths)
                                       : static_cast<std::uint64_t>(tenThousandths);
    std::string fraction = std::to_string(magnitude % 10000);
    fraction.insert(0, 4 - fraction.size(), '0');
    return NormalizeDecimal((negative ? "-" : "") + std::to_string(magnitude / 10000) + "." + fraction);
}

std::string DecodeText(MdbHandle* mdb, const char* data, std::size_t size) {
    if (size == 0) return {};
    std::vector<char> out(size * 3 + 8);
    int n = mdb_unicode2ascii(mdb, data, size, out.data(), out.size());
    return std::string(out.data(), n > 0 ? static_cast<std::size_t>(n) : 0);
}

MdbCell DecodeField(MdbHandle* mdb, MdbColumn* col, const MdbField& field, std::uint32_t pageCount) {
    // A yes/no column has no null: its value is the row's null-mask bit itself.
    if (col->col_type == MDB_BOOL) return Integer(field.is_null ? 0 : 1);
    if (field.is_null) return {};
    const int start = field.start;
    const int size = field.siz;
    if (start < 0 || size < 0 || start + size > static_cast<int>(mdb->fmt->pg_size)) return {};
    const unsigned char* p = mdb->pg_buf + start;
    auto needs = [&](int bytes) { return size >= bytes; };
    switch (col->col_type) {
        case MDB_BYTE: return needs(1) ? Integer(p[0]) : MdbCell{};
        case MDB_INT: return needs(2) ? Integer(static_cast<std::int16_t>(ReadLE(p, 2))) : MdbCell{};
        case MDB_LONGINT:
        case MDB_COMPLEX: return needs(4) ? Integer(static_cast<std::int32_t>(ReadLE(p, 4))) : MdbCell{};
        case MDB_FLOAT: return needs(4) ? Real(ReadSingle(p)) : MdbCell{};
        case MDB_DOUBLE: return needs(8) ? Real(ReadDouble(p)) : MdbCell{};
        case MDB_MONEY:
            if (!needs(8)) return {};
            return Bytes(MdbCell::Kind::Text, CurrencyText(static_cast<std::int64_t>(ReadLE(p, 8))));
        case MDB_DATETIME:
            if (!needs(8)) return {};
            return Bytes(MdbCell::Kind::Text, FormatDateTime(DateFromAccessDouble(ReadDouble(p))));
        case MDB_REPID:
            if (!needs(16)) return {};
            return Bytes(MdbCell::Kind::Text, TakeGString(mdb_uuid_to_string(mdb->pg_buf, start)));
        case MDB_NUMERIC:
            if (!needs(17)) return {};
            return Bytes(MdbCell::Kind::Text,
                         NormalizeDecimal(TakeGString(mdb_numeric_to_string(mdb, start, col->col_scale, col->col_prec))));
        case MDB_TEXT: return Bytes(MdbCell::Kind::Text, DecodeText(mdb, reinterpret_cast<const char*>(p), size));
        case MDB_MEMO: {
            std::string raw = ReadLongValue(mdb, col, start, size, pageCount);
            return Bytes(MdbCell::Kind::Text, DecodeText(mdb, raw.data(), raw.size()));
        }
        case MDB_OLE: return Bytes(MdbCell::Kind::Blob, ReadLongValue(mdb, col, start, size, pageCount));
        case MDB_BINARY: return Bytes(MdbCell::Kind::Blob, std::string(reinterpret_cast<const char*>(p), size));
        default: return {};
    }
}

}  // namespace qdt::db::access
