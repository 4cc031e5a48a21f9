#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/Value.h"

namespace qdt::db::sheets {

// One cell of a worksheet as the workbook holds it.
struct SheetCell {
    enum class Kind { Empty, Number, Text, Boolean, Date };
    Kind kind = Kind::Empty;
    double number = 0;  // Number, and Boolean as 1 or 0
    std::string text;   // Text as typed
    DateTime date;      // Date

    static SheetCell Number(double v) { return {Kind::Number, v, {}, {}}; }
    static SheetCell Text(std::string t) { return {Kind::Text, 0, std::move(t), {}}; }
    static SheetCell Boolean(bool b) { return {Kind::Boolean, b ? 1.0 : 0.0, {}, {}}; }
    static SheetCell Date(const DateTime& d) { return {Kind::Date, 0, {}, d}; }
};

// A worksheet's cells row by row; a row ends at its last cell, rows with no
// cells are empty vectors, so a sparse sheet keeps its row numbers.
struct Worksheet {
    std::string name;
    std::vector<std::vector<SheetCell>> rows;
};

// A number as a spreadsheet shows it in a general cell: at most 15 significant
// digits, no trailing zeros, no exponent (12.5, 14, 0.3 for 0.1+0.2).
std::string SheetNumberText(double v);
// The number rounded to the 15 digits a spreadsheet keeps.
double SheetNumber(double v);
// Reads a plain number ("12.5", "-3", "1e3", "+4") with a decimal point,
// whatever the program's locale; false for anything else, infinities included.
bool ParseSheetNumber(std::string_view text, double& out);

// A date serial number (days since 1899-12-30 with the time as fraction, in
// the 1900 system with its phantom 29 February 1900; or since 1904-01-01).
DateTime DateFromSerial(double serial, bool date1904);

// The cell as text a user sees: numbers as above, dates "YYYY-MM-DD" (with
// " HH:MM:SS" when there is a time), booleans TRUE / FALSE, empty as "".
std::string CellText(const SheetCell& cell);

}  // namespace qdt::db::sheets
