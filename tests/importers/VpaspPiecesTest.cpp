// The VPASP importer's pure pieces at the edges a whole run does not reach:
// the select list, the features list and the order categories are written in.
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "importers/VpaspCategories.h"
#include "importers/VpaspOptions.h"

namespace qdt::importers {
namespace {

using Texts = std::vector<std::string>;

struct SelectListCase {
    const char* list;
    Texts names;
    Texts prices;
    Texts misplaced;
};

TEST(VpaspSelectList, ItemsNamesAndPrices) {
    const SelectListCase cases[] = {
        {"", {}, {}, {}},
        // An item without both brackets is whole and untrimmed; the price inside is kept as written.
        {" A ,B[ 2 ]x,C[", {" A ", "B", "C["}, {"0", " 2 ", "0"}, {}},
        {",", {"", ""}, {"0", "0"}, {}},
    };
    for (const SelectListCase& c : cases) {
        const SelectList list = ParseSelectList(c.list);
        EXPECT_EQ(list.names, c.names) << c.list;
        EXPECT_EQ(list.prices, c.prices) << c.list;
        EXPECT_EQ(list.misplaced, c.misplaced) << c.list;
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

struct OrderCase {
    const char* what;
    std::vector<VpaspCategory> rows;
    std::vector<std::size_t> order;
    std::vector<std::size_t> orphans;
};

TEST(VpaspCategoryOrder, ParentsComeBeforeChildren) {
    const OrderCase cases[] = {
        {"children wait for a parent read later, then follow it at once",
         {Category("1", "0"), Category("3", "8"), Category("4", "8"), Category("5", "3"), Category("8", "1"),
          Category("9", "1")},
         {0, 4, 1, 3, 2, 5}, {}},
        // An empty parent is the top; a missing one makes an orphan.
        {"a missing parent makes a top-level category",
         {Category("6", "99"), Category("7", "6"), Category("1", "")}, {0, 1, 2}, {0}},
    };
    for (const OrderCase& c : cases) {
        const CategoryOrder order = OrderCategories(c.rows);
        EXPECT_EQ(order.order, c.order) << c.what;
        EXPECT_EQ(order.orphans, c.orphans) << c.what;
    }
}

TEST(VpaspCategoryOrder, ADeepChainReadLeafFirstNeedsNoDeepRecursion) {
    // 200,000 levels, each child read before its parent.
    std::vector<VpaspCategory> rows;
    const int depth = 200000;
    for (int i = depth; i >= 1; --i) rows.push_back(Category(std::to_string(i), std::to_string(i - 1)));
    const CategoryOrder order = OrderCategories(rows);
    ASSERT_EQ(order.order.size(), rows.size());
    EXPECT_EQ(order.order.front(), rows.size() - 1);
    EXPECT_EQ(order.order.back(), 0u);
}

TEST(VpaspCategoryOrder, CirclesAndSharedIdsAreErrorsNamingTheCategories) {
    const std::pair<std::vector<VpaspCategory>, const char*> cases[] = {
        {{Category("1", "0"), Category("2", "3"), Category("3", "2"), Category("4", "3")},
         "The VPASP categories 2 (c2), 3 (c3) are each other's parents"},
        {{Category("5", "5")}, "The VPASP categories 5 (c5) are each other's parents"},
        {{Category("1", "0"), Category("1", "0")}, "The VPASP categories 1 (c1) and 1 (c1) have the same categoryid."},
    };
    for (const auto& [rows, message] : cases) {
        try {
            OrderCategories(rows);
            ADD_FAILURE() << message;
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(std::string(e.what()).rfind(message, 0), 0u) << e.what();
        }
    }
}

}  // namespace
}  // namespace qdt::importers
