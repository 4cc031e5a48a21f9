#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "db/Connection.h"
#include "db/DataType.h"
#include "db/Error.h"
#include "db/ProviderTestSupport.h"
#include "db/Text.h"
#include "db/sheets/ColumnNames.h"
#include "db/sheets/CsvReader.h"
#include "db/sheets/SchemaIni.h"
#include "db/sheets/SheetCells.h"
#include "db/sheets/TextCharset.h"
#include "db/sheets/TextProvider.h"
#include "db/sheets/XlsxPackage.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using namespace sheets;
using ::testing::HasSubstr;

std::string Excel(const std::string& path) { return Jet(path, "Excel 8.0;HDR=yes"); }
std::string Fixture(const std::string& name) { return std::string(QDT_SHEET_FIXTURES) + "/" + name; }

using Rows = std::vector<std::vector<std::string>>;

Rows ReadAll(Connection& c, const std::string& table) {
    auto rs = c.Execute("SELECT * FROM " + table);
    Rows rows(1);
    for (const Field& f : rs->AllFields()) rows[0].push_back(f.Name());
    for (; !rs->Eof(); rs->MoveNext()) {
        rows.emplace_back();
        for (const Field& f : rs->AllFields()) rows.back().push_back(f.Value().IsNull() ? "NULL" : f.Value().ToText());
    }
    return rows;
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

class SheetSources : public ::testing::TestWithParam<Source> {};

TEST_P(SheetSources, GiveTheRowsAsTyped) {
    const Source& s = GetParam();
    Connection c;
    c.Open(s.connection);
    // An empty header becomes F + its position, a repeated one gets a suffix.
    EXPECT_EQ(ReadAll(c, s.table),
              (Rows{{"Code", "Name", "Price", "Qty", "Added", "Note", "F7", "Name_2"},
                    {"00123", "Blue Mug", "12.5", "10", "2004-03-07 00:00:00", "17.50", "NULL", "a"},
                    {"A-2", "Café crème", "14", "0", "2004-03-08 13:45:10", "NULL", "x", "b"},
                    {"B3", "Line\nbreak, \"quoted\"", "0.3", "n/a", "1999-12-31 00:00:00", "x;y", "NULL", "c"}}));
    // A mostly numeric column with a text cell (Qty) is text, and keeps every cell.
    std::vector<int> types;
    auto rs = c.Execute("SELECT Code, Price, Qty, Added FROM " + s.table);
    for (const Field& f : rs->AllFields()) types.push_back(f.Type());
    EXPECT_EQ(types, (std::vector<int>{kVarWChar, s.priceType, kVarWChar, s.addedType}));
    std::vector<std::string> tables;
    for (auto schema = c.OpenSchema(); !schema->Eof(); schema->MoveNext())
        tables.push_back(schema->Fields("TABLE_NAME").Value().ToText());
    EXPECT_EQ(tables, s.tables);
    EXPECT_EQ(c.Warnings().size(), s.warnings);
}

INSTANTIATE_TEST_SUITE_P(
    EachWriter, SheetSources,
    ::testing::Values(
        Source{"xls", Excel(Fixture("products.xls")), "[Products$]", kDouble, kDate, {"Products$", "Empty$", "Alpha$"}, 0},
        Source{"xlsx", Excel(Fixture("products.xlsx")), "[Products$]", kDouble, kDate,
               {"Products$", "Empty$", "Alpha$", "Sparse$", "Dates$"}, 0},
        Source{"csv", Jet(Fixture("plain"), "text"), "items.csv", kVarWChar, kVarWChar, {"items.csv"}, 0},
        Source{"csv_with_schema_ini", Jet(Fixture("ansi"), "text"), "items.csv", kVarWChar, kDate, {"items.csv"}, 1}),
    [](const auto& info) { return std::string(info.param.label); });

// Sparse rows keep their place, booleans and custom date formats are read, an
// empty sheet is a table of one column and no row; inline strings, formula
// text and errors are cells too.
TEST(ExcelSource, ReadsWhatWritersLeaveInACell) {
    Connection c;
    c.Open(Excel(Fixture("products.xlsx")));
    EXPECT_EQ(ReadAll(c, "[Sparse$]"), (Rows{{"Key", "F2", "Value"}, {"yes", "NULL", "TRUE"}, {"NULL", "NULL", "NULL"},
                                            {"NULL", "NULL", "NULL"}, {"no", "NULL", "FALSE"}}));
    EXPECT_EQ(c.Execute("SELECT * FROM [Dates$]")->Fields(0).Type(), kDate);
    EXPECT_EQ(ReadAll(c, "[Dates$]")[1], std::vector<std::string>{"2020-02-29 00:00:00"});
    EXPECT_EQ(ReadAll(c, "[Empty$]"), Rows{{"F1"}});
    EXPECT_THROW(c.Execute("DELETE FROM [Products$]"), DatabaseError);
    Connection inlineCells;
    inlineCells.Open(Excel(Fixture("inline.xlsx")));
    EXPECT_EQ(ReadAll(inlineCells, "[Inline$]"),
              (Rows{{"Name", "Value "}, {" two\r\nlines", "formula text"}, {"#N/A", "2004-03-07 09:05:02"}}));
}

// items.csv (unless there is none) and its schema.ini, read as a user described
// them (column names, then rows), or refused naming file, row and column.
struct TextCase {
    const char* label;
    std::optional<std::string> csv;
    std::string schemaIni;
    Rows rows;
    std::vector<std::string> refusal = {};
    std::string extended = "text";
    std::vector<int> types = {};
};

class TextFormats : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextFormats, ReadAsDescribedOrRefused) {
    const TextCase& c = GetParam();
    const std::string folder = test::TempDir();
    if (c.csv) std::ofstream(folder + "/items.csv", std::ios::binary) << *c.csv;
    if (!c.schemaIni.empty()) std::ofstream(folder + "/Schema.ini", std::ios::binary) << c.schemaIni;
    std::vector<int> types;
    const std::string message = test::ErrorText<DatabaseError>([&] {
        Connection conn;
        conn.Open(Jet(folder, c.extended));
        EXPECT_EQ(ReadAll(conn, "items.csv"), c.rows);
        auto rs = conn.Execute("SELECT * FROM items.csv");
        for (const Field& f : rs->AllFields()) types.push_back(f.Type());
        EXPECT_TRUE(conn.Warnings().empty());
    });
    if (!c.types.empty()) {
        EXPECT_EQ(types, c.types);
    }
    for (const std::string& part : c.refusal) EXPECT_THAT(message, HasSubstr(part));
    EXPECT_EQ(message == "(no error)", c.refusal.empty()) << message;
}

