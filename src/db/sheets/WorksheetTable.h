#pragma once

#include <sqlite3.h>

#include "db/sheets/SheetCells.h"

namespace qdt::db::sheets {

// Writes a worksheet into the snapshot as the table "<name>$". With a header
// row its first row names the columns (see UniqueColumnNames); the rows below
// become the table's rows, empty rows included, so row n of the table is row
// n + 1 of the sheet.
//
// A column is typed by its cells, never guessed from a sample: it is a date
// column when every value below the header is a date, a number column when
// every one is a number, and otherwise text, in which every cell is the text a user sees (CellText), so
// "00123" and "17.50" stay as typed and no cell is lost to a wrong guess.
void WriteWorksheet(sqlite3* db, const Worksheet& sheet, bool headerRow);

}  // namespace qdt::db::sheets
