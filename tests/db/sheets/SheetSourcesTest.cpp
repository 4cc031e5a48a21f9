#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/DataType.h"
#include "db/Error.h"

namespace qdt::db {
namespace {

std::string Fixture(const std::string& name) { return std::string(QDT_SHEET_FIXTURES) + "/" + name; }

std::string ExcelString(const std::string& file) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + Fixture(file) +
           ";Extended Properties=\"Excel 8.0;HDR=yes\"";
}
std::string TextString(const std::string& folder) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + Fixture(folder) + ";Extended Properties=\"text\"";
}

using Rows = std::vector<std::vector<std::string>>;

Rows ReadAll(Recordset& rs) {
    Rows rows;
    for (; !rs.Eof(); rs.MoveNext()) {
        std::vector<std::string> row;
        for (const Field& f : rs.AllFields()) row.push_back(f.Value().IsNull() ? "NULL" : f.Value().ToText());
        rows.push_back(row);
    }
    return rows;
}

std::vector<std::string> Tables(Connection& c) {
    std::vector<std::string> names;
    auto rs = c.OpenSchema();
    for (; !rs->Eof(); rs->MoveNext()) names.push_back(rs->Fields("TABLE_NAME").Value().ToText());
    return names;
}

// The same product list, written by four writers.
struct Source {
    const char* label;
    std::string connection;
    std::string table;  // as the run names it
    int priceType;
    int addedType;
    std::vector<std::string> tables;
    std::size_t warnings;
};

void PrintTo(const Source& s, std::ostream* os) { *os << s.label; }

class SheetSources : public ::testing::TestWithParam<Source> {};

TEST_P(SheetSources, GiveTheRowsAsTyped) {
    const Source& s = GetParam();
    Connection c;
    c.Open(s.connection);
    auto rs = c.Execute("SELECT * FROM " + s.table);
    std::vector<std::string> names;
    for (const Field& f : rs->AllFields()) names.push_back(f.Name());
    // An empty header becomes F + its position, a repeated one gets a suffix.
    EXPECT_EQ(names, (std::vector<std::string>{"Code", "Name", "Price", "Qty", "Added", "Note", "F7", "Name_2"}));
    EXPECT_EQ(rs->Fields("Code").Type(), kVarWChar);
    EXPECT_EQ(rs->Fields("Price").Type(), s.priceType);
    // A mostly numeric column with a text cell is text, and keeps every cell.
    EXPECT_EQ(rs->Fields("Qty").Type(), kVarWChar);
    EXPECT_EQ(rs->Fields("Added").Type(), s.addedType);
    EXPECT_EQ(ReadAll(*rs), (Rows{
                                {"00123", "Blue Mug", "12.5", "10", "2004-03-07 00:00:00", "17.50", "NULL", "a"},
                                {"A-2", "Café crème", "14", "0", "2004-03-08 13:45:10", "NULL", "x", "b"},
                                {"B3", "Line\nbreak, \"quoted\"", "0.3", "n/a", "1999-12-31 00:00:00", "x;y",
                                 "NULL", "c"},
                            }));
    EXPECT_EQ(Tables(c), s.tables);
    EXPECT_EQ(c.Warnings().size(), s.warnings);

    // The check's probe and the importer's counting pass.
    auto first = c.Execute("SELECT TOP 1 * FROM " + s.table);
    EXPECT_EQ(first->Fields(0).Value().ToText(), "00123");
    first->MoveNext();
    EXPECT_TRUE(first->Eof());
    rs->MoveFirst();
    EXPECT_EQ(ReadAll(*rs).size(), 3u);
}

const std::vector<std::string> kXlsSheets = {"Products$", "Empty$", "Alpha$"};
const std::vector<std::string> kXlsxSheets = {"Products$", "Empty$", "Alpha$", "Sparse$", "Dates$"};

INSTANTIATE_TEST_SUITE_P(
    EachWriter, SheetSources,
    ::testing::Values(Source{"xls", ExcelString("products.xls"), "[Products$]", kDouble, kDate, kXlsSheets, 0},
                      Source{"xlsx", ExcelString("products.xlsx"), "[Products$]", kDouble, kDate, kXlsxSheets, 0},
                      Source{"csv", TextString("plain"), "items.csv", kVarWChar, kVarWChar, {"items.csv"}, 0},
                      Source{"csv with schema.ini", TextString("ansi"), "items.csv", kVarWChar, kDate, {"items.csv"},
                             1}),
    [](const auto& info) {
        std::string n = info.param.label;
        for (char& ch : n)
            if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
        return n;
    });

TEST(ExcelSource, KeepsRowNumbersOfSparseSheetsAndReadsBooleansAndCustomDates) {
    Connection c;
    c.Open(ExcelString("products.xlsx"));
    auto sparse = c.Execute("SELECT * FROM [Sparse$]");
    ASSERT_EQ(sparse->FieldCount(), 3u);
    EXPECT_EQ(sparse->Fields(1).Name(), "F2");
    EXPECT_EQ(ReadAll(*sparse), (Rows{{"yes", "NULL", "TRUE"}, {"NULL", "NULL", "NULL"}, {"NULL", "NULL", "NULL"},
                                      {"no", "NULL", "FALSE"}}));
    auto dates = c.Execute("SELECT * FROM [Dates$]");
    EXPECT_EQ(dates->Fields(0).Type(), kDate);
    EXPECT_EQ(ReadAll(*dates), (Rows{{"2020-02-29 00:00:00"}, {"2021-01-02 03:04:05"}}));
    // An empty sheet is a table with one column and no row.
    auto empty = c.Execute("SELECT * FROM [Empty$]");
    EXPECT_EQ(empty->FieldCount(), 1u);
    EXPECT_TRUE(empty->Eof());
    EXPECT_THROW(c.Execute("DELETE FROM [Products$]"), DatabaseError);
}

TEST(ExcelSource, ReadsInlineStringsFormulaTextErrorsAndIsoDates) {
    Connection c;
    c.Open(ExcelString("inline.xlsx"));
    auto rs = c.Execute("SELECT * FROM [Inline$]");
    ASSERT_EQ(rs->FieldCount(), 2u);
    EXPECT_EQ(rs->Fields(1).Name(), "Value ");
    EXPECT_EQ(ReadAll(*rs), (Rows{{" two\r\nlines", "formula text"}, {"#N/A", "2004-03-07 09:05:02"}}));
}

}  // namespace
}  // namespace qdt::db
