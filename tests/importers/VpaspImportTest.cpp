// VPASP imports: whole runs from SQLite and MySQL shops into SQLite and MariaDB,
// the sources refused, the statements in the destination's dialect, and the
// importer's pure pieces at the edges a whole run does not reach.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/ImportShop.h"
#include "importers/VpaspCategories.h"
#include "importers/VpaspImporter.h"
#include "importers/VpaspOptions.h"
#include "support/RecordingConnection.h"
#include "support/ScriptShop.h"
#include "support/ShopDatabases.h"

namespace qdt::importers {
namespace {

using testing::Files;
using testing::HasSubstr;
using testing::Lines;
using testing::Rows;
using testing::WriteFiles;
using Texts = std::vector<std::string>;

// Identities differ with the order a database returns tied rows in, so rows
// are compared by the names they link; besides the counts, one row for each
// way a row is made.
const char* const kCatalogue[] = {
    "SELECT c.PT_Name1, COALESCE(p.PT_Name1, '-'), c.PT_Live, c.PT_Desc1, c.PT_ProductDisplayType, "
    "c.PT_ProdTypeDisplayType, c.PT_OrderByValue, c.PT_OrderProductsBy FROM tblQuillmartProdtype c "
    "LEFT JOIN tblQuillmartProdtype p ON p.PT_ID = c.PT_MotherProdType "
    "WHERE c.PT_Name1 IN ('Coffee', 'Green', 'Oddments', 'Tea') ORDER BY c.PT_Name1",
    "SELECT P_Name1, P_Live, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, P_OrderByValue, P_OrderVersionsBy, "
    "P_VersionDisplayType FROM tblQuillmartProducts WHERE P_Name1 IN ('Sencha', 'Gift box') ORDER BY P_ID",
    "SELECT V_CodeNumber, V_Name1, V_Price, T_TaxRate, V_Weight, V_Quantity, V_QuantityWarnLevel, V_Desc1, P_Name1, "
    "V_Live, V_DownLoadInfo, V_DownloadType, V_OrderByValue, V_RRP FROM tblQuillmartVersions "
    "JOIN tblQuillmartProducts ON P_ID = V_Product JOIN tblQuillmartTaxRates ON T_ID = V_Tax "
    "WHERE V_CodeNumber IN ('SEN-1', 'ASM-2', 'GB-4', 'TS-7') ORDER BY V_ID",
    // The order of the versions of two option groups.
    "SELECT V_Name1, V_Price FROM tblQuillmartVersions WHERE V_CodeNumber LIKE 'MUG-%' ORDER BY V_ID",
    "SELECT P_Name1, PT_Name1 FROM tblQuillmartProductProdTypeLink JOIN tblQuillmartProducts ON P_ID = PPT_ProductID "
    "JOIN tblQuillmartProdtype ON PT_ID = PPT_ProdTypeID WHERE P_Name1 IN ('Sencha', 'Tea set') ORDER BY P_ID, "
    "PT_Name1",
    "SELECT p.P_Name1, c.P_Name1 FROM tblQuillmartRelatedProducts JOIN tblQuillmartProducts p ON p.P_ID = "
    "RP_ParentID JOIN tblQuillmartProducts c ON c.P_ID = RP_ChildID ORDER BY p.P_ID, c.P_ID",
    "SELECT T_TaxRate FROM tblQuillmartTaxRates ORDER BY 1",
    "SELECT CFG_Name, T_TaxRate FROM tblQuillmartConfig JOIN tblQuillmartTaxRates ON T_ID = CFG_Value "
    "WHERE CFG_Name LIKE '%taxband' ORDER BY 1",
};
const Lines kExpected[] = {
    // Green (3) is read before its parent Sencha teas (8); Oddments' parent 99 does not exist.
    {"Coffee|-|n||e|n|0|", "Green|Sencha teas|y|Green teas|e|n|0|", "Oddments|-|y||e|n|0|",
     "Tea|-|y|Leaves and more|e|n|0|"},
    {"Sencha|y|First flush|Fresh|http://example.com/sencha|0|0||n", "Gift box|n||||0|0||p"},
    {"SEN-1|Sencha|4.5|17.5|0.1|10|0||Sencha|y||n|0|5",
     // Null stock, weight and recommended price are 0; 19.99 + 2.5 is 22.49.
     "ASM-2|250 g|22.49|5|0|0|0||O'Brien's Assam|y||n|0|0",
     // No free option and not required: the product's own name stands for none.
     "GB-4|Gift box|15|0|0.5|1|0||Gift box|y||n|0|20",
     // A select-list item without its price is taken whole.
     "TS-7|Left, Odd]1[|31|20|1.5|2|0||Tea set|y||n|0|40"},
    // Group 0 (Colour) turns fastest; the user-typed and multiple-choice features are no group.
    {"Red, Small|9.99", "Blue, Small|10.49", "Red, Large|11.49", "Blue, Large|11.99"},
    {"Sencha|Green", "Sencha|Sencha teas", "Tea set|Japan", "Tea set|Oddments"},
    {"Sencha|O'Brien's Assam", "Sencha|Mug", "O'Brien's Assam|Sencha", "Tea set|Gift box", "Java|Free sample"},
    {"0", "5", "7", "17.5", "20"},
    {"orderhandlingchargetaxband|17.5", "shiptaxband|17.5"},
};

class VpaspImport : public testing::RunTest {
protected:
    void Prepare(const std::string& sourceKind, const std::string& destinationKind) {
        WriteFiles(root_, {{"images/cats/tea.gif", "tea"}, {"images/cats/japan.png", "japan"},
                           {"images/images/sencha.gif", "sencha"}, {"images/big/sencha.jpg", "sencha large"},
                           {"uploads/images_categories/3.gif", "old category"},
                           {"uploads/images_products/2.png", "old product"},
                           {"uploads/images_products_large/2.png", "old large product"},
                           {"uploads/images_versions/2.gif", "a version's"}});
        ASSERT_NO_FATAL_FAILURE(source_.Make(sourceKind));
        if (IsSkipped()) return;
        ASSERT_NO_FATAL_FAILURE(shop_.Make(destinationKind));
    }

