// The VPASP importer's statements in the destination's dialect, and its pure
// pieces at the edges a whole run does not reach.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/VpaspCategories.h"
#include "importers/VpaspImporter.h"
#include "importers/VpaspOptions.h"
#include "support/RecordingConnection.h"
#include "support/ScriptShop.h"

namespace qdt::importers {
namespace {

using Texts = std::vector<std::string>;

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
