// The exact statements of a flat-file import, through a recording destination.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "data/Detection.h"
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

TEST_F(FlatFileStatements, SqlServerImportWritesEachCategoryProductLinkVersionAndRateOnce) {
    const char* pt = "SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1 = ";
    destination.Answer(pt + std::string("'Tea' ORDER BY PT_ID DESC"), Id(11))
        .Answer(pt + std::string("'Green' ORDER BY PT_ID DESC"), Id(12))
        .Answer(pt + std::string("'Black' ORDER BY PT_ID DESC"), Id(13))
        .AnswerPrefix("SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'Sencha'", Id(21))
        .AnswerPrefix("SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'O''Brien''s Assam'", Id(22))
        .AnswerPrefix("SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_CodeNumber = 'S-100'", Id(31))
        .AnswerPrefix("SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_CodeNumber = 'A-1'", Id(33))
        .Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5", Id(41))
        .Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5", Id(42))
        .Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0", Id(44));

    const auto statements = Import({
        Version({"Tea", "Green"}, "Sencha", "S-100",
                {{kPrice, "4.5"},
                 {kQuantity, "10"},
                 {kWeight, "0.1"},
                 {kRrp, "5"},
                 {kCategoryDesc, "Leaves"},
                 {kVersionImage, "v.gif"}}),
        // Same path and product: only a version, and "12.50" written as the tool reads it; without
        // an image the version's identity is not asked for.
        Version({"Tea", "Green"}, "Sencha", "S-250", {{kPrice, "12.50"}, {kProductDesc, "not the first"}}),
        // Level 2 empty: Black hangs under Tea.
        Version({"Tea", "", "Black"}, "O'Brien's Assam", "A-1",
                {{kTaxRate, "5"},
                 {kVersionName, "250 g"},
                 {kVersionDesc, "Loose"},
                 {kProductDesc, "Malty"},
                 {kProductStrapLine, "Strong"},
                 {kProductSpecTable, "<table/>"},
                 {kProductHyperlink, "http://x"},
                 {kVersionLargeImage, "nothing.gif"}}),
    });

    const std::string ptInsert =
        "INSERT INTO tblQuillmartProdtype (PT_MotherProdType, PT_Live, PT_Name1, PT_Desc1, PT_ProductDisplayType, "
        "PT_ProdTypeDisplayType, PT_OrderByValue, PT_OrderProductsBy) VALUES (";
    const std::string pInsert =
        "INSERT INTO tblQuillmartProducts (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_SpecTable1, P_Hyperlink1, "
        "P_Featured, P_OrderByValue, P_OrderVersionsBy, P_VersionDisplayType) VALUES ('y', ";
    const std::string vInsert =
        "INSERT INTO tblQuillmartVersions (V_Name1, V_CodeNumber, V_Price, V_Weight, V_RRP, V_Quantity, V_Desc1, "
        "V_Product, V_Live, V_DownLoadInfo, V_DownloadType, V_OrderByValue, V_Tax) VALUES (";
    const std::vector<std::string> expected = {
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'orderhandlingchargetaxband'",
        "SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 2",
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
        "DELETE FROM tblQuillmartProdtype",
        "DELETE FROM tblQuillmartProducts",
        "DELETE FROM tblQuillmartVersions",
        "DELETE FROM tblQuillmartProductProdTypeLink",
        "DELETE FROM tblQuillmartTaxRates",
        ptInsert + "0,'y','Tea', 'Leaves', 'd', 'd', 0,'')",
        std::string(pt) + "'Tea' ORDER BY PT_ID DESC",
        ptInsert + "11,'y','Green', '', 'd', 'd', 0,'')",
        std::string(pt) + "'Green' ORDER BY PT_ID DESC",
        pInsert + "'Sencha', '', '', '', '', 0, 0, '', 'd')",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'Sencha' ORDER BY P_ID DESC",
        "INSERT INTO tblQuillmartProductProdTypeLink VALUES(21,12)",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (17.5)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
        vInsert + "'', 'S-100', 4.5, 0.1, 5, 10, '', 21,'y','','n',0,41)",
        "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_CodeNumber = 'S-100' ORDER BY V_ID DESC",
        vInsert + "'', 'S-250', 12.5, 0.5, 12, 5, '', 21,'y','','n',0,41)",
        ptInsert + "11,'y','Black', '', 'd', 'd', 0,'')",
        std::string(pt) + "'Black' ORDER BY PT_ID DESC",
        pInsert + "'O''Brien''s Assam', 'Malty', 'Strong', '<table/>', 'http://x', 0, 0, '', 'd')",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1 = 'O''Brien''s Assam' ORDER BY P_ID DESC",
        "INSERT INTO tblQuillmartProductProdTypeLink VALUES(22,13)",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (5)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5",
        vInsert + "'250 g', 'A-1', 10, 0.5, 12, 5, 'Loose', 22,'y','','n',0,42)",
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
                                   "': nothing.gif.\r\n");
}