    test::ScriptShop source_{QDT_VPASP_SCRIPTS_DIR, "vpasp-shop.sql", data::kSystemVpasp};
};

class VpaspRun : public VpaspImport, public ::testing::WithParamInterface<std::string> {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(Prepare(testing::Source(GetParam()), testing::Destination(GetParam())));
    }
};

TEST_P(VpaspRun, ReplacesTheCatalogueAndItsImages) {
    const testing::Outcome run = Run(source_.profile, data::kImagesVpasp);
    ASSERT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(testing::Counts(conn), "7|7|22|9|5");
    for (std::size_t i = 0; i < std::size(kCatalogue); ++i) EXPECT_EQ(Rows(conn, kCatalogue[i]), kExpected[i]) << i;

    const auto category = [&](const std::string& name) {
        return Rows(conn, "SELECT PT_ID FROM tblQuillmartProdtype WHERE PT_Name1 = '" + name + "'").at(0);
    };
    EXPECT_EQ(Files(uploads_), (std::map<std::string, std::string>{
                                   {"images_categories/" + category("Tea") + ".gif", "tea"},
                                   {"images_categories/" + category("Japan") + ".PNG", "japan"},
                                   {"images_products/1.gif", "sencha"}, {"images_products_large/1.jpg", "sencha large"},
                                   {"images_versions/2.gif", "a version's"}}));
    EXPECT_THAT(run.log, HasSubstr("\r\nReading the VPASP shop... done.\r\n\r\nDeleting catalogue tables... done."
                                   "\r\nDeleting old category images... done.\r\nAdding categories... done."
                                   "\r\nDeleting old product images... done."
                                   "\r\nDeleting old product images (large)... done.\r\nGetting record count... 7"
                                   "\r\nAdding products...done.\r\nAdding related products... done.\r\n"));
    EXPECT_EQ(run.warnings,
              "The VPASP category 6 (Oddments) names the parent category 99, which does not exist; it was imported "
              "as a top-level category.\r\n"
              "The VPASP product 5 (Tea set) has select-list items whose ']' comes before their '[': 'Odd]1['; each "
              "was taken whole as an option's name, at price 0.\r\n"
              "The VPASP product 2 (O'Brien's Assam) lists cross-selling products that were not imported: ' 3', '', "
              "'99'; they were skipped.\r\n");
}

INSTANTIATE_TEST_SUITE_P(Kinds, VpaspRun,
                         ::testing::Values("sqlite>sqlite", "sqlite>mysql", "mysql>sqlite", "mysql>mysql"),
                         testing::EnginesName);

// A source that fails a check leaves the shop and its image folders as they were.
struct Refusal {
    const char* name;
    std::vector<std::string> changes;  // to the source shop
    const char* error;
};

const Refusal kRefusals[] = {
    {"NullPrice", {"UPDATE products SET cprice = NULL WHERE catalogid = 3"},
     "The VPASP product 3 (Mug), column cprice: the value is empty (Null)."},
    {"TextPrice", {"UPDATE products SET cprice = '12,50' WHERE catalogid = 3"},
     "The VPASP product 3 (Mug), column cprice: '12,50' is not a number."},
    {"TextCatalogId", {"UPDATE products SET catalogid = 'x7' WHERE catalogid = 7"},
     "The VPASP product 'Java' (row 7 of products), column catalogid: 'x7' is not a 32-bit whole number."},
    {"TextStock", {"UPDATE products SET cstock = 'many' WHERE catalogid = 7"},
     "The VPASP product 7 (Java), column cstock: 'many' is not a 32-bit whole number."},
    {"TextOptionPrice", {"UPDATE prodfeatures SET featureprice = 'two' WHERE featurenum = 41"},
     "The VPASP product 5 (Tea set), column featureprice: 'two' is not a number."},
    {"TextSelectListPrice", {"UPDATE products SET selectlist = 'Small[free]' WHERE catalogid = 5"},
     "The VPASP product 5 (Tea set), column selectlist: 'free' is not a number."},
    {"FeaturesThatAreNoList", {"UPDATE products SET features = '10) OR (1=1' WHERE catalogid = 2"},
     "The VPASP product 2 (O'Brien's Assam), column features: '10) OR (1=1' is not a list of feature numbers "
     "separated by commas."},
    // Five groups of seven priced options, none free: 8^5 = 32768 versions.
    {"TooManyCombinations",
     {"WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 34) INSERT INTO prodfeatures "
      "SELECT 100 + 10 * (i / 7) + i % 7, 'G' || (i / 7), 'o' || (i % 7), 0, i % 7 + 1, '', '' FROM n",
      "UPDATE products SET features = (SELECT group_concat(featurenum) FROM prodfeatures WHERE featurenum >= 100) "
      "WHERE catalogid = 4"},
     "The VPASP product 4 (Gift box) has 32768 combinations of options, more than the 10000 versions one product "
     "may have."},
    {"ParentsInACircle", {"UPDATE categories SET highercategoryid = 3 WHERE categoryid = 9"},
     "The VPASP categories 9 (Japan), 3 (Green), 8 (Sencha teas) are each other's parents (highercategoryid) in a "
     "circle, so they have no place in the category tree."},
    {"TaxColumnMissing", {"UPDATE configuration SET fieldvalue = 'vat' WHERE fieldname = 'xtaxbyproduct'"},
     "The VPASP setting xtaxbyproduct names the tax column 'vat', which the products table does not have."},
    {"TablesAndColumnsMissing", {"DROP TABLE prodfeatures", "DROP TABLE configuration",
                                 "ALTER TABLE products DROP COLUMN hide"},
     "The source database does not hold a VPASP shop: it has no table configuration or prodfeatures; it also lacks "
     "the columns products.hide."},
};

class VpaspRefusal : public VpaspImport, public ::testing::WithParamInterface<Refusal> {};

TEST_P(VpaspRefusal, LeavesTheShopAndItsImagesAsTheyWere) {
    ASSERT_NO_FATAL_FAILURE(Prepare("sqlite", "sqlite"));
    for (const std::string& sql : GetParam().changes) source_.Execute(sql);
    const auto before = test::Dump(shop_.profile.Database);
    const auto files = Files(root_);
    const testing::Outcome run = Run(source_.profile, data::kImagesVpasp);
    EXPECT_FALSE(run.succeeded);
    EXPECT_THAT(run.log, HasSubstr(std::string("\r\nError occurred!\r\n") + GetParam().error +
                                   " The catalogue was not imported."));
    EXPECT_EQ(test::Dump(shop_.profile.Database), before);
    EXPECT_EQ(Files(root_), files);
}

INSTANTIATE_TEST_SUITE_P(Sources, VpaspRefusal, ::testing::ValuesIn(kRefusals),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(VpaspImport, WithoutATaxSettingEveryProductIsRatedZeroWithAWarning) {
    ASSERT_NO_FATAL_FAILURE(Prepare("sqlite", "sqlite"));
    source_.Execute("DELETE FROM configuration WHERE fieldname = 'xtaxbyproduct'");
    const testing::Outcome run = Run(source_.profile, data::kImagesVpasp);
    ASSERT_TRUE(run.succeeded) << run.log;
    db::Connection conn = shop_.Open();
    EXPECT_EQ(Rows(conn, "SELECT DISTINCT T_TaxRate FROM tblQuillmartVersions JOIN tblQuillmartTaxRates ON T_ID = "
                         "V_Tax"),
              Lines{"0"});
    EXPECT_THAT(run.warnings, HasSubstr("The VPASP configuration has no xtaxbyproduct setting, which names the "
                                        "products' tax column: every product was given the tax rate 0.\r\n"));
}

// What the rows are is left to the whole runs; here, the clearing and the
// read-backs in Access's dialect, which no run on SQLite or MariaDB shows.
TEST(VpaspStatements, ClearAndReadBackInTheDestinationsDialect) {
    test::ScriptShop source{QDT_VPASP_SCRIPTS_DIR, "vpasp-shop.sql", data::kSystemVpasp};
    ASSERT_NO_FATAL_FAILURE(source.Make("sqlite"));
    // Two products, Tea with its child Black; Sencha's categories are gone.
    for (const char* sql : {"DELETE FROM products WHERE catalogid > 2", "DELETE FROM categories WHERE categoryid > 4",
                            "DELETE FROM categories WHERE categoryid IN (2, 3)"})
        source.Execute(sql);
    run::TextStatus status;
    run::RunContext ctx{status};
    ctx.source = source.profile;
    ctx.destination.Kind = data::kAccess;
    test::RecordingConnection destination;
    destination
        .Tables({"tblQuillmartConfig", "tblQuillmartProdtype", "tblQuillmartProducts", "tblQuillmartVersions",
                 "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"})
        .AnswerPrefix("SELECT CFG_Value", {{"CFG_Value"}, {db::kVarWChar}, {}})  // the tax bands are empty
        .AnswerPrefix("SELECT", {{"ID"}, {db::kInteger}, {{db::Value::Integer(7)}}});
    db::Connection s = source.Open(), d = destination.Open();
    ImportVPASP(ctx, s, d);
    EXPECT_THAT(destination.Statements(),
                ::testing::IsSupersetOf(
                    {"DELETE * FROM tblQuillmartRelatedProducts", "DELETE * FROM tblQuillmartTaxRates",
                     "SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1='Black' ORDER BY PT_ID DESC",
                     "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Brien''s Assam' ORDER BY P_ID DESC",
                     // A product's rate is found without TOP.
                     "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5"}));
    EXPECT_EQ(destination.OpenResults(), 0);
}

TEST(VpaspSelectList, ItemsNamesAndPrices) {
    const std::tuple<const char*, Texts, Texts> cases[] = {
        {"", {}, {}},
        // An item without both brackets is whole and untrimmed; the price inside is kept as written.
        {" A ,B[ 2 ]x,C[", {" A ", "B", "C["}, {"0", " 2 ", "0"}},
        {",", {"", ""}, {"0", "0"}},
    };
    for (const auto& [text, names, prices] : cases) {
        const SelectList list = ParseSelectList(text);
        EXPECT_EQ(list.names, names) << text;
        EXPECT_EQ(list.prices, prices) << text;
        EXPECT_EQ(list.misplaced, Texts{}) << text;
    }
}

TEST(VpaspFeatures, OnlyWholeNumbersSeparatedByCommasPass) {
    const std::pair<const char*, std::vector<std::int64_t>> accepted[] = {
        {"3", {3}}, {"3,4, 7", {3, 4, 7}}, {" 10 ,011", {10, 11}}};
    for (const auto& [text, numbers] : accepted) EXPECT_EQ(ParseFeatureNumbers(text), numbers) << text;
    for (const char* refused : {"1,", ",1", "1,,2", "1;2", "-1", "1.5", "1) OR (1=1", "0x10", "1 2",
                                "1234567890123456789", " "})
        EXPECT_FALSE(ParseFeatureNumbers(refused).has_value()) << refused;
}

TEST(VpaspCombinations, CountHoldsAtTheLargestNumberRatherThanWrapping) {
    OptionGroup ten;
    ten.options.resize(10);
    EXPECT_EQ(CountCombinations(std::vector<OptionGroup>(4, ten)), 10000u);
    EXPECT_EQ(CountCombinations(std::vector<OptionGroup>(20, ten)), UINT64_MAX);
}

VpaspCategory Category(const std::string& id, const std::string& parent) {
    return {id, parent, "c" + id, "", "", true};
}

TEST(VpaspCategoryOrder, AnEmptyParentIsTheTopAndAMissingOneMakesAnOrphan) {
    const CategoryOrder order = OrderCategories({Category("6", "99"), Category("7", "6"), Category("1", "")});
    EXPECT_EQ(order.order, (std::vector<std::size_t>{0, 1, 2}));
    EXPECT_EQ(order.orphans, std::vector<std::size_t>{0});
}

TEST(VpaspCategoryOrder, ADeepChainReadLeafFirstNeedsNoDeepRecursion) {
    std::vector<VpaspCategory> rows;
    for (int i = 200000; i >= 1; --i) rows.push_back(Category(std::to_string(i), std::to_string(i - 1)));
    const CategoryOrder order = OrderCategories(rows);
    ASSERT_EQ(order.order.size(), rows.size());
    EXPECT_EQ(order.order.front(), rows.size() - 1);
    EXPECT_EQ(order.order.back(), 0u);
}

// A longer circle is the whole runs' business.
TEST(VpaspCategoryOrder, SelfParentsAndSharedIdsAreErrorsNamingTheCategories) {
    EXPECT_EQ(test::ErrorText<std::runtime_error>([] { OrderCategories({Category("5", "5")}); }),
              "The VPASP categories 5 (c5) are each other's parents (highercategoryid) in a circle, so they have no "
              "place in the category tree. The catalogue was not imported.");
    EXPECT_EQ(test::ErrorText<std::runtime_error>([] { OrderCategories({Category("1", "0"), Category("1", "0")}); }),
              "The VPASP categories 1 (c1) and 1 (c1) have the same categoryid. The catalogue was not imported.");
}

}  // namespace
}  // namespace qdt::importers
