// Whole imports of the demo catalogue from its .xls, .xlsx and .csv files,
// through the real sheet sources, into SQLite and MariaDB: each file gives
// the same catalogue and the same image files.
#include <gtest/gtest.h>

#include <filesystem>
#include <tuple>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "importers/ImportShop.h"
#include "wizard/TransferRun.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;
using testing::Lines;
using testing::Rows;

// The texts the sources read and the numbers they convert; the mapping itself
// is the flat-file runs' business.
const std::pair<const char*, Lines> kCatalogue[] = {
    {"SELECT PT_ID, PT_MotherProdType, PT_Name1, PT_Desc1 FROM tblQuillmartProdtype ORDER BY PT_ID",
     {"1|0|Tea|Loose leaf teas from three continents.", "2|1|Green Tea|Steamed and pan-fired green teas.",
      "3|1|Black Tea|Strong teas for the morning.", "4|0|E-Books|Guides to brewing, as downloads."}},
    {"SELECT P_ID, P_Name1, P_Desc1, P_StrapLine1, P_SpecTable1, P_Hyperlink1 FROM tblQuillmartProducts "
     "ORDER BY P_ID",
     {"1|Sencha|A grassy Japanese green tea.|Fresh from Shizuoka||",
      "2|Assam 'Harmutty'|Malty, with a \"bright\" liquor.|Estate tea||",
      "3|The Tea Guide|Everything about brewing; 120 pages.||<table><tr><td>Pages</td><td>120</td></tr></table>|"
      "https://example.org/guide"}},
    {"SELECT V_CodeNumber, V_Name1, V_Desc1, V_Price, V_Weight, V_RRP, V_Quantity, V_Product, T_TaxRate "
     "FROM tblQuillmartVersions JOIN tblQuillmartTaxRates ON T_ID = V_Tax ORDER BY V_ID",
     {"SEN-100|100 g|Tin of 100 g|7.5|0.15|8.95|40|1|20", "SEN-250|250 g|Bag of 250 g|17.25|0.3|19.5|12|1|20",
      "ASM-100|100 g||5.95|0.12|6.5|0|2|20", "ASM-1000|1 kg|Catering bag|44|1.05|49|3|2|20",
      "BK-PDF|PDF|Download, 4 MB|9.99|0|12.99|999|3|0"}},
    {"SELECT * FROM tblQuillmartProductProdTypeLink ORDER BY 1, 2", {"1|2", "2|1", "2|3", "3|4"}}};

// Each uploads file and the demo image it must be a copy of.
const std::pair<const char*, const char*> kImages[] = {
    {"images_categories/1.png", "tea.png"},           {"images_categories_large/1.png", "tea-large.png"},
    {"images_categories/2.png", "green.png"},         {"images_categories/3.png", "black.png"},
    {"images_categories/4.png", "books.png"},         {"images_products/1.png", "sencha.png"},
    {"images_products_large/1.png", "sencha-large.png"}, {"images_products/2.PNG", "assam.png"},
    {"images_products/3.png", "guide.png"},           {"images_versions/1.png", "packs/sencha-100.png"}};

// (file, destination)
class SheetImport : public ::testing::TestWithParam<std::tuple<std::string, std::string>> {};

TEST_P(SheetImport, GivesTheSameCatalogueAndImages) {
    const auto& [file, destination] = GetParam();
    testing::ImportShop shop;
    ASSERT_NO_FATAL_FAILURE(shop.Make(destination));
    if (IsSkipped()) return;
    const fs::path folder = test::TempDir() + "/catalogue";
    fs::create_directories(folder);
    fs::copy_file(fs::path(QDT_DEMO_CATALOGUE) / file, folder / file);
    // A schema.ini key the text source does not use is named in the run's warnings.
    const bool text = file == "catalogue.csv";
    if (text) test::WriteFile(folder / "schema.ini", "[catalogue.csv]\r\nFormat=CSVDelimited\r\nMaxScanRows=0\r\n");
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads);

    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source.Kind = text ? data::kTextFile : data::kExcel;
    ctx.source.Database = (folder / file).string();
    ctx.source.ConnectionString = data::GetConnectionString(ctx.source);
    ctx.source.SystemName = data::kSystemFlatFile;
    ctx.destination = shop.profile;
    ctx.settings.ImageCopySettings[data::kImagesFlatFile] = {true, std::string(QDT_DEMO_CATALOGUE) + "/images",
                                                             uploads};
    ASSERT_TRUE(wizard::RunTransfer(ctx).succeeded) << status.txtStep2;

    db::Connection conn = shop.Open();
    for (const auto& [sql, expected] : kCatalogue) EXPECT_EQ(Rows(conn, sql), expected) << sql;
    std::map<std::string, std::string> expectedFiles;
    for (const auto& [name, image] : kImages)
        expectedFiles[name] = test::Files(std::string(QDT_DEMO_CATALOGUE) + "/images").at(image);
    EXPECT_EQ(test::Files(uploads), expectedFiles);
    const std::size_t problems = status.txtStep2.find("\r\nThe following problems were encountered;\r\n");
    EXPECT_EQ(problems != std::string::npos, text) << status.txtStep2;
    EXPECT_EQ(status.txtStep2.find("the key 'MaxScanRows' in [catalogue.csv] is not used and was ignored.\r\n",
                                   problems) != std::string::npos,
              text);
}

INSTANTIATE_TEST_SUITE_P(FilesAndDestinations, SheetImport,
                         ::testing::Combine(::testing::Values("catalogue.xls", "catalogue.xlsx", "catalogue.csv"),
                                            ::testing::Values("sqlite", "mysql")),
                         [](const auto& info) {
                             std::string name = std::get<0>(info.param) + "_" + std::get<1>(info.param);
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace qdt::importers
