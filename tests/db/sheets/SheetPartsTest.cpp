#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "db/sheets/ColumnNames.h"
#include "db/sheets/CsvReader.h"
#include "db/sheets/SchemaIni.h"
#include "db/sheets/SheetCells.h"
#include "db/Text.h"
#include "db/sheets/TextCharset.h"
#include "db/sheets/XlsxPackage.h"

namespace qdt::db::sheets {
namespace {

using Records = std::vector<std::vector<std::string>>;

struct CsvCase {
    const char* label;
    std::string input;
    char delimiter;
    std::optional<char> quote;
    Records records;
    std::vector<std::size_t> lines;
};

void PrintTo(const CsvCase& c, std::ostream* os) { *os << c.label; }

class CsvRecords : public ::testing::TestWithParam<CsvCase> {};

TEST_P(CsvRecords, SplitAsWritten) {
    const CsvCase& c = GetParam();
    std::istringstream in(c.input);
    CsvReader reader(in, c.delimiter, c.quote);
    Records records;
    std::vector<std::size_t> lines;
    for (CsvRecord r; reader.Next(r);) {
        records.push_back(r.fields);
        lines.push_back(r.line);
    }
    EXPECT_EQ(records, c.records);
    EXPECT_EQ(lines, c.lines);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CsvRecords,
    ::testing::Values(
        CsvCase{"plain", "a,b\n1,2\n", ',', '"', {{"a", "b"}, {"1", "2"}}, {1, 2}},
        CsvCase{"no_final_line_end", "a,b\r\n1,2", ',', '"', {{"a", "b"}, {"1", "2"}}, {1, 2}},
        CsvCase{"old_mac_line_ends", "a\r1\r", ',', '"', {{"a"}, {"1"}}, {1, 2}},
        CsvCase{"quoted_delimiter_quote_and_breaks", "x,\"a,\"\"b\"\"\r\nc\"\ny,z\n", ',', '"',
                {{"x", "a,\"b\"\r\nc"}, {"y", "z"}}, {1, 3}},
        CsvCase{"empty_fields_and_blank_lines", "\n\na,,\r\n\r\n,\"\",c\n", ',', '"', {{"a", "", ""}, {"", "", "c"}},
                {3, 5}},
        CsvCase{"blanks_kept_and_after_quote_dropped", " a , \"b\"  ;x\n", ';', '"', {{" a , \"b\"  ", "x"}}, {1}},
        CsvCase{"quote_inside_unquoted_field", "5\" nail,2\n", ',', '"', {{"5\" nail", "2"}}, {1}},
        CsvCase{"tabs_and_single_quotes", "'a\tb'\tc\n", '\t', '\'', {{"a\tb", "c"}}, {1}},
        CsvCase{"no_text_delimiter", "\"a\"|b\n", '|', std::nullopt, {{"\"a\"", "b"}}, {1}},
        CsvCase{"byte_order_mark_dropped", "\xEF\xBB\xBF" "Code\n1\n", ',', '"', {{"Code"}, {"1"}}, {1, 2}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(SheetColumnNames, EmptyAndRepeatedNamesBecomeUnique) {
    using V = std::vector<std::string>;
    EXPECT_EQ(UniqueColumnNames(V{"Code", "", "Name", "name", "", "Name"}),
              (V{"Code", "F2", "Name", "name_2", "F5", "Name_3"}));
    // A header that already reads F2 keeps it; the empty column moves aside.
    EXPECT_EQ(UniqueColumnNames(V{"", "F1", "Price_2", "Price", "Price"}), (V{"F1_2", "F1", "Price_2", "Price", "Price_3"}));
    EXPECT_EQ(GeneratedColumnNames(3), (V{"F1", "F2", "F3"}));
    EXPECT_EQ(ColumnLetters(1), "A");
    EXPECT_EQ(ColumnLetters(27), "AA");
    EXPECT_EQ(ColumnLetters(37), "AK");
}

TEST(SheetCellText, NumbersInTheirShortestFormAndDatesFromSerials) {
    struct N {
        double value;
        const char* text;
    };
    for (const N& n : {N{12.5, "12.5"}, N{14.0, "14"}, N{0.1 + 0.2, "0.3"}, N{12.500000000000002, "12.5"},
                       N{-0.5, "-0.5"}, N{1e20, "100000000000000000000"}, N{1.0 / 3, "0.333333333333333"}})
        EXPECT_EQ(SheetNumberText(n.value), n.text) << n.value;
    struct D {
        double serial;
        bool date1904;
        const char* text;
    };
    for (const D& d : {D{1, false, "1900-01-01 00:00:00"}, D{59, false, "1900-02-28 00:00:00"},
                       D{61, false, "1900-03-01 00:00:00"}, D{38053.5, false, "2004-03-07 12:00:00"},
                       D{0.25, false, "1899-12-30 06:00:00"}, D{0, true, "1904-01-01 00:00:00"}})
        EXPECT_EQ(FormatDateTime(DateFromSerial(d.serial, d.date1904)), d.text) << d.serial;
    EXPECT_EQ(CellText(SheetCell::Date(DateFromSerial(38053, false))), "2004-03-07");
    double v = 0;
    EXPECT_TRUE(ParseSheetNumber("+4", v) && v == 4);
    EXPECT_TRUE(ParseSheetNumber("-1e3", v) && v == -1000);
    for (const char* bad : {"", "+", "++1", "1,5", "12.5x", "inf", "nan", "1e999", "0x10"})
        EXPECT_FALSE(ParseSheetNumber(bad, v)) << bad;
    EXPECT_EQ(CellText(SheetCell::Boolean(true)), "TRUE");
}

TEST(SheetNumberFormats, DatesAreToldByIdOrCode) {
    struct F {
        int id;
        const char* code;
        bool date;
    };
    for (const F& f : {F{14, "", true}, F{22, "", true}, F{0, "", false}, F{2, "", false}, F{49, "", false},
                       F{164, "dd/mm/yyyy", true}, F{165, "[$-409]h:mm AM/PM", true}, F{166, "[h]:mm", true},
                       F{167, "0.00\" days\"", false}, F{168, "#,##0;[Red]-#,##0", false},
                       F{169, "\\d0.0", false}, F{170, "General", false}, F{171, "0.0;\"yy\"", false}})
        EXPECT_EQ(IsDateFormat(f.id, f.code), f.date) << f.code;
}

TEST(TextSettings, FormatsAndCharacterSetsAreRead) {
    char d = 0;
    EXPECT_TRUE(ParseTextFormat("CSVDelimited", d) && d == ',');
    EXPECT_TRUE(ParseTextFormat("tabdelimited", d) && d == '\t');
    EXPECT_TRUE(ParseTextFormat("Delimited(;)", d) && d == ';');
    EXPECT_FALSE(ParseTextFormat("Delimited(;;)", d));
    EXPECT_FALSE(ParseTextFormat("FixedLength", d));
    EXPECT_EQ(CharsetFromSetting("ANSI"), "WINDOWS-1252");
    EXPECT_EQ(CharsetFromSetting("OEM"), "CP850");  // the text case reads a letter CP437 has too
    EXPECT_EQ(CharsetFromSetting("utf-8"), "UTF-8");
    EXPECT_EQ(CharsetFromSetting("Klingon"), "");
}

TEST(TextSettings, Utf8IsToldFromOtherBytesAcrossReadPieces) {
    EXPECT_EQ(ValidUtf8Prefix("Caf\xC3\xA9"), 5u);
    EXPECT_EQ(ValidUtf8Prefix("Caf\xE9"), 3u);
    EXPECT_EQ(ValidUtf8Prefix("\xC0\xAF"), 0u);          // overlong
    EXPECT_EQ(ValidUtf8Prefix("\xED\xA0\x80"), 0u);      // surrogate
    EXPECT_EQ(ValidUtf8Prefix("\xF4\x90\x80\x80"), 0u);  // above U+10FFFF
    // A character cut by the 64 KiB read boundary is still valid.
    std::string big(65535, 'a');
    std::istringstream cut(big + "\xE2\x82\xAC" + big);
    EXPECT_TRUE(StreamIsUtf8(cut));
    std::istringstream bad(big + "\xE2\x82");
    EXPECT_FALSE(StreamIsUtf8(bad));
}

}  // namespace
}  // namespace qdt::db::sheets
