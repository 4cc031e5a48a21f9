// Actinic imports: whole runs through the check and the transfer from the test
// shop (a SQLite file read as an Access catalogue) into SQLite and MariaDB; the
// exact statements to a recording destination, how many go to the source for
// each product, and the random names its downloads are given.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <stdexcept>

#include "data/Detection.h"
#include "data/run/ConnectionProfile.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/ActinicImporter.h"
#include "importers/ImportShop.h"
#include "support/PassThroughProvider.h"
#include "support/RecordingConnection.h"
#include "support/ShopDatabases.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::Not;
using testing::Files;
using testing::HasSubstr;
using testing::Lines;
using testing::Rows;
using testing::WriteFiles;

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

class ActinicImport : public testing::RunTest {
protected:
    // "sqlite" or "mysql": the destination.
    void Prepare(const std::string& destination) {
        fs::copy_file(QDT_ACTINIC_FIXTURES "/shop.sqlite", root_ + "/actinic.sqlite");
        WriteFiles(root_, {{"images/images/Teas.GIF", "teas"}, {"images/images/Sencha.png", "sencha"},
                           {"images/images/sencha_big.jpg", "sencha-big"}, {"images/downloads/MANUAL.pdf", "manual"},
                           {"images/kettle.zip", "kettle"}, {"uploads/files_versions/old.zip", "old"},
                           {"uploads/images_categories/3.gif", "old category"}});
        ASSERT_NO_FATAL_FAILURE(shop_.Make(destination));
    }

    // Through the check, which must take the file for an Actinic catalogue.
    testing::Outcome Import(bool copyImages = true) {
        data::ConnectionProfile source;
        source.Kind = data::kAccess;
        source.Database = root_ + "/actinic.sqlite";
        return Run(source, data::kImagesActinic, copyImages);
    }
};

class ActinicRun : public ActinicImport, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(Prepare(GetParam())); }
};

TEST_P(ActinicRun, ImportsSectionsProductsVersionsAndDownloads) {
    const testing::Outcome run = Import();
    ASSERT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(testing::Counts(conn), "5|7|16|6|0");
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i) EXPECT_EQ(Rows(conn, kCatalogue[i]), kExpected[i]);

    // Each copied download is named by its version and a random part the row records, none the same.
    std::map<std::string, std::string> expectedFiles = {{"images_categories/1.gif", "teas"},
                                                        {"images_products/1.png", "sencha"},
                                                        {"images_products_large/1.JPG", "sencha-big"}};
    std::set<std::string> randomParts;
    for (const std::string& row : Rows(conn, "SELECT V_ID, V_DownloadInfo FROM tblQuillmartVersions WHERE "
                                             "V_DownloadType = 'u' ORDER BY V_ID")) {
        const std::string id = row.substr(0, row.find('|')), random = row.substr(row.rfind('|') + 1);
        const std::string extension = row.substr(id.size() + 1, row.size() - id.size() - random.size() - 2);
        randomParts.insert(random);
        expectedFiles["files_versions/" + id + "_" + random + "." + extension] = id == "1" ? "manual" : "kettle";
    }
    EXPECT_EQ(randomParts.size(), 5u);
    EXPECT_EQ(Files(uploads_), expectedFiles) << run.warnings;

    EXPECT_THAT(run.log, HasSubstr("\r\n\r\nDeleting catalogue tables... done.\r\nDeleting old category images... "
                                   "done.\r\nAdding categories... done.\r\nDeleting old product images... done.\r\n"
                                   "Deleting old product images (large)... done.\r\nDeleting old version uploads... "
                                   "done.\r\nGetting record count... 7\r\nAdding products...done.\r\n"));
    for (const char* warning :
         {"The section 'Stray' (7) names a parent section that is not in the catalogue; it was imported as a "
          "top-level category.",
          "The product 'Lost' (reference '109') is in the section 42, which is not in the catalogue; it was imported "
          "without a category.",
          "The download file 'missing.zip' of the product 'O'Neill's mug' was not found; its versions were imported "
          "without a download."})
        EXPECT_THAT(run.warnings, HasSubstr(warning));
}