// A refusal comes before anything is written (only the tax band reads run)
// and names file, row and column; an empty message means the sheet is accepted.
struct Refusal {
    const char* name;
    std::vector<Cells> rows;
    std::string message;
    std::size_t columns = kFlatFileColumns;
};

class FlatFileRefusals : public FlatFileStatements, public ::testing::WithParamInterface<Refusal> {};

TEST_P(FlatFileRefusals, NameFileRowAndColumnAndChangeNothing) {
    destination.AnswerPrefix("SELECT", Id(7));
    try {
        Import(GetParam().rows, GetParam().columns);
        EXPECT_EQ(GetParam().message, "") << "the import was not refused";
        return;
    } catch (const std::runtime_error& e) {
        EXPECT_EQ(e.what(), GetParam().message);
    }
    for (const std::string& statement : destination.Statements())
        EXPECT_EQ(statement.rfind("SELECT ", 0), 0u) << statement;
    EXPECT_TRUE(std::filesystem::is_empty(uploads)) << "the staging folder is left";
}

const std::string kAt = "of worksheet Sheet1 of 'C:\\shop\\catalogue.xls', column ";
const std::string kNotImported = " The catalogue was not imported.";

INSTANTIATE_TEST_SUITE_P(
    Cells, FlatFileRefusals,
    ::testing::Values(
        Refusal{"SqlInAPrice",
                {Version({"Tea"}, "Sencha", "S-1", {{kPrice, "0); DELETE FROM tblQuillmartConfig; --"}})},
                "Row 2 " + kAt + "AG (Price): the price '0); DELETE FROM tblQuillmartConfig; --' is not a number." +
                    kNotImported},
        Refusal{"EmptyQuantityOnTheThirdRow",
                {Version({"Tea"}, "Sencha", "S-1"), Version({"Tea"}, "Sencha", "S-2", {{kQuantity, ""}})},
                "Row 3 " + kAt + "AH (Quantity): the quantity in stock is empty." + kNotImported},
        Refusal{"BlankWeight",
                {Version({"Tea"}, "Sencha", "S-1", {{kWeight, "  "}})},
                "Row 2 " + kAt + "AI (Weight): the weight is empty." + kNotImported},
        Refusal{"DecimalComma",
                {Version({"Tea"}, "Sencha", "S-1", {{kRrp, "12,50"}})},
                "Row 2 " + kAt + "AJ (RRP): the recommended retail price '12,50' is not a number." + kNotImported},
        Refusal{"PercentSign",
                {Version({"Tea"}, "Sencha", "S-1", {{kTaxRate, "17.5%"}})},
                "Row 2 " + kAt + "AK (Tax Rate): the tax rate '17.5%' is not a number." + kNotImported},
        Refusal{"TooLarge",
                {Version({"Tea"}, "Sencha", "S-1", {{kPrice, "1e400"}})},
                "Row 2 " + kAt + "AG (Price): the price '1e400' is not a number." + kNotImported},
        Refusal{"HalfAnItem",
                {Version({"Tea"}, "Sencha", "S-1", {{kQuantity, "2.5"}})},
                "Row 2 " + kAt + "AH (Quantity): the quantity in stock '2.5' is not a whole number." + kNotImported},
        Refusal{"LongCellIsCut",
                {Version({"Tea"}, "Sencha", "S-1", {{kPrice, "1 UNION SELECT CFG_Value FROM tblQuillmartConfig"}})},
                "Row 2 " + kAt +
                    "AG (Price): the price '1 UNION SELECT CFG_Value FROM tblQuillma...' is not a number." +
                    kNotImported},
        Refusal{"ThirtySixColumns",
                {Version({"Tea"}, "Sencha", "S-1")},
                "worksheet Sheet1 of 'C:\\shop\\catalogue.xls' has 36 columns, but a catalogue needs 37, from column A "
                "(level 1 category name) to column AK (tax rate)." +
                    kNotImported,
                36},
        Refusal{"NoColumnsAndNoRows",
                {},
                "worksheet Sheet1 of 'C:\\shop\\catalogue.xls' has 0 columns, but a catalogue "
                "needs 37, from column A (level 1 category name) to column AK (tax rate)." +
                    kNotImported,
                0},
        // Numbers nobody reads are not checked.
        Refusal{"ARepeatedCode",
                {Version({}, "P", "S-1"), Version({}, "P", "S-1", {{kPrice, "0); DROP TABLE x; --"}})},
                ""},
        Refusal{"ARowWithoutCode", {Version({}, "P", "", {{kPrice, "n/a"}}), Version({}, "P", "S-1")}, ""}),
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

}  // namespace
}  // namespace qdt::importers
