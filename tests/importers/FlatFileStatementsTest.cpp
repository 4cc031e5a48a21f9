// The exact statements of a flat-file import, through a recording destination.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/SqlLiterals.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/CatalogueImport.h"
#include "importers/CatalogueSheet.h"
#include "importers/FlatFileImporter.h"

namespace qdt::importers {
namespace {

using testing::Cells;
using testing::Version;

test::CannedResult Id(int id) { return {{"ID"}, {db::kInteger}, {{db::Value::Integer(id)}}}; }

class FlatFileStatements : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.source.Kind = data::kExcel;
        ctx.source.Database = "C:\\shop\\catalogue.xls";
        ctx.source.SystemName = data::kSystemFlatFile;
        ctx.destination.Kind = data::kSqlServer;
        // The blank shop scripts spell the category table with a small t.
        destination.Tables({"tblQuillmartConfig", "tblQuillmartProdtype", "tblQuillmartProducts",
                            "tblQuillmartVersions", "tblQuillmartProductProdTypeLink", "tblQuillmartTaxRates"});
        destination.Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'orderhandlingchargetaxband'",
                           {{"CFG_Value"}, {db::kVarWChar}, {{db::Value::Text("2")}}});
        destination.Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 2",
                           {{"T_TaxRate"}, {db::kDouble}, {{db::Value::Double(17.5)}}});
        destination.Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
                           {{"CFG_Value"}, {db::kVarWChar}, {}});
        const std::string images = test::TempDir();
        std::ofstream(images + "/v.gif") << "GIF89a";
        uploads = test::TempDir();
        ctx.settings.ImageCopySettings[data::kImagesFlatFile] = {true, images, uploads};
    }

    std::vector<std::string> Import(const std::vector<Cells>& rows, std::size_t columns = kFlatFileColumns) {
        source.Answer("SELECT * FROM [Sheet1$]", testing::CannedSheet(rows, columns));
        db::Connection s = source.Open(), d = destination.Open();
        ImportFlatFile(ctx, "[Sheet1$]", s, d);
        return destination.Statements();
    }

    run::TextStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection source, destination;
    std::string uploads;
};

// The rows' values are left to the whole runs; here, the reads, clearing and
// read-backs in the destination's dialect, each once and in order.
TEST_F(FlatFileStatements, SqlServerImportReadsBackEachCategoryProductVersionAndRateOnce) {
    const char* pt = "SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1 = ";
    // The bands' rates are found as 41 and 44; any other row as 7.
    destination.Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5", Id(41))
        .Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0", Id(44))
        .AnswerPrefix("SELECT TOP 1", Id(7));

    std::vector<std::string> statements;
    for (const std::string& sql : Import({
             Version({"Tea", "Green"}, "Sencha", "S-100", {{kVersionImage, "v.gif"}}),
             // Same path and product: only a version; without an image its identity is not asked for.
             Version({"Tea", "Green"}, "Sencha", "S-250"),
             // Level 2 empty: Black hangs under Tea.
             Version({"Tea", "", "Black"}, "O'Brien's Assam", "A-1",
                     {{kTaxRate, "5"}, {kVersionLargeImage, "x.gif"}}),
         }))
        if (sql.rfind("INSERT INTO tblQuillmartP", 0) != 0 && sql.rfind("INSERT INTO tblQuillmartVersions", 0) != 0)
            statements.push_back(sql);

    const std::vector<std::string> expected = {
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'orderhandlingchargetaxband'",
        "SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 2",
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
        "DELETE FROM tblQuillmartProdtype",
        "DELETE FROM tblQuillmartProducts",
        "DELETE FROM tblQuillmartVersions",
        "DELETE FROM tblQuillmartProductProdTypeLink",
        "DELETE FROM tblQuillmartTaxRates",
        std::string(pt) + "'Tea' ORDER BY PT_ID DESC",
        std::string(pt) + "'Green' ORDER BY PT_ID DESC",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'Sencha' ORDER BY P_ID DESC",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (17.5)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
        "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_CodeNumber = 'S-100' ORDER BY V_ID DESC",
        std::string(pt) + "'Black' ORDER BY PT_ID DESC",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'O''Brien''s Assam' ORDER BY P_ID DESC",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (5)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5",
        "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_CodeNumber = 'A-1' ORDER BY V_ID DESC",
        // The order handling band's 17.5 was imported; shipping's 0 (no setting) was not.
        "UPDATE tblQuillmartConfig SET CFG_Value='41' WHERE CFG_Name = 'orderhandlingchargetaxband'",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (0)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0",
        "UPDATE tblQuillmartConfig SET CFG_Value='44' WHERE CFG_Name = 'shiptaxband'",
    };
    EXPECT_EQ(statements, expected);
    EXPECT_EQ(status.txtStep2,
              "\r\nGetting order handling charge tax band value... done.\r\nGetting shipping tax band value... done."
              "\r\nGetting Record Count... 3\r\nDeleting records from destination tables... done."
              "\r\nDeleting old category, product and version images... done.\r\nProcessing Records... "
              "done.\r\nSetting order handling charge tax band value... done."
              "\r\nSetting shipping tax band value... done.");
    EXPECT_EQ(status.BarValue(run::Bar::Total), 100);
    EXPECT_EQ(destination.OpenResults(), 0);
    EXPECT_EQ(ctx.strWarnings, "1 file named by the catalogue could not be found in the source image folder '" +
                                   ctx.settings.ImageCopySettings[data::kImagesFlatFile].SourceDir +
                                   "': x.gif.\r\n");
}

