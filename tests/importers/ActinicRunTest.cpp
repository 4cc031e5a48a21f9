// Whole Actinic imports through the check and the transfer run, from the test
// shop (a SQLite file read as an Access catalogue) into SQLite and MariaDB.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "importers/ImportShop.h"
#include "support/ShopDatabases.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;
using testing::Files;
using testing::Lines;
using testing::Rows;
using test::WriteFile;

const std::string kLongName = std::string(73, 'x') + "\u00e9'";

const char* const kCatalogue[] = {
    "SELECT PT_ID, PT_MotherProdType, PT_Live, PT_Name1, PT_Desc1, PT_ProductDisplayType, PT_ProdTypeDisplayType, "
    "PT_OrderByValue, PT_OrderProductsBy FROM tblQuillmartProdtype ORDER BY PT_ID",
    "SELECT P_ID, P_Live, P_Name1, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, P_OrderByValue, "
    "P_OrderVersionsBy, P_VersionDisplayType FROM tblQuillmartProducts WHERE P_ID <= 3 ORDER BY P_ID",
    "SELECT V_ID, V_Name1, V_CodeNumber, V_Price, T_TaxRate, V_Weight, V_Quantity, V_QuantityWarnLevel, V_Product, "
    "V_DownloadType, V_OrderByValue, V_RRP FROM tblQuillmartVersions JOIN tblQuillmartTaxRates ON T_ID = V_Tax "
    "WHERE V_ID IN (1, 2, 3, 4, 8, 9, 11, 12, 13, 14, 15) ORDER BY V_ID",
    "SELECT PPT_ProductID, PPT_ProdTypeID FROM tblQuillmartProductProdTypeLink ORDER BY 1",
    "SELECT T_TaxRate FROM tblQuillmartTaxRates ORDER BY T_ID",
    "SELECT DISTINCT V_Live, V_Desc1 FROM tblQuillmartVersions"};
const Lines kExpected[] = {
    // Green's parent (Loose) has the larger id; Stray's parent does not exist.
    {"1|0|y|Teas|Fine teas|d|n|2|P_OrderByValue", "2|0|n|Hidden|Not shown|d|n|3|P_OrderByValue",
     "3|1|y|Loose||d|n|1|P_OrderByValue", "4|3|y|Green||d|n|1|P_OrderByValue", "5|0|y|Stray||d|n|4|P_OrderByValue"},
    {"1|y|Sencha|First flush|||0|3|V_OrderByValue|n", "2|y|T-shirt||||0|0|V_OrderByValue|o",
     "3|y|Gift set||||0|0|V_OrderByValue|p"},
    {// Two tax columns: 17.5 %, and 50 hundredths on the price.
     "1|Sencha|1-1|5|17.5|3|8|2|1|u|0|0",
     // 2 x 3 choices, the first attribute fastest.
     "2|Red, S|24-1|10|5|0|5|4|2|n|11|0", "3|Blue, S|24-2|10|5|0|5|4|2|n|12|0", "4|Red, M|25-3|10|5|0|5|4|2|n|21|0",
     // Without the optional card, its price is left out; with it, the card's price is added.
     "8|Gift set|10300-1|20|17.5|0|0|0|3|n|0|0", "9|Card|103-2|22.5|17.5|0|0|0|3|n|1|0",
     // Price rules of kinds 2, 0 and 1 (with -1 for any colour) under pricing model 1.
     "11|Small, Red|55-1|1.5|17.5|2|0|0|5|u|2|0", "12|Large, Red|55-2|3.7|17.5|2|0|0|5|u|3|0",
     "13|Small, Green|56-3|1.5|17.5|2|0|0|5|u|3|0", "14|Large, Green|56-4|3.7|17.5|2|0|0|5|u|4|0",
     // Cut to 75 characters before its quote is doubled; the download is missing.
     "15|" + kLongName + "|71-1|7.99|17.5|0|0|0|6|n|5|0"},
    {"1|4", "2|1", "3|1", "4|3", "5|2", "6|1"},
    {"17.5", "5", "0"},
    {"y|"}};

