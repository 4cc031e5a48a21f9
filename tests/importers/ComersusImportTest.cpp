// Comersus imports: whole runs with SQLite and MariaDB on either side, and the
// exact statements through recording connections.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <map>
#include <pthread.h>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/ComersusImporter.h"
#include "importers/ImportShop.h"
#include "support/RecordingConnection.h"
#include "support/ScriptShop.h"

namespace qdt::importers {
namespace {

using testing::Files;
using testing::HasSubstr;
using testing::Lines;
using testing::Rows;
using testing::WriteFiles;
using V = db::Value;

// Besides the counts, the category tree whole and one row for each way a product or version is made.
const char* const kCatalogue[] = {
    "SELECT PT_ID, PT_MotherProdType, PT_Live, PT_Name1, PT_Desc1, PT_ProductDisplayType, PT_ProdTypeDisplayType, "
    "PT_OrderByValue, PT_OrderProductsBy FROM tblQuillmartProdtype ORDER BY PT_ID",
    "SELECT P_ID, P_Live, P_Name1, P_Desc1, P_StrapLine1, P_Hyperlink1, P_Featured, P_OrderByValue, "
    "P_OrderVersionsBy, P_VersionDisplayType FROM tblQuillmartProducts WHERE P_ID IN (1, 3, 4, 6, 7) ORDER BY P_ID",
    "SELECT V_ID, V_Product, V_Name1, V_CodeNumber, V_Price, V_Tax, V_Weight, V_Quantity, V_QuantityWarnLevel, "
    "V_Desc1, V_Live, V_DownLoadInfo, V_DownloadType, V_OrderByValue, V_RRP FROM tblQuillmartVersions "
    "WHERE V_ID IN (1, 4, 5, 9, 10, 13, 15) ORDER BY V_ID",
    "SELECT PPT_ProductID, PPT_ProdTypeID FROM tblQuillmartProductProdTypeLink ORDER BY 1, 2",
    "SELECT RP_ParentID, RP_ChildID FROM tblQuillmartRelatedProducts ORDER BY RP_ID",
    "SELECT T_ID, T_TaxRate FROM tblQuillmartTaxRates ORDER BY T_ID"};
const Lines kExpected[] = {
    // Root's children first by id: Hats (3) with its subtree, then Shoes (10),
    // under which Boots (2) and its Rain boots come before the second Sale.
    {"1|0|y|Hats|Hats|e|n|2|", "2|1|y|Sale|Sale|e|n|0|", "3|1|n|Kids' Hats|Kids' Hats|e|n|1|",
     "4|0|y|Shoes|Shoes|e|n|1|", "5|4|y|Boots|Boots|e|n|3|", "6|5|y|Rain boots|Rain boots|e|n|0|",
     "7|4|y|Sale|Sale|e|n|0|"},
    {"1|y|Plain mug|White, 300 ml|||1|0|V_OrderByValue|n", "3|y|Hoodie||||0|0|V_OrderByValue|o",
     "4|y|Gift set||||0|0|V_OrderByValue|r", "6|y|O'Neill pen|Refills: C:\\pens\\refill|||0|0|V_OrderByValue|n",
     "7|n|Old stock||||0|0|V_OrderByValue|n"},
    {"1|1|Plain mug|MUG-1|19.99|1|0.3|8|3||y||n|1|24.99",
     // An option's price and weight are added.
     "4|2|M|TEE-3|15|1|0.3|5|0||y||n|1|0",
     // The empty Engraving group between Fit and Colour is left out.
     "5|3|Hoodie|HOOD-1|30|1|0.5|0|0||y||f|0|35", "9|3|Slim, Red|HOOD-5|30|1|0.5|0|0||y||f|1|35",
     "10|3|Loose, Red|HOOD-6|30|1|0.7|0|0||y||f|1|35",
     // A hidden product still counts as an item of a bundle.
     "13|4|Secret tea|SEC|8.25|1|0.15|8|0||y||n|1|0", "15|6|O'Neill pen|PEN-1|2.2|1|0.01|0|0||y||n|1|0"},
    {"1|1", "2|7", "3|5", "7|6"},
    {"1|2", "2|1"},
    {"1|17.5"}};

class ComersusRun : public testing::RunTest, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        WriteFiles(root_, {{"images/images/hats.gif", "hats"}, {"images/images/mug.gif", "mug"},
                           {"images/images/mug_big.jpg", "mug-big"}, {"images/images/secret.png", "secret"},
                           {"uploads/images_categories/9.png", "old category"},
                           {"uploads/images_products/1.gif", "old product"},
                           {"uploads/images_versions/3.gif", "old version"}});
        ASSERT_NO_FATAL_FAILURE(source_.Make(testing::Source(GetParam())));
        if (IsSkipped()) return;
        ASSERT_NO_FATAL_FAILURE(shop_.Make(testing::Destination(GetParam())));
    }