const std::string kLong = "[items.csv]\nCol1=Price Currency\nCol2=Qty Long\nCol3=Added DateTime\nCol4=Live Bit\n"
                          "Col5=\"Long Note\" Memo\n";

INSTANTIATE_TEST_SUITE_P(
    Cases, TextFormats,
    ::testing::Values(
        TextCase{"tabs_without_header", "1\t2\n3\t4\n", "[items.csv]\nFormat=TabDelimited\nColNameHeader=False\n",
                 Rows{{"F1", "F2"}, {"1", "2"}, {"3", "4"}}},
        TextCase{"own_delimiter_no_text_delimiter", "a|b\n\"x\"|y\n",
                 "[items.csv]\r\nFormat=Delimited(|)\r\nTextDelimiter=none\r\n", Rows{{"a", "b"}, {"\"x\"", "y"}}},
        TextCase{"oem_code_page", "Name\ncaf\x82\n", "[items.csv]\nCharacterSet=OEM\n", Rows{{"Name"}, {"café"}}},
        TextCase{"code_page_number", "Name\n\xE8\x61j\n", "[items.csv]\nCharacterSet=1250\n", Rows{{"Name"}, {"čaj"}}},
        TextCase{"windows_1252_when_not_utf8", "Name,Price\nCaf\xE9,\x80 5\n", "",
                 Rows{{"Name", "Price"}, {"Café", "€ 5"}}},
        TextCase{"declared_columns", "a,b,c,d,e\n17.50,3,3/7/2004,yes,x\n,,,,\n", kLong,
                 Rows{{"Price", "Qty", "Added", "Live", "Long Note"},
                      {"17.5", "3", "2004-03-07 00:00:00", "1", "x"},
                      {"NULL", "NULL", "NULL", "NULL", "NULL"}},
                 {}, "text", {kCurrency, kInteger, kDate, kBoolean, kLongVarWChar}},
        TextCase{"connection_properties", "1;2\n", "", Rows{{"F1", "F2"}, {"1", "2"}}, {},
                 "text;HDR=No;FMT=Delimited(;)"},
        TextCase{"other_section_ignored", "a,b\n1,2\n", "[other.csv]\nFormat=TabDelimited\nBogus=1\n",
                 Rows{{"a", "b"}, {"1", "2"}}},
        TextCase{"empty_file", "", "", Rows{{"F1"}}},
        TextCase{"ragged_short", "a,b,c\r\n1,2,3\r\n4,5\r\n", "", {},
                 {"'items.csv'", "ragged row: row 3 has 2 fields", "column 3 (c) is missing"}},
        TextCase{"ragged_long", "a,b\n1,\"x\ny\",3\n", "", {}, {"row 2 has 3 fields", "column 3 is one too many"}},
        TextCase{"bad_utf8_declared", "a,b\n1,ok\n2,\xC3\x28\n", "[items.csv]\nCharacterSet=65001\n", {},
                 {"'items.csv'", "not valid UTF-8", "row 3, column 2 (b)"}},
        TextCase{"neither_utf8_nor_1252", "a,b\n1,x\x81y\n", "", {}, {"not valid Windows-1252", "row 2, column 2 (b)"}},
        TextCase{"unclosed_quote", "a,b\n1,\"open\n2,3\n", "", {}, {"'items.csv'", "line 2, column 2", "not closed"}},
        TextCase{"text_after_quote", "a,b\n\"x\"y,2\n", "", {}, {"line 2, column 1", "after the closing quote"}},
        TextCase{"declared_number", "a,b\n1,2\n\n3,x\n", "[ITEMS.CSV]\nCol2=b Long\n", {},
                 {"'x'", "row 3 (line 4), column 2 (b)", "whole number"}},
        TextCase{"utf16_text", std::string("\xFF\xFE" "a\0,\0b\0", 8), "", {}, {"'items.csv' is saved as UTF-16"}},
        TextCase{"fixed_length", "a\n1\n", "[items.csv]\nFormat=FixedLength\n", {}, {"Schema.ini, line 2", "fixed-length"}},
        TextCase{"unknown_column_type", "a\n1\n", "[items.csv]\nCol1=a Money\n", {}, {"'Money' is not a column type"}},
        TextCase{"missing_text_file", std::nullopt, "", {}, {"Could not find the text file 'items.csv'"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TextSource, BigFilesGoToATemporaryFileThatIsGoneAtOnce) {
    const std::string folder = test::TempDir(), temp = test::TempDir();
    std::string big = "n\tname\n";
    for (int i = 0; i < 5000; ++i) big += std::to_string(i) + "\tproduct " + std::to_string(i) + "\n";
    std::ofstream(folder + "/big.txt", std::ios::binary) << big;
    std::ofstream(folder + "/schema.ini") << "[big.txt]\nFormat=TabDelimited\n";
    sheets::TextOptions options;
    options.place.inMemoryLimit = 0;
    options.place.tempDir = temp;
    Connection c(sheets::OpenTextFolder(folder, options));
    EXPECT_EQ(FirstValue(c, "SELECT COUNT(*) || ' ' || MAX(name) FROM big.txt"), "5000 product 999");
    EXPECT_TRUE(std::filesystem::is_empty(temp));
}

// Access files, workbooks and folders that cannot be read are refused by
// name, and never with the password.
TEST(JetSources, UnreadableFilesAreRefusedByName) {
    const std::string folder = test::TempDir();
    std::ofstream(folder + "/shop.xls") << "Code,Name\n";
    std::ofstream(folder + "/notes.mdb") << "not an Access database at all\n";
    const std::pair<std::string, std::string> cases[] = {
        {Jet(folder + "/missing.mdb") + "s3cret", "Could not find the Access file '" + folder + "/missing.mdb'."},
        {Jet(folder + "/notes.mdb"), "'" + folder + "/notes.mdb' is damaged or not an Access file"},
        {Jet(""), "names no Access file"},
        {Jet(folder), "is not a file"},
        {Jet("/nonexistent/data", "text"), "Could not find the folder '/nonexistent/data'"},
        {Excel("/nonexistent/shop.xls"), "Could not find the Excel file"},
        {Excel(Fixture("encrypted.xlsx")), "'encrypted.xlsx' is encrypted"},
        {Excel(Fixture("damaged.xlsx")), "'damaged.xlsx' is damaged"},
        {Excel(Fixture("damaged.xls")), "'damaged.xls'"},
        {Excel(Fixture("twins.xlsx")), "The Excel file 'twins.xlsx' has two sheets named 'PRICES'."},
        {Excel(Fixture("badstring.xlsx")),
         "'badstring.xlsx' is damaged: cell A1 of sheet 'Codes' names a string that is not there."},
        {Excel(folder + "/shop.xls"), "'shop.xls' is not an Excel workbook"},
    };
    for (const auto& [connection, part] : cases) {
        const std::string message = test::ErrorText<DatabaseError>([&] { Connection().Open(connection); });
        EXPECT_THAT(message, HasSubstr(part));
        EXPECT_EQ(message.find("s3cret"), std::string::npos) << message;
    }
}

// Each record begins with the number of the line it starts on.
struct CsvCase {
    const char* label;
    std::string input;
    char delimiter;
    std::optional<char> quote;
    Rows records;
};

class CsvRecords : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvRecords, SplitAsWritten) {
    const CsvCase& c = GetParam();
    std::istringstream in(c.input);
    CsvReader reader(in, c.delimiter, c.quote);
    Rows records;
    for (CsvRecord r; reader.Next(r);) {
        records.push_back({std::to_string(r.line)});
        records.back().insert(records.back().end(), r.fields.begin(), r.fields.end());
    }
    EXPECT_EQ(records, c.records);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvRecords,
    ::testing::Values(
        CsvCase{"no_final_line_end", "a,b\r\n1,2", ',', '"', {{"1", "a", "b"}, {"2", "1", "2"}}},
        CsvCase{"old_mac_line_ends", "a\r1\r", ',', '"', {{"1", "a"}, {"2", "1"}}},
        CsvCase{"quoted_delimiter_quote_and_breaks", "x,\"a,\"\"b\"\"\r\nc\"\ny,z\n", ',', '"',
                {{"1", "x", "a,\"b\"\r\nc"}, {"3", "y", "z"}}},
        CsvCase{"empty_fields_and_blank_lines", "\n\na,,\r\n\r\n,\"\",c\n", ',', '"',
                {{"3", "a", "", ""}, {"5", "", "", "c"}}},
        CsvCase{"blanks_kept_and_after_quote_dropped", " a , \"b\"  ;x\n", ';', '"', {{"1", " a , \"b\"  ", "x"}}},
        CsvCase{"quote_inside_unquoted_field", "5\" nail,2\n", ',', '"', {{"1", "5\" nail", "2"}}},
        CsvCase{"tabs_and_single_quotes", "'a\tb'\tc\n", '\t', '\'', {{"1", "a\tb", "c"}}},
        CsvCase{"byte_order_mark_dropped", "\xEF\xBB\xBF" "Code\n1\n", ',', '"', {{"1", "Code"}, {"2", "1"}}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SheetColumnNames, EmptyAndRepeatedNamesBecomeUnique) {
    using V = std::vector<std::string>;
    EXPECT_EQ(UniqueColumnNames(V{"Code", "", "Name", "name", "", "Name"}),
              (V{"Code", "F2", "Name", "name_2", "F5", "Name_3"}));
    // A header that already reads F2 keeps it; the empty column moves aside.
    EXPECT_EQ(UniqueColumnNames(V{"", "F1", "Price_2", "Price", "Price"}), (V{"F1_2", "F1", "Price_2", "Price", "Price_3"}));
    EXPECT_EQ(ColumnLetters(27) + " " + ColumnLetters(37), "AA AK");
}

TEST(SheetCellText, NumbersInTheirShortestFormAndDatesFromSerialsOrFormats) {
    const std::pair<double, const char*> numbers[] = {
        {14.0, "14"}, {0.1 + 0.2, "0.3"}, {1e20, "100000000000000000000"}, {1.0 / 3, "0.333333333333333"}};
    for (const auto& [value, text] : numbers) EXPECT_EQ(SheetNumberText(value), text);
    // Serials count from 1900-01-01 as 1 (with Excel's 1900-02-29), or from 1904-01-01 as 0.
    const std::tuple<double, bool, const char*> dates[] = {
        {1, false, "1900-01-01 00:00:00"}, {59, false, "1900-02-28 00:00:00"}, {61, false, "1900-03-01 00:00:00"},
        {0.25, false, "1899-12-30 06:00:00"}, {0, true, "1904-01-01 00:00:00"}};
    for (const auto& [serial, date1904, text] : dates)
        EXPECT_EQ(FormatDateTime(DateFromSerial(serial, date1904)), text) << serial;
    EXPECT_EQ(CellText(SheetCell::Date(DateFromSerial(38053, false))), "2004-03-07");
    double v = 0;
    EXPECT_TRUE(ParseSheetNumber("+4", v) && v == 4);
    EXPECT_TRUE(ParseSheetNumber("-1e3", v) && v == -1000);
    for (const char* bad : {"", "+", "++1", "1,5", "12.5x", "inf", "nan", "1e999", "0x10"})
        EXPECT_FALSE(ParseSheetNumber(bad, v)) << bad;
    // Date formats are told by their id or their code.
    const std::tuple<int, const char*, bool> formats[] = {
        {14, "", true}, {22, "", true}, {0, "", false}, {2, "", false}, {49, "", false},
        {164, "dd/mm/yyyy", true}, {165, "[$-409]h:mm AM/PM", true}, {166, "[h]:mm", true},
        {167, "0.00\" days\"", false}, {168, "#,##0;[Red]-#,##0", false}, {169, "\\d0.0", false},
        {170, "General", false}, {171, "0.0;\"yy\"", false}};
    for (const auto& [id, code, date] : formats) EXPECT_EQ(IsDateFormat(id, code), date) << id << " " << code;
}

// What schema.ini may say that the text source cases do not show; UTF-8 is
// told from other bytes, also across the 64 KiB read boundary.
TEST(TextSettings, FormatsCharacterSetsAndUtf8AreRead) {
    char d = 0;
    EXPECT_TRUE(ParseTextFormat("tabdelimited", d) && d == '\t');
    EXPECT_FALSE(ParseTextFormat("Delimited(;;)", d));
    const std::pair<const char*, const char*> charsets[] = {{"ANSI", "WINDOWS-1252"}, {"utf-8", "UTF-8"}, {"Klingon", ""}};
    for (const auto& [setting, charset] : charsets) EXPECT_EQ(CharsetFromSetting(setting), charset);
    // Valid prefixes: before a Windows-1252 byte, and none for an overlong form, a surrogate, or above U+10FFFF.
    const std::pair<const char*, std::size_t> prefixes[] = {
        {"Caf\xE9", 3}, {"\xC0\xAF", 0}, {"\xED\xA0\x80", 0}, {"\xF4\x90\x80\x80", 0}};
    for (const auto& [bytes, valid] : prefixes) EXPECT_EQ(ValidUtf8Prefix(bytes), valid) << bytes;
    const std::string big(65535, 'a');
    std::istringstream cut(big + "\xE2\x82\xAC" + big);
    EXPECT_TRUE(StreamIsUtf8(cut));
    std::istringstream bad(big + "\xE2\x82");
    EXPECT_FALSE(StreamIsUtf8(bad));
}

}  // namespace
}  // namespace qdt::db
