#pragma once

#include <functional>
#include <string>

#include "db/sheets/SheetCells.h"

namespace qdt::db::sheets {

// Each reader hands the worksheets over one at a time, in workbook order, so
// only one sheet's cells are held at once. Failures are DatabaseErrors naming
// the file: encrypted, damaged or not a workbook of that format.
using SheetSink = std::function<void(Worksheet&&)>;

// An Excel 97-2003 workbook (.xls, BIFF), read through FreeXL.
void ReadXlsWorkbook(const std::string& path, const SheetSink& sink);

// An Excel 2007+ workbook (.xlsx), read through libzip and pugixml.
void ReadXlsxWorkbook(const std::string& path, const SheetSink& sink);

}  // namespace qdt::db::sheets
