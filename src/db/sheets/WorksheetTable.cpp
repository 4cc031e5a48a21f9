#include "db/sheets/WorksheetTable.h"

#include <algorithm>

#include "db/sheets/ColumnNames.h"
#include "db/sheets/SheetSnapshot.h"

namespace qdt::db::sheets {

namespace {

using K = SheetCell::Kind;

const SheetCell& At(const std::vector<SheetCell>& row, std::size_t i) {
    static const SheetCell empty;
    return i < row.size() ? row[i] : empty;
}

// The one kind every value of the column has, or Text when they differ.
K ColumnKind(const Worksheet& sheet, std::size_t first, std::size_t end, std::size_t column) {
    K kind = K::Empty;
    for (std::size_t r = first; r < end; ++r) {
        K k = At(sheet.rows[r], column).kind;
        if (k == K::Empty) continue;
        if (kind == K::Empty) kind = k;
        if (k != kind) return K::Text;
    }
    // A yes/no column reads TRUE and FALSE, as the sheet shows it.
    return kind == K::Empty || kind == K::Boolean ? K::Text : kind;
}

std::string DeclaredType(K kind) {
    switch (kind) {
        case K::Number: return "DOUBLE";
        case K::Date: return "DATETIME";
        default: return "VARCHAR(255) COLLATE NOCASE";
    }
}

SnapshotCell Stored(const SheetCell& cell, K columnKind) {
    if (cell.kind == K::Empty) return SnapshotCell::Null();
    switch (columnKind) {
        case K::Number: return SnapshotCell::Real(SheetNumber(cell.number));
        case K::Date: return SnapshotCell::Text(FormatDateTime(cell.date));
        default: return SnapshotCell::Text(CellText(cell));
    }
}

}  // namespace

void WriteWorksheet(sqlite3* db, const Worksheet& sheet, bool headerRow) {
    // Formatting alone makes cells that hold nothing: they neither widen the
    // table nor add rows at its end.
    std::size_t width = 0;
    std::size_t end = 0;
    for (std::size_t r = 0; r < sheet.rows.size(); ++r) {
        const auto& row = sheet.rows[r];
        for (std::size_t i = row.size(); i > 0; --i)
            if (row[i - 1].kind != K::Empty) {
                width = std::max(width, i);
                end = r + 1;
                break;
            }
    }
    // An empty sheet still has a column, as SQLite has no table without one.
    width = std::max<std::size_t>(width, 1);
    std::vector<std::string> header(width);
    if (headerRow && !sheet.rows.empty())
        for (std::size_t i = 0; i < width; ++i) header[i] = CellText(At(sheet.rows[0], i));
    std::vector<std::string> names = UniqueColumnNames(header);

    const std::size_t first = headerRow ? 1 : 0;
    std::vector<K> kinds(width);
    std::vector<SnapshotColumn> columns(width);
    for (std::size_t i = 0; i < width; ++i) {
        kinds[i] = ColumnKind(sheet, first, end, i);
        columns[i] = {names[i], DeclaredType(kinds[i])};
    }
    TableWriter writer(db, sheet.name + "$", columns);
    std::vector<SnapshotCell> cells(width);
    for (std::size_t r = first; r < end; ++r) {
        for (std::size_t i = 0; i < width; ++i) cells[i] = Stored(At(sheet.rows[r], i), kinds[i]);
        writer.Insert(cells);
    }
    writer.Commit();
}

}  // namespace qdt::db::sheets