class ActinicImport : public ::testing::Test {
protected:
    // "sqlite" or "mysql": the destination.
    void Prepare(const std::string& destination) {
        const std::string root = test::TempDir();
        store_ = root + "/store";
        uploads_ = root + "/uploads";
        source_ = root + "/actinic.sqlite";
        fs::copy_file(QDT_ACTINIC_FIXTURES "/shop.sqlite", source_);
        WriteFile(store_ + "/images/Teas.GIF", "teas");
        WriteFile(store_ + "/images/Sencha.png", "sencha");
        WriteFile(store_ + "/images/sencha_big.jpg", "sencha-big");
        WriteFile(store_ + "/downloads/MANUAL.pdf", "manual");
        WriteFile(store_ + "/kettle.zip", "kettle");
        WriteFile(uploads_ + "/files_versions/old.zip", "old");
        WriteFile(uploads_ + "/images_categories/3.gif", "old category");
        ASSERT_NO_FATAL_FAILURE(shop_.Make(destination));
    }

    // The check, then the run, as the wizard takes them.
    wizard::StepOutcome Import(run::TextStatus& status, bool copyImages = true) {
        run::RunContext ctx(status);
        ctx.source.Kind = data::kAccess;
        ctx.source.Database = source_;
        ctx.destination = shop_.profile;
        if (!wizard::RunConnectionCheck(ctx).succeeded) {
            ADD_FAILURE() << status.txtConnect;
            return {};
        }
        EXPECT_EQ(ctx.source.SystemName, data::kSystemActinic);
        EXPECT_EQ(data::FormatVersion(ctx.source.Version), "61");
        ctx.settings.ImageCopySettings[data::kImagesActinic] = {copyImages, store_, uploads_};
        wizard::StepOutcome outcome = wizard::RunTransfer(ctx);
        warnings_ = ctx.strWarnings;
        return outcome;
    }

    void Change(const std::string& sql) {
        db::Connection c = test::OpenSqlite(source_);
        c.Execute(sql)->Close();
    }

    std::string store_, uploads_, source_, warnings_;
    testing::ImportShop shop_;
};

class ActinicRun : public ActinicImport, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Prepare(GetParam())); }
};

TEST_P(ActinicRun, ImportsSectionsProductsVersionsAndDownloads) {
    run::TextStatus status;
    ASSERT_TRUE(Import(status).succeeded) << status.txtStep2;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(testing::Counts(conn), "5|7|16|6|0");
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i) EXPECT_EQ(Rows(conn, kCatalogue[i]), kExpected[i]);

    // Each copied download is named by its version and a random part the row records.
    std::map<std::string, std::string> expectedFiles = {{"images_categories/1.gif", "teas"},
                                                        {"images_products/1.png", "sencha"},
                                                        {"images_products_large/1.JPG", "sencha-big"}};
    std::set<std::string> randomParts;
    for (const std::string& row : Rows(conn, "SELECT V_ID, V_DownloadInfo FROM tblQuillmartVersions WHERE "
                                             "V_DownloadType = 'u' ORDER BY V_ID")) {
        const std::string id = row.substr(0, row.find('|'));
        const std::string info = row.substr(row.find('|') + 1);
        const std::string extension = info.substr(0, info.find('|'));
        const std::string random = info.substr(info.find('|') + 1);
        EXPECT_EQ(random.size(), 8u) << row;
        EXPECT_EQ(random.find_first_not_of("0123456789abcdefghijklmnopqrstuvwxyz"), std::string::npos) << row;
        randomParts.insert(random);
        expectedFiles["files_versions/" + id + "_" + random + "." + extension] = id == "1" ? "manual" : "kettle";
    }
    EXPECT_EQ(randomParts.size(), 5u);
    EXPECT_EQ(Files(uploads_), expectedFiles) << warnings_;

    EXPECT_NE(status.txtStep2.find("\r\n\r\nDeleting catalogue tables... done.\r\nDeleting old category images... "
                                   "done.\r\nAdding categories... done.\r\nDeleting old product images... done.\r\n"
                                   "Deleting old product images (large)... done.\r\nDeleting old version uploads... "
                                   "done.\r\nGetting record count... 7\r\nAdding products...done.\r\n"),
              std::string::npos)
        << status.txtStep2;
    for (const char* warning :
         {"The section 'Stray' (7) names a parent section that is not in the catalogue; it was imported as a "
          "top-level category.",
          "The product 'Lost' (reference '109') is in the section 42, which is not in the catalogue; it was imported "
          "without a category.",
          "The download file 'missing.zip' of the product 'O'Neill's mug' was not found; its versions were imported "
          "without a download."})
        EXPECT_NE(warnings_.find(warning), std::string::npos) << warnings_;
}

