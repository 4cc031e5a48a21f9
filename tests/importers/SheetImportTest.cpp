// Whole imports of the demo catalogue from its .xls, .xlsx and .csv files,
// through the real sheet sources: each file gives the same shop and the same
// image files. The mapping itself is the flat-file runs' business.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/Detection.h"
#include "importers/ImportShop.h"
#include "support/ShopDatabases.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;
using testing::Lines;
using testing::Rows;

struct Imported {
    std::map<std::string, std::string> shop, files;
    Lines versions;
    std::string log;
};

Imported ImportDemo(const std::string& file) {
    testing::ImportShop shop;
    shop.Make("sqlite");
    const fs::path folder = test::TempDir() + "/catalogue";
    fs::create_directories(folder);
    fs::copy_file(fs::path(QDT_DEMO_CATALOGUE) / file, folder / file);
    // A schema.ini key the text source does not use is named in the run's warnings.
    const bool text = file == "catalogue.csv";
    if (text) test::WriteFile(folder / "schema.ini", "[catalogue.csv]\r\nFormat=CSVDelimited\r\nMaxScanRows=0\r\n");
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads);
    data::ConnectionProfile source;
    source.Kind = text ? data::kTextFile : data::kExcel;
    source.Database = (folder / file).string();
    source.ConnectionString = data::GetConnectionString(source);
    source.SystemName = data::kSystemFlatFile;
    const testing::Outcome run = testing::Transfer(source, shop.profile, data::kImagesFlatFile,
                                                   {true, std::string(QDT_DEMO_CATALOGUE) + "/images", uploads});
    EXPECT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop.Open();
    Lines versions = Rows(conn, "SELECT V_CodeNumber, V_Price, V_Weight, V_RRP, V_Quantity, V_Product, V_Tax FROM "
                                "tblQuillmartVersions ORDER BY V_ID");
    conn.Close();
    return {test::Dump(shop.profile.Database), test::Files(uploads), versions, run.log};
}

TEST(SheetImport, TheThreeFilesOfACatalogueGiveTheSameShopAndImages) {
    const Imported xlsx = ImportDemo("catalogue.xlsx");
    // What the comparison rests on: every version arrived, its numbers as typed.
    EXPECT_EQ(xlsx.versions, (Lines{"SEN-100|7.5|0.15|8.95|40|1|1", "SEN-250|17.25|0.3|19.5|12|1|1",
                                    "ASM-100|5.95|0.12|6.5|0|2|1", "ASM-1000|44|1.05|49|3|2|1",
                                    "BK-PDF|9.99|0|12.99|999|3|2"}));
    EXPECT_EQ(xlsx.files.size(), 10u);
    EXPECT_EQ(xlsx.log.find("The following problems"), std::string::npos) << xlsx.log;
    for (const char* file : {"catalogue.xls", "catalogue.csv"}) {
        SCOPED_TRACE(file);
        const Imported other = ImportDemo(file);
        EXPECT_EQ(other.shop, xlsx.shop);
        EXPECT_EQ(other.files, xlsx.files);
        // Only the text source reads a schema.ini.
        const std::size_t problems = other.log.find("\r\nThe following problems were encountered;\r\n");
        const bool named = other.log.find("the key 'MaxScanRows' in [catalogue.csv] is not used and was ignored.\r\n",
                                          problems) != std::string::npos;
        EXPECT_EQ(problems != std::string::npos && named, std::string(file) == "catalogue.csv") << other.log;
    }
}

}  // namespace
}  // namespace qdt::importers
