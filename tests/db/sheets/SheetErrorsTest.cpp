#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/sheets/TextProvider.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

namespace fs = std::filesystem;

std::string Fixture(const std::string& name) { return std::string(QDT_SHEET_FIXTURES) + "/" + name; }

std::string ExcelString(const std::string& path) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + path + ";Extended Properties=\"Excel 8.0;HDR=yes\"";
}
std::string TextString(const std::string& folder) {
    return "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + folder + ";Extended Properties=\"text\"";
}

struct BadInput {
    const char* label;
    // Files written into a fresh folder, opened as a text source when no
    // workbook is named. "{dir}" in the workbook's path stands for that folder.
    std::vector<std::pair<std::string, std::string>> files;
    std::string workbook;
    std::string statement;
    std::vector<std::string> expected;  // parts of the message
    std::string textFolder = "{dir}";
};

void PrintTo(const BadInput& b, std::ostream* os) { *os << b.label; }

class BadSheetInput : public ::testing::TestWithParam<BadInput> {};

TEST_P(BadSheetInput, IsRefusedNamingFileRowAndColumn) {
    const BadInput& b = GetParam();
    std::string folder = test::TempDir();
    for (const auto& [name, bytes] : b.files) std::ofstream(folder + "/" + name, std::ios::binary) << bytes;
    auto at = [&](std::string path) {
        if (path.rfind("{dir}", 0) == 0) path.replace(0, 5, folder);
        return path;
    };
    const std::string message = test::ErrorText<DatabaseError>([&] {
        Connection c;
        c.Open(b.workbook.empty() ? TextString(at(b.textFolder)) : ExcelString(at(b.workbook)));
        for (auto rs = c.Execute(b.statement); !rs->Eof(); rs->MoveNext()) {
        }
    });
    for (const std::string& part : b.expected) EXPECT_NE(message.find(part), std::string::npos) << message;
}

const std::string kItems = "SELECT * FROM items.csv";

INSTANTIATE_TEST_SUITE_P(
    Cases, BadSheetInput,
    ::testing::Values(
        BadInput{"ragged_short", {{"items.csv", "a,b,c\r\n1,2,3\r\n4,5\r\n"}}, "", kItems,
                 {"'items.csv'", "ragged row: row 3 has 2 fields", "column 3 (c) is missing"}},
        BadInput{"ragged_long", {{"items.csv", "a,b\n1,\"x\ny\",3\n"}}, "", kItems,
                 {"row 2 has 3 fields", "column 3 is one too many"}},
        BadInput{"bad_utf8_declared",
                 {{"items.csv", "a,b\n1,ok\n2,\xC3\x28\n"}, {"schema.ini", "[items.csv]\nCharacterSet=65001\n"}},
                 "",
                 kItems,
                 {"'items.csv'", "not valid UTF-8", "row 3, column 2 (b)"}},
        BadInput{"neither_utf8_nor_1252", {{"items.csv", "a,b\n1,x\x81y\n"}}, "", kItems,
                 {"not valid Windows-1252", "row 2, column 2 (b)"}},
        BadInput{"unclosed_quote", {{"items.csv", "a,b\n1,\"open\n2,3\n"}}, "", kItems,
                 {"'items.csv'", "line 2, column 2", "not closed"}},
        BadInput{"text_after_quote", {{"items.csv", "a,b\n\"x\"y,2\n"}}, "", kItems,
                 {"line 2, column 1", "after the closing quote"}},
        BadInput{"declared_number",
                 {{"items.csv", "a,b\n1,2\n\n3,x\n"}, {"schema.ini", "[ITEMS.CSV]\nCol2=b Long\n"}},
                 "",
                 kItems,
                 {"'x'", "row 3 (line 4), column 2 (b)", "whole number"}},
        BadInput{"utf16_text", {{"items.csv", std::string("\xFF\xFE" "a\0,\0b\0", 8)}}, "", kItems,
                 {"'items.csv' is saved as UTF-16"}},
        BadInput{"fixed_length", {{"items.csv", "a\n1\n"}, {"schema.ini", "[items.csv]\nFormat=FixedLength\n"}}, "",
                 kItems, {"schema.ini, line 2", "fixed-length"}},
        BadInput{"unknown_column_type", {{"items.csv", "a\n1\n"}, {"schema.ini", "[items.csv]\nCol1=a Money\n"}}, "",
                 kItems, {"'Money' is not a column type"}},
        BadInput{"missing_text_file", {}, "", "SELECT * FROM nope.csv", {"Could not find the text file 'nope.csv'"}},
        BadInput{"missing_folder", {}, "", "", {"Could not find the folder '/nonexistent/data'"}, "/nonexistent/data"},
        BadInput{"missing_workbook", {}, "/nonexistent/shop.xls", "", {"Could not find the Excel file"}},
        BadInput{"missing_worksheet", {}, Fixture("products.xlsx"), "SELECT TOP 1 * FROM [Sheet1$]",
                 {"'products.xlsx' has no worksheet named 'Sheet1'"}},
        BadInput{"encrypted_xlsx", {}, Fixture("encrypted.xlsx"), "", {"'encrypted.xlsx' is encrypted"}},
        BadInput{"damaged_xlsx", {}, Fixture("damaged.xlsx"), "", {"'damaged.xlsx' is damaged"}},
        BadInput{"damaged_xls", {}, Fixture("damaged.xls"), "", {"'damaged.xls'"}},
        BadInput{"two_sheets_one_name", {}, Fixture("twins.xlsx"), "",
                 {"The Excel file 'twins.xlsx' has two sheets named 'PRICES'."}},
        BadInput{"not_a_workbook", {{"shop.xls", "Code,Name\n"}}, "{dir}/shop.xls", "", {"'shop.xls' is not an Excel workbook"}}),
    [](const auto& info) { return std::string(info.param.label); });

TEST(TextSource, BigFilesGoToATemporaryFileThatIsGoneAtOnce) {
    std::string folder = test::TempDir();
    std::string temp = test::TempDir();
    {
        std::ofstream f(folder + "/big.txt", std::ios::binary);
        f << "n\tname\n";
        for (int i = 0; i < 5000; ++i) f << i << "\tproduct " << i << "\n";
    }
    std::ofstream(folder + "/schema.ini") << "[big.txt]\nFormat=TabDelimited\nDecimalSymbol=,\n";
    sheets::TextOptions options;
    options.place.inMemoryLimit = 0;
    options.place.tempDir = temp;
    Connection c(sheets::OpenTextFolder(folder, options));
    auto rs = c.Execute("SELECT COUNT(*), MAX(name) FROM big.txt");
    EXPECT_EQ(rs->Fields(0).Value().ToText(), "5000");
    EXPECT_EQ(rs->Fields(1).Value().ToText(), "product 999");
    EXPECT_TRUE(fs::is_empty(temp));
    ASSERT_EQ(c.Warnings().size(), 1u);
    EXPECT_EQ(c.Warnings()[0], "schema.ini: the key 'DecimalSymbol' in [big.txt] is not used and was ignored.");
}

}  // namespace
}  // namespace qdt::db