// A refusal comes before anything is written (only the tax band reads run)
// and names file, row and column; an empty message means the sheet is accepted.
// The sheet is a good row S-1 and a row with one cell changed.
struct Refusal {
    const char* name;
    std::size_t column;
    const char* cell;
    std::string message;
    const char* code = "S-2";
    std::size_t columns = kFlatFileColumns;
};

class FlatFileRefusals : public FlatFileStatements, public ::testing::WithParamInterface<Refusal> {};

TEST_P(FlatFileRefusals, NameFileRowAndColumnAndChangeNothing) {
    const Refusal& r = GetParam();
    destination.AnswerPrefix("SELECT", Id(7));
    try {
        Import({Version({"Tea"}, "Sencha", "S-1"), Version({"Tea"}, "Sencha", r.code, {{r.column, r.cell}})},
               r.columns);
        EXPECT_EQ(r.message, "") << "the import was not refused";
        return;
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), r.message);
    }
    for (const std::string& statement : destination.Statements())
        EXPECT_EQ(statement.rfind("SELECT ", 0), 0u) << statement;
    EXPECT_TRUE(std::filesystem::is_empty(uploads)) << "the staging folder is left";
}

const std::string kNotImported = " The catalogue was not imported.";
std::string AtRow3(const std::string& problem) {
    return "Row 3 of worksheet Sheet1 of 'C:\\shop\\catalogue.xls', column " + problem + kNotImported;
}
std::string Columns(const std::string& count) {
    return "worksheet Sheet1 of 'C:\\shop\\catalogue.xls' has " + count +
           " columns, but a catalogue needs 37, from column A (level 1 category name) to column AK (tax rate)." +
           kNotImported;
}

