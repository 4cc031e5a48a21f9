#include "importers/FlatFileRow.h"

#include <charconv>
#include <cmath>
#include <stdexcept>
#include <unordered_set>

#include "data/SqlLiterals.h"
#include "db/Value.h"

namespace qdt::importers {

namespace {

// A cell is quoted in a message, but never at a length that buries the message.
std::string Shown(const std::string& cell) {
    std::size_t cut = 40;
    if (cell.size() <= cut) return "'" + cell + "'";
    // Not inside a UTF-8 character.
    while (cut > 0 && (static_cast<unsigned char>(cell[cut]) & 0xC0) == 0x80) --cut;
    return "'" + cell.substr(0, cut) + "...'";
}

struct NumberColumn {
    std::size_t column;
    const char* what;
    std::string VersionNumbers::*target;
    bool whole;
};

constexpr NumberColumn kNumberColumns[] = {
    {kPrice, "price", &VersionNumbers::price, false},
    {kQuantity, "quantity in stock", &VersionNumbers::quantity, true},
    {kWeight, "weight", &VersionNumbers::weight, false},
    {kRrp, "recommended retail price", &VersionNumbers::rrp, false},
    {kTaxRate, "tax rate", &VersionNumbers::taxRate, false},
};

// A literal NumberLiteral wrote is a whole number within 32 bits.
bool IsWholeInt32(const std::string& literal) {
    double value = 0;
    const auto res = std::from_chars(literal.data(), literal.data() + literal.size(), value);
    if (res.ec != std::errc() || res.ptr != literal.data() + literal.size()) return false;
    return value == std::trunc(value) && std::fabs(value) <= 2147483647.0;
}

std::string Header(const FlatFileSource& source, std::size_t column) {
    if (!source.rows || column >= source.rows->FieldCount()) return {};
    return source.rows->Fields(column).Name();
}

}  // namespace

std::string ColumnLetter(std::size_t column) {
    std::string letters;
    for (std::size_t n = column + 1; n > 0; n = (n - 1) / 26)
        letters.insert(letters.begin(), static_cast<char>('A' + (n - 1) % 26));
    return letters;
}

FlatFileRow ReadFlatFileRow(const db::Recordset& rows) {
    FlatFileRow row;
    for (std::size_t column = 0; column < kFlatFileColumns; ++column)
        row.cells[column] = rows.Fields(column).Value().ToText();
    return row;
}

VersionNumbers CheckVersionNumbers(const FlatFileRow& row, std::size_t rowNumber, const FlatFileSource& source) {
    VersionNumbers numbers;
    for (const NumberColumn& n : kNumberColumns) {
        const std::string& cell = row[n.column];
        std::string problem;
        // Only the text the tool writes for a number it has read goes into SQL.
        const std::optional<std::string> literal = data::NumberLiteral(db::Value::Text(cell));
        if (cell.find_first_not_of(" \t\r\n") == std::string::npos)
            problem = "the " + std::string(n.what) + " is empty.";
        else if (!literal)
            problem = "the " + std::string(n.what) + " " + Shown(cell) + " is not a number.";
        else if (n.whole && !IsWholeInt32(*literal))
            problem = "the " + std::string(n.what) + " " + Shown(cell) + " is not a whole number.";
        if (!problem.empty()) {
            const std::string header = Header(source, n.column);
            throw std::runtime_error("Row " + std::to_string(rowNumber) + " of " + source.name + ", column " +
                                     ColumnLetter(n.column) + (header.empty() ? "" : " (" + header + ")") + ": " +
                                     problem + " The catalogue was not imported.");
        }
        numbers.*n.target = *literal;
    }
    return numbers;
}

std::size_t CheckFlatFileSource(db::Recordset& rows, const FlatFileSource& source, run::Status& status) {
    if (rows.FieldCount() < kFlatFileColumns)
        throw std::runtime_error(source.name + " has " + std::to_string(rows.FieldCount()) +
                                 " columns, but a catalogue needs " + std::to_string(kFlatFileColumns) +
                                 ", from column A (level 1 category name) to column " +
                                 ColumnLetter(kFlatFileColumns - 1) + " (tax rate). The catalogue was not imported.");
    std::unordered_set<std::string> codes;
    std::size_t count = 0;
    // The header is row 1 of the sheet.
    std::size_t rowNumber = 1;
    for (; !rows.Eof(); rows.MoveNext()) {
        ++rowNumber;
        const std::string code = rows.Fields(std::size_t{kVersionCode}).Value().ToText();
        if (!code.empty()) {
            ++count;
            if (codes.insert(code).second) CheckVersionNumbers(ReadFlatFileRow(rows), rowNumber, source);
        }
        status.Yield();
    }
    return count;
}

}  // namespace qdt::importers