    test::ScriptShop source_{QDT_COMERSUS_SCRIPTS, "comersus-shop.sql", data::kSystemComersus};
};

TEST_P(ComersusRun, ReplacesTheCatalogueAndItsImages) {
    const testing::Outcome run = Run(source_.profile, data::kImagesComersus);
    ASSERT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(testing::Counts(conn), "7|7|16|4|2");
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i) EXPECT_EQ(Rows(conn, kCatalogue[i]), kExpected[i]);
    EXPECT_EQ(Files(uploads_), (std::map<std::string, std::string>{
                                   {"images_categories/1.gif", "hats"}, {"images_products/1.gif", "mug"},
                                   {"images_products_large/1.jpg", "mug-big"}, {"images_versions/12.gif", "mug"},
                                   {"images_versions/13.png", "secret"}, {"images_versions_large/12.jpg", "mug-big"}}));
    EXPECT_THAT(run.log,
                HasSubstr("\r\n\r\nDeleting catalogue tables... done.\r\nDeleting old category images... done.\r\n"
                          "Adding categories... done.\r\nDeleting old product images... done.\r\n"
                          "Deleting old product images (large)... done.\r\nDeleting old version images... done.\r\n"
                          "Getting record count... 7\r\nAdding products...done.\r\nAdding related products... "
                          "done.\r\n"));
    EXPECT_EQ(run.warnings,
              "The Comersus product 1 ('Plain mug') was not linked to the category 1, 5: no such category was "
              "imported (Root and the categories it does not reach are not).\r\nThe Comersus product 1 ('Plain "
              "mug') was not related to the product 6: no such product was imported (hidden products are not).\r\n");
}

TEST_P(ComersusRun, AFailurePartWayLeavesRowsAndImagesAsTheyWere) {
    const testing::Outcome first = Run(source_.profile, data::kImagesComersus);
    ASSERT_TRUE(first.succeeded) << first.log;
    db::Connection conn = shop_.Open();
    const Lines before = testing::Everything(conn);
    const auto files = Files(root_);

    // The last product fails after every table was written and images were staged.
    source_.Execute("UPDATE products SET price = NULL WHERE idProduct = 8");
    const testing::Outcome run = Run(source_.profile, data::kImagesComersus);
    EXPECT_FALSE(run.succeeded);
    EXPECT_THAT(run.log, HasSubstr("Error occurred!\r\nThe Comersus product 8 ('Old stock'), column price: the "
                                   "value is empty, but it must be a number.\r\n"));
    EXPECT_EQ(testing::Everything(conn), before);
    EXPECT_EQ(Files(root_), files);
}

INSTANTIATE_TEST_SUITE_P(Engines, ComersusRun, ::testing::Values("sqlite>sqlite", "sqlite>mysql", "mysql>sqlite"),
                         testing::EnginesName);

// Runs work on a thread with a small stack, so that depth taken from it shows.
void OnSmallStack(const std::function<void()>& work) {
    pthread_attr_t attr;
    pthread_attr_init(&attr);
    pthread_attr_setstacksize(&attr, 512 * 1024);
    pthread_t thread;
    auto call = [](void* arg) -> void* {
        (*static_cast<const std::function<void()>*>(arg))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attr, call, const_cast<std::function<void()>*>(&work)), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attr);
}

