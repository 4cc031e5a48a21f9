#pragma once

#include <array>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "importers/FlatFileRow.h"
#include "support/RecordingConnection.h"
#include "support/TestEnv.h"

namespace qdt::importers::testing {

using Cells = std::array<std::string, kFlatFileColumns>;

// The header row of a catalogue sheet, as a shop owner would write it.
inline std::vector<std::string> SheetHeaders() {
    std::vector<std::string> headers;
    for (int level = 1; level <= 5; ++level)
        for (const char* part : {"", " Description", " Image", " Large Image"})
            headers.push_back("Category " + std::to_string(level) + part);
    for (const char* name : {"Product", "Product Description", "Product Image", "Product Large Image", "Hyperlink",
                             "Details Table", "Strap Line", "Version", "Version Description", "Version Image",
                             "Version Large Image", "Code", "Price", "Quantity", "Weight", "RRP", "Tax Rate"})
        headers.push_back(name);
    return headers;
}

// One version row: its category names from level 1 down, product and code,
// sensible numbers, and any other cell by column.
inline Cells Version(std::vector<std::string> categories, std::string product, std::string code,
                     std::map<std::size_t, std::string> other = {}) {
    Cells cells;
    for (std::size_t level = 0; level < categories.size(); ++level) cells[4 * level] = categories[level];
    cells[kProductName] = std::move(product);
    cells[kVersionCode] = std::move(code);
    cells[kPrice] = "10";
    cells[kQuantity] = "5";
    cells[kWeight] = "0.5";
    cells[kRrp] = "12";
    cells[kTaxRate] = "17.5";
    for (auto& [column, value] : other) cells[column] = value;
    return cells;
}

// The sheet as a source answers it, every cell text (an empty cell Null).
inline test::CannedResult CannedSheet(const std::vector<Cells>& rows, std::size_t columns = kFlatFileColumns) {
    test::CannedResult result;
    const auto headers = SheetHeaders();
    result.columns.assign(headers.begin(), headers.begin() + columns);
    for (const Cells& cells : rows) {
        std::vector<db::Value> row;
        for (std::size_t c = 0; c < columns; ++c)
            row.push_back(cells[c].empty() ? db::Value::Null() : db::Value::Text(cells[c]));
        result.rows.push_back(std::move(row));
    }
    return result;
}

// The sheet as a SQLite file with one table of TEXT columns in the sheet's order.
inline std::string SqliteSheet(const std::string& table, const std::vector<Cells>& rows) {
    const std::string path = test::TempDir() + "/catalogue.sqlite";
    std::ofstream(path).close();
    db::Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    std::string create = "CREATE TABLE \"" + table + "\" (";
    const auto headers = SheetHeaders();
    for (std::size_t c = 0; c < headers.size(); ++c) create += (c ? ", \"" : "\"") + headers[c] + "\" TEXT";
    conn.Execute(create + ")")->Close();
    for (const Cells& cells : rows) {
        std::string insert = "INSERT INTO \"" + table + "\" VALUES (";
        for (std::size_t c = 0; c < cells.size(); ++c) {
            std::string quoted;
            for (char ch : cells[c]) quoted += ch == '\'' ? std::string("''") : std::string(1, ch);
            insert += (c ? ", " : "") + (cells[c].empty() ? std::string("NULL") : "'" + quoted + "'");
        }
        conn.Execute(insert + ")")->Close();
    }
    return path;
}

}  // namespace qdt::importers::testing