TEST_P(ActinicRun, WithImagesOffNoFileIsTouchedAndNoVersionIsADownload) {
    const auto files = Files(root_);
    const testing::Outcome run = Import(false);
    ASSERT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(Rows(conn, "SELECT DISTINCT V_DownloadType, V_DownLoadInfo FROM tblQuillmartVersions"), Lines{"n|"});
    EXPECT_EQ(testing::Counts(conn), "5|7|16|6|0");
    EXPECT_EQ(Files(root_), files);
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
    for (const std::string& sql : GetParam().changes) test::OpenSqlite(root_ + "/actinic.sqlite").Execute(sql)->Close();
    const auto before = test::Dump(shop_.profile.Database);
    const auto files = Files(uploads_);
    const testing::Outcome run = Import();
    EXPECT_FALSE(run.succeeded);
    EXPECT_THAT(run.log, AllOf(HasSubstr(GetParam().product), HasSubstr(GetParam().column),
                               Not(HasSubstr("Deleting catalogue tables"))));
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

// The rows' values are left to the whole runs; here, the read-backs in the
// destination's dialect, which no run on SQLite or MariaDB shows.
TEST(ActinicStatements, ReadBackInTheDestinationsDialect) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.destination.Kind = data::kSqlServer;
    const std::string store = test::TempDir();
    test::WriteFile(store + "/downloads/MANUAL.pdf", "manual");
    ctx.settings.ImageCopySettings[data::kImagesActinic] = {true, store, test::TempDir()};
    test::RecordingConnection destination;
    destination
        .Tables({"tblQuillmartConfig", "tblQuillmartProdType", "tblQuillmartProducts", "tblQuillmartVersions",
                 "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"})
        .AnswerPrefix("SELECT CFG_Value", {{"CFG_Value"}, {db::kVarWChar}, {}})  // the tax bands are empty
        .AnswerPrefix("SELECT", {{"ID"}, {db::kInteger}, {{db::Value::Integer(7)}}});
    db::Connection source, d = destination.Open();
    source.Open("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" QDT_ACTINIC_FIXTURES "/shop.sqlite");
    RandomName names(5), same(5);
    ImportActinic(ctx, source, d, {}, &names);
    EXPECT_THAT(destination.Statements(),
                ::testing::IsSupersetOf(std::vector<std::string>{
                    "SELECT TOP 1 PT_ID FROM tblQuillmartProdType WHERE PT_Name1='Teas' ORDER BY PT_ID DESC",
                    "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Neill''s mug' ORDER BY P_ID DESC",
                    "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_Name1='Sencha' ORDER BY V_ID DESC",
                    // A product's rate is found without TOP.
                    "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
                    "UPDATE tblQuillmartVersions SET V_DownloadInfo = 'PDF|" + same.Next(8) +
                        "', V_DownloadType = 'u' WHERE V_ID = 7"}));
    EXPECT_EQ(destination.OpenResults(), 0);
}

// Passes every call on, counting the statements.
class CountingProvider : public test::PassThroughProvider {
public:
    CountingProvider(std::unique_ptr<db::ConnectionProvider> inner, int& count)
        : PassThroughProvider(std::move(inner)), count_(count) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override {
        ++count_;
        return inner_->Execute(sql);
    }

private:
    int& count_;
};

// Each import replaces the shop's catalogue, so one shop serves them all.
int SourceStatements(testing::ImportShop& shop, int products) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.destination = shop.profile;
    int count = 0;
    db::Connection source(std::make_unique<CountingProvider>(
        db::OpenProvider("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" QDT_ACTINIC_FIXTURES "/bench-" +
                         std::to_string(products) + ".sqlite"),
        count));
    db::Connection destination = shop.Open();
    // As the run does: one transaction, not a disk flush per row.
    destination.BeginTrans();
    ImportActinic(ctx, source, destination);
    destination.CommitTrans();
    return count;
}

// Each product of the bench shape (two attributes of four choices on one
// component, a price rule per choice) costs the same number of statements,
// however many products there are: its attributes, their choices and
// component (6), and two rule lookups for each of its 16 versions; besides
// sections, tax columns, components and products read once each.
TEST(ActinicSourceLoad, IsTheSameForEveryProductWhateverTheCatalogueSize) {
    testing::ImportShop shop;
    ASSERT_NO_FATAL_FAILURE(shop.Make("sqlite"));
    for (const int products : {5, 10, 20}) EXPECT_EQ(SourceStatements(shop, products), 4 + 38 * products) << products;
}

// Names of one character run out after 36: each is handed out once, so two
// downloads of one run never share a file.
TEST(RandomName, NeverRepeatsANameAndUsesDigitsAndSmallLetters) {
    RandomName names(3);
    std::set<std::string> seen;
    for (int i = 0; i < 36; ++i) EXPECT_TRUE(seen.insert(names.Next(1)).second);
    std::string all;
    for (const std::string& s : seen) all += s;
    EXPECT_EQ(all, "0123456789abcdefghijklmnopqrstuvwxyz");
    EXPECT_THROW(names.Next(1), std::length_error);
}

TEST(RandomName, GeneratorsMadeApartDoNotFollowTheSameSequence) {
    RandomName a, b;
    std::set<std::string> first;
    for (int i = 0; i < 20; ++i) first.insert(a.Next(8));
    int shared = 0;
    for (int i = 0; i < 20; ++i) shared += first.count(b.Next(8)) > 0;
    EXPECT_EQ(shared, 0);
}

}  // namespace
}  // namespace qdt::importers