INSTANTIATE_TEST_SUITE_P(
    Cells, FlatFileRefusals,
    ::testing::Values(
        Refusal{"SqlInAPrice", kPrice, "0); DELETE FROM tblQuillmartConfig; --",
                AtRow3("AG (Price): the price '0); DELETE FROM tblQuillmartConfig; --' is not a number.")},
        Refusal{"EmptyQuantity", kQuantity, "", AtRow3("AH (Quantity): the quantity in stock is empty.")},
        Refusal{"BlankWeight", kWeight, "  ", AtRow3("AI (Weight): the weight is empty.")},
        Refusal{"DecimalComma", kRrp, "12,50",
                AtRow3("AJ (RRP): the recommended retail price '12,50' is not a number.")},
        Refusal{"PercentSign", kTaxRate, "17.5%", AtRow3("AK (Tax Rate): the tax rate '17.5%' is not a number.")},
        Refusal{"TooLarge", kPrice, "1e400", AtRow3("AG (Price): the price '1e400' is not a number.")},
        Refusal{"HalfAnItem", kQuantity, "2.5",
                AtRow3("AH (Quantity): the quantity in stock '2.5' is not a whole number.")},
        Refusal{"LongCellIsCut", kPrice, "1 UNION SELECT CFG_Value FROM tblQuillmartConfig",
                AtRow3("AG (Price): the price '1 UNION SELECT CFG_Value FROM tblQuillma...' is not a number.")},
        Refusal{"ThirtySixColumns", kPrice, "10", Columns("36"), "S-2", 36},
        Refusal{"NoColumns", kPrice, "10", Columns("0"), "S-2", 0},
        // Numbers nobody reads are not checked.
        Refusal{"ARepeatedCode", kPrice, "0); DROP TABLE x; --", "", "S-1"},
        Refusal{"ARowWithoutCode", kPrice, "n/a", "", ""}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return info.param.name; });

// The table the run reads: the text file's own, the chosen worksheet, or the workbook's first.
struct TableChoice {
    std::string textTable;
    std::string worksheet;
    std::string read;
};

class FlatFileTables : public FlatFileStatements, public ::testing::WithParamInterface<TableChoice> {};

TEST_P(FlatFileTables, AreReadWholeOnce) {
    ctx.source.TextTable = GetParam().textTable;
    ctx.source.Server = GetParam().worksheet;
    source.Tables({"Prices$", "Sheet2$"}).AnswerPrefix("SELECT * FROM ", testing::CannedSheet({Version({}, "P", "S")}));
    destination.AnswerPrefix("SELECT", Id(7));
    db::Connection s = source.Open(), d = destination.Open();
    ImportCatalogue(ctx, s, d);
    EXPECT_EQ(source.Statements(), std::vector<std::string>{GetParam().read});
    EXPECT_EQ(status.txtStep2.rfind("\r\nOpening file... done.\r\nGetting order handling", 0), 0u) << status.txtStep2;
    EXPECT_EQ(status.BarMax(run::Bar::Total), 100);
}

INSTANTIATE_TEST_SUITE_P(Sources, FlatFileTables,
                         ::testing::Values(TableChoice{"items.csv", "", "SELECT * FROM items.csv"},
                                           TableChoice{"", "Summer Prices", "SELECT * FROM [Summer Prices$]"},
                                           TableChoice{"", "", "SELECT * FROM [Prices$]"}));

// The number cells of a catalogue are placed bare in SQL, so only what the
// tool reads as a number may go there, and then only the text it writes.
TEST(CellNumber, OnlyANumberPassesAndInTheShortestTextThatReadsBack) {
    const auto literal = [](const char* cell) { return data::NumberLiteral(db::Value::Text(cell)); };
    for (const char* cell : {"inf", "-infinity", "nan", "0x1A", "1e", "1e+", "--1", "+-1", "1.2.3", ".", "1 000",
                             "12.5.", "1e5.5", "12abc", "0); --", "1\n2", "1e-400", "\xd9\xa1"})
        EXPECT_FALSE(literal(cell)) << cell;
    for (const auto& [cell, written] : std::initializer_list<std::pair<const char*, const char*>>{
             {"0.1", "0.1"},
             {" 17.50 ", "17.5"},
             {"14.0", "14"},
             {"1e21", "1e+21"},
             {"1.7976931348623157e308", "1.7976931348623157e+308"},
             {"2.2250738585072014E-308", "2.2250738585072014e-308"},
             {"0.30000000000000004", "0.30000000000000004"}})
        EXPECT_EQ(literal(cell), written) << cell;
}

}  // namespace
}  // namespace qdt::importers
