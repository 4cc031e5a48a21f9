#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>

#include "data/run/Status.h"
#include "db/Recordset.h"

namespace qdt::importers {

// The columns of a catalogue sheet, by position whatever the header names
// them. Category level i (0 to 4) has its name, description, image and large
// image in columns 4i to 4i + 3.
inline constexpr std::size_t kFlatFileColumns = 37;
inline constexpr std::size_t kCategoryLevels = 5;
enum FlatFileColumn : std::size_t {
    kCategoryName = 0,
    kCategoryDesc = 1,
    kCategoryImage = 2,
    kCategoryLargeImage = 3,
    kProductName = 20,
    kProductDesc = 21,
    kProductImage = 22,
    kProductLargeImage = 23,
    kProductHyperlink = 24,
    kProductSpecTable = 25,
    kProductStrapLine = 26,
    kVersionName = 27,
    kVersionDesc = 28,
    kVersionImage = 29,
    kVersionLargeImage = 30,
    kVersionCode = 31,
    kPrice = 32,
    kQuantity = 33,
    kWeight = 34,
    kRrp = 35,
    kTaxRate = 36,
};

// One source row: the 37 cells as text (a Null cell is ""), and what the
// import finds for it on the way.
struct FlatFileRow {
    std::array<std::string, kFlatFileColumns> cells;
    std::string categoryPath;
    std::int32_t categoryId = 0;
    std::int32_t productId = 0;
    std::int32_t taxId = 0;
    std::int32_t versionId = 0;

    const std::string& operator[](std::size_t column) const { return cells[column]; }
    const std::string& Level(std::size_t level, std::size_t column) const { return cells[4 * level + column]; }
};

// The current row of a source with at least 37 columns.
FlatFileRow ReadFlatFileRow(const db::Recordset& rows);

// The numbers of a version as they go into its statements: checked, and
// written by the tool itself.
struct VersionNumbers {
    std::string price;
    std::string quantity;
    std::string weight;
    std::string rrp;
    std::string taxRate;
};

// Where the rows come from, for the messages that point into the file.
struct FlatFileSource {
    std::string name;  // "'/data/items.csv'", "worksheet Sheet1 of '/data/book.xls'"
    const db::Recordset* rows = nullptr;
};

// The version numbers of a row, or an error that names the file, the row
// (numbered as a spreadsheet shows it, the header being row 1), the column
// (letter and header) and what is wrong.
VersionNumbers CheckVersionNumbers(const FlatFileRow& row, std::size_t rowNumber, const FlatFileSource& source);

// Reads the whole source once before anything is changed: refuses a source
// with fewer than 37 columns, and a row that brings a new version code with
// a price, quantity, weight, recommended price or tax rate that is not a
// number. Returns the number of rows with a version code.
std::size_t CheckFlatFileSource(db::Recordset& rows, const FlatFileSource& source, run::Status& status);

// "A", "Z", "AA", "AK": the spreadsheet letter of a 0-based column.
std::string ColumnLetter(std::size_t column);

}  // namespace qdt::importers