TEST(ComersusTree, AChainOfTwentyThousandLevelsIsWrittenParentFirst) {
    test::ScriptShop source{QDT_COMERSUS_SCRIPTS, "comersus-shop.sql", data::kSystemComersus};
    ASSERT_NO_FATAL_FAILURE(source.Make("sqlite"));
    source.Execute("WITH RECURSIVE chain(n) AS (SELECT 1 UNION ALL SELECT n + 1 FROM chain WHERE n < 20000) "
                   "INSERT INTO categories (idCategory, idParentCategory, categoryDesc, imageCategory, active, "
                   "displayOrder) SELECT 1000 + n, CASE n WHEN 1 THEN 1 ELSE 999 + n END, 'Level ' || n, '', -1, n "
                   "FROM chain");
    testing::ImportShop shop;
    ASSERT_NO_FATAL_FAILURE(shop.Make("sqlite"));
    testing::Outcome run;
    OnSmallStack([&] { run = testing::Transfer(source.profile, shop.profile); });
    ASSERT_TRUE(run.succeeded) << run.log.substr(0, 2000);
    db::Connection conn = shop.Open();
    // Every level hangs under the one before it; Level 1 is top-level.
    EXPECT_EQ(test::Count(conn, "SELECT COUNT(*) FROM tblQuillmartProdtype c JOIN tblQuillmartProdtype p ON "
                                "p.PT_ID = c.PT_MotherProdType WHERE c.PT_Name1 = 'Level ' || (c.PT_OrderByValue) "
                                "AND p.PT_Name1 = 'Level ' || (c.PT_OrderByValue - 1)"),
              19999);
    EXPECT_EQ(Rows(conn, "SELECT PT_MotherProdType FROM tblQuillmartProdtype WHERE PT_Name1 = 'Level 1'"),
              Lines{"0"});
}

test::CannedResult Id(int id) { return {{"ID"}, {db::kInteger}, {{V::Integer(id)}}}; }

const std::vector<std::string> kDestinationTables = {
    "tblQuillmartProdType",           "tblQuillmartProducts",        "tblQuillmartVersions",
    "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"};

const std::map<std::string, std::vector<std::string>> kSourceColumns = {
    {"categories", {"idCategory", "idParentCategory", "categoryDesc", "imageCategory", "active", "displayOrder"}},
    {"products",
     {"idProduct", "listHidden", "active", "description", "details", "listPrice", "freeShipping", "stock",
      "stockSecurity", "stockLevelAlert", "showInHome", "isBundleMain", "price", "weight", "sku", "smallImageURL",
      "imageURL"}},
    {"categories_products", {"idProduct", "idCategory"}},
    {"relatedProducts", {"idProduct", "idRelatedProduct"}},
    {"bundles", {"mainIdProduct", "idProduct"}},
    {"optionsgroups", {"idOptionGroup", "OptionGroupDesc"}},
    {"optionsgroups_products", {"idOptionGroup", "idProduct"}},
    {"options", {"idOption", "optionDescrip", "priceToAdd", "weight"}},
    {"options_optionsgroups", {"idOption", "idOptionGroup"}},
};

// The rows' values are left to the whole runs; here, the read-backs in the
// destination's dialect, which no run on SQLite or MariaDB shows.
TEST(ComersusShopStatements, ReadBackInTheDestinationsDialect) {
    test::ScriptShop shop{QDT_COMERSUS_SCRIPTS, "comersus-shop.sql", data::kSystemComersus};
    ASSERT_NO_FATAL_FAILURE(shop.Make("sqlite"));
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = shop.profile;
    ctx.destination.Kind = data::kSqlServer;
    // A version's image needs its identity.
    const std::string store = test::TempDir();
    test::WriteFile(store + "/images/mug.gif", "mug");
    ctx.settings.ImageCopySettings[data::kImagesComersus] = {true, store, test::TempDir()};
    test::RecordingConnection destination;
    destination.Tables(kDestinationTables).AnswerPrefix("SELECT", Id(7));
    db::Connection s = shop.Open(), d = destination.Open();
    ImportComersus(ctx, s, d);
    EXPECT_THAT(destination.Statements(),
                ::testing::IsSupersetOf(
                    {"SELECT TOP 1 PT_ID FROM tblQuillmartProdType WHERE PT_Name1='Kids'' Hats' ORDER BY PT_ID DESC",
                     "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Neill pen' ORDER BY P_ID DESC",
                     "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_Name1='Plain mug' ORDER BY V_ID DESC"}));
    EXPECT_EQ(destination.OpenResults(), 0);
}

