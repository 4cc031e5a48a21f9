#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/DataType.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using Rows = std::vector<std::vector<std::string>>;

// One text file (and its schema.ini) read the way a user described it.
struct TextCase {
    const char* label;
    std::string file;
    std::string bytes;
    std::string schemaIni;
    Rows expected;  // the column names first
    std::string extended = "text";
    std::vector<int> types = {};
};

void PrintTo(const TextCase& c, std::ostream* os) { *os << c.label; }

class TextFormats : public ::testing::TestWithParam<TextCase> {};

TEST_P(TextFormats, ReadAsDescribed) {
    const TextCase& c = GetParam();
    std::string folder = test::TempDir();
    std::ofstream(folder + "/" + c.file, std::ios::binary) << c.bytes;
    if (!c.schemaIni.empty()) std::ofstream(folder + "/Schema.ini", std::ios::binary) << c.schemaIni;
    Connection conn;
    conn.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + ";Extended Properties=\"" + c.extended +
              "\"");
    auto rs = conn.Execute("SELECT * FROM " + c.file);
    Rows rows(1);
    std::vector<int> types;
    for (const Field& f : rs->AllFields()) {
        rows[0].push_back(f.Name());
        types.push_back(f.Type());
    }
    for (; !rs->Eof(); rs->MoveNext()) {
        rows.emplace_back();
        for (const Field& f : rs->AllFields()) rows.back().push_back(f.Value().IsNull() ? "NULL" : f.Value().ToText());
    }
    EXPECT_EQ(rows, c.expected);
    if (!c.types.empty()) {
        EXPECT_EQ(types, c.types);
    }
    EXPECT_TRUE(conn.Warnings().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TextFormats,
    ::testing::Values(
        TextCase{"tabs_without_header", "items.txt", "1\t2\n3\t4\n",
                 "[items.txt]\nFormat=TabDelimited\nColNameHeader=False\n", Rows{{"F1", "F2"}, {"1", "2"}, {"3", "4"}}},
        TextCase{"own_delimiter_no_text_delimiter", "items.csv", "a|b\n\"x\"|y\n",
                 "[items.csv]\r\nFormat=Delimited(|)\r\nTextDelimiter=none\r\n", Rows{{"a", "b"}, {"\"x\"", "y"}}},
        TextCase{"oem_code_page", "items.csv", "Name\ncaf\x82\n", "[items.csv]\nCharacterSet=OEM\n",
                 Rows{{"Name"}, {"café"}}},
        TextCase{"code_page_number", "items.csv", "Name\n\xE8\x61j\n", "[items.csv]\nCharacterSet=1250\n",
                 Rows{{"Name"}, {"čaj"}}},
        TextCase{"windows_1252_when_not_utf8", "items.csv", "Name,Price\nCaf\xE9,\x80 5\n", "",
                 Rows{{"Name", "Price"}, {"Café", "€ 5"}}},
        TextCase{"texts_stay_as_typed", "items.csv", "Code,Price\n00123,17.50\n 7 ,1e3\n", "",
                 Rows{{"Code", "Price"}, {"00123", "17.50"}, {" 7 ", "1e3"}}, "text", {kVarWChar, kVarWChar}},
        TextCase{"declared_columns", "items.csv", "a,b,c,d,e\n17.50,3,3/7/2004,yes,x\n,,,,\n",
                 "[items.csv]\nCol1=Price Currency\nCol2=Qty Long\nCol3=Added DateTime\nCol4=Live Bit\n"
                 "Col5=\"Long Note\" Memo\n",
                 Rows{{"Price", "Qty", "Added", "Live", "Long Note"},
                      {"17.5", "3", "2004-03-07 00:00:00", "1", "x"},
                      {"NULL", "NULL", "NULL", "NULL", "NULL"}},
                 "text", {kCurrency, kInteger, kDate, kBoolean, kLongVarWChar}},
        TextCase{"connection_properties", "items.csv", "1;2\n", "", Rows{{"F1", "F2"}, {"1", "2"}},
                 "text;HDR=No;FMT=Delimited(;)"},
        TextCase{"other_section_ignored", "items.csv", "a,b\n1,2\n", "[other.csv]\nFormat=TabDelimited\nBogus=1\n",
                 Rows{{"a", "b"}, {"1", "2"}}},
        TextCase{"empty_file", "items.csv", "", "", Rows{{"F1"}}}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace qdt::db