TEST_P(ActinicRun, WithImagesOffNoFileIsTouchedAndNoVersionIsADownload) {
    run::TextStatus status;
    const auto files = Files(uploads_);
    ASSERT_TRUE(Import(status, false).succeeded) << status.txtStep2;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(Rows(conn, "SELECT DISTINCT V_DownloadType, V_DownLoadInfo FROM tblQuillmartVersions"), Lines{"n|"});
    EXPECT_EQ(testing::Counts(conn), "5|7|16|6|0");
    EXPECT_EQ(Files(uploads_), files);
}

INSTANTIATE_TEST_SUITE_P(Destinations, ActinicRun, ::testing::Values("sqlite", "mysql"));

// A value that must be a number and is not: the import stops before the first change.
struct BadValue {
    const char* name;
    std::vector<std::string> changes;  // to the source shop
    const char* product;
    const char* column;
};

class ActinicConversions : public ActinicImport, public ::testing::WithParamInterface<BadValue> {};

TEST_P(ActinicConversions, StopTheImportNamingProductAndColumnWithNothingWritten) {
    ASSERT_NO_FATAL_FAILURE(Prepare("sqlite"));
    for (const std::string& sql : GetParam().changes) Change(sql);
    const auto before = test::Dump(shop_.profile.Database);
    const auto files = Files(uploads_);
    run::TextStatus status;
    EXPECT_FALSE(Import(status).succeeded);
    EXPECT_NE(status.txtStep2.find(GetParam().product), std::string::npos) << status.txtStep2;
    EXPECT_NE(status.txtStep2.find(GetParam().column), std::string::npos) << status.txtStep2;
    EXPECT_EQ(status.txtStep2.find("Deleting catalogue tables"), std::string::npos) << status.txtStep2;
    EXPECT_EQ(test::Dump(shop_.profile.Database), before);
    EXPECT_EQ(Files(uploads_), files);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ActinicConversions,
    ::testing::Values(
        BadValue{"Shipping", {"UPDATE Product SET ShippingOpaqueData = 'heavy' WHERE \"Product reference\" = '105'"},
                 "The product 'Kettle' (reference '105') has 'heavy' in ShippingOpaqueData", "ShippingOpaqueData"},
        BadValue{"Reference",
                 {"UPDATE Product SET \"Product reference\" = 'GIFT' WHERE \"Product reference\" = '103'",
                  "UPDATE productproperties SET sProductRef = 'GIFT' WHERE sProductRef = '103'"},
                 "The product 'Gift set' (reference 'GIFT') has 'GIFT'", "Product reference"},
        BadValue{"ReferencedProduct", {"UPDATE productproperties SET sString2 = 'card' WHERE nPropertyID = 30"},
                 "The component 'Greeting card' of the product with reference '103' has 'card'", "sString2"},
        BadValue{"TaxColumn", {"UPDATE Product SET sTax1OpaqueData = '1=lots=0' WHERE \"Product reference\" = '102'"},
                 "The product 'T-shirt' (reference '102') has 'lots' in sTax1OpaqueData", "sTax1OpaqueData"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::importers