// A source of every table and column, whose Root and tax rate a case may take away.
class ComersusStatements : public ::testing::Test {
protected:
    void Prepare(bool root = true, bool taxRate = true) {
        ctx.source.SystemName = data::kSystemComersus;
        ctx.source.Kind = data::kSqlServer;
        ctx.destination.Kind = data::kSqlServer;
        destination.Tables(kDestinationTables);
        std::vector<std::string> tables = {"adminStats"};
        for (const auto& [table, columns] : kSourceColumns) {
            tables.push_back(table);
            source.Answer("SELECT TOP 1 * FROM " + table, {columns, {}, {}});
        }
        test::CannedResult rootRow{{"idCategory"}, {}, {}}, taxRow{{"T_ID"}, {}, {}};
        if (root) rootRow.rows.push_back({V::Integer(1)});
        if (taxRate) taxRow.rows.push_back({V::Integer(3)});
        source.Tables(tables).Answer("SELECT * FROM categories WHERE categoryDesc = 'Root'", rootRow);
        destination.Answer("SELECT T_ID FROM tblQuillmartTaxRates", taxRow);
    }

    std::string Import() {
        db::Connection s = source.Open(), d = destination.Open();
        return test::ErrorText([&] { ImportComersus(ctx, s, d); });
    }

    run::TextStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection source, destination;
};

// A Yes/No column of an Access file is 1 in its snapshot, not -1.
TEST_F(ComersusStatements, AnAccessSourceLeavesOutHiddenProductsOfEitherForm) {
    Prepare();
    ctx.source.Kind = data::kAccess;
    source.AnswerPrefix("SELECT COUNT(*)", {{"Countage"}, {}, {{V::Integer(0)}}});
    ASSERT_EQ(Import(), "(no error)");
    EXPECT_THAT(source.Statements(),
                ::testing::Contains("SELECT * FROM products WHERE listHidden <> -1 AND listHidden <> True"));
    EXPECT_EQ(source.OpenResults(), 0);
}

// Each names what is missing before anything is cleared.
TEST_F(ComersusStatements, RefusalsComeBeforeAnyChange) {
    const std::string nothingChanged = " Nothing was changed.";
    const std::pair<std::string, std::string> cases[] = {
        {"NotAComersusShop",
         "The source database is not a Comersus shop that can be imported: it has no table categories_products, "
         "relatedProducts, bundles, optionsgroups, optionsgroups_products, options or options_optionsgroups and its "
         "table products has no column listHidden, active, details, listPrice, freeShipping, stock, stockSecurity, "
         "stockLevelAlert, showInHome, isBundleMain, weight, sku, smallImageURL or imageURL." + nothingChanged},
        {"NoRootCategory",
         "The Comersus source has no category named Root, the top of its category tree, so there is no tree to "
         "import." + nothingChanged},
        {"NoTaxRate",
         "The destination database has no tax rate in tblQuillmartTaxRates: every imported version takes the first "
         "one as its tax band. Add a tax rate to the shop first." + nothingChanged},
    };
    for (const auto& [what, error] : cases) {
        SCOPED_TRACE(what);
        source = test::RecordingConnection();
        destination = test::RecordingConnection();
        Prepare(what != "NoRootCategory", what != "NoTaxRate");
        if (what == "NotAComersusShop") {
            // An unrelated database that has a table named adminStats.
            source = test::RecordingConnection();
            source.Tables({"adminStats", "Categories", "products", "customers"})
                .Answer("SELECT TOP 1 * FROM categories", {kSourceColumns.at("categories"), {}, {}})
                .Answer("SELECT TOP 1 * FROM products", {{"idProduct", "description", "price"}, {}, {}});
        }
        EXPECT_EQ(Import(), error);
        for (const std::string& sql : destination.Statements()) EXPECT_EQ(sql.rfind("SELECT", 0), 0u) << sql;
        EXPECT_EQ(source.OpenResults(), 0);
        EXPECT_EQ(destination.OpenResults(), 0);
    }
}

}  // namespace
}  // namespace qdt::importers
