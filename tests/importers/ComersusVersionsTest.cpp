// The versions a Comersus product's option groups or bundle give.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "db/Value.h"
#include "importers/ComersusVersions.h"

namespace qdt::importers {
namespace {

ComersusOptionGroup Group(std::vector<ComersusOption> choices) {
    ComersusOptionGroup group;
    if (!choices.empty()) group.options.emplace_back();  // the blank choice
    for (ComersusOption& c : choices) group.options.push_back(std::move(c));
    return group;
}

ComersusOption Option(const std::string& name, float price = 0, float weight = 0, const std::string& sku = "") {
    ComersusOption option;
    option.name = name;
    option.price = price;
    option.weight = weight;
    option.sku = sku;
    return option;
}

struct VersionsCase {
    const char* what;
    std::vector<ComersusOptionGroup> groups;
    // name|code|price|weight|stock|level|order|small image|large image, one per version
    std::vector<std::string> versions;
    char displayType;  // ' ' when the product keeps its 'o'
};

class ComersusVersionsCases : public ::testing::TestWithParam<VersionsCase> {};

TEST_P(ComersusVersionsCases, GivesTheVersionsInOdometerOrder) {
    const VersionsCase& c = GetParam();
    ComersusProductBasics mug;
    mug.name = "Mug";
    mug.sku = "MUG";
    mug.price = 19.99f;
    mug.weight = 0.1f;
    mug.stock = 8;
    mug.stockLevelAlert = 3;
    ComersusVersions versions(mug, c.groups);
    std::vector<std::string> got;
    while (const auto v = versions.Next())
        got.push_back(v->name + "|" + v->code + "|" + db::FormatSingle(v->price) + "|" +
                      db::FormatSingle(v->weight) + "|" + std::to_string(v->stock) + "|" +
                      std::to_string(v->stockLevelAlert) + "|" + std::to_string(v->orderValue) + "|" +
                      v->smallImage + "|" + v->largeImage);
    EXPECT_EQ(got, c.versions);
    EXPECT_EQ(versions.Count(), c.versions.size());
    EXPECT_EQ(versions.DisplayType().value_or(' '), c.displayType);
}

ComersusOptionGroup Bundle() {
    ComersusOptionGroup group;
    group.options.push_back(Option("", 19.99f, 0.1f));
    ComersusOption saucer = Option("Saucer", 5, 0.2f, "SAU");
    saucer.stock = 4;
    saucer.stockLevelAlert = 1;
    saucer.smallImageURL = "s.gif";
    saucer.imageURL = "S.jpg";
    group.options.push_back(saucer);
    group.options.push_back(Option("Spoon", 0.01f, 0, "SPO"));
    return group;
}

INSTANTIATE_TEST_SUITE_P(
    Products, ComersusVersionsCases,
    ::testing::Values(
        VersionsCase{"NoGroup", {}, {"Mug|MUG-1|19.99|0.1|8|3|1||"}, 'n'},
        // A group without options offers nothing: the product is its one version.
        VersionsCase{"OnlyEmptyGroups", {Group({}), Group({})}, {"Mug|MUG-1|19.99|0.1|8|3|1||"}, 'n'},
        VersionsCase{"OneFreeGroup",
                     {Group({Option("S"), Option("M")})},
                     {"Mug|MUG-1|19.99|0.1|8|3|0||", "S|MUG-2|19.99|0.1|8|3|1||", "M|MUG-3|19.99|0.1|8|3|1||"},
                     ' '},
        // Sums are single-precision, written as the shop's own figures.
        VersionsCase{"PricedOption",
                     {Group({Option("S"), Option("XL", 0.01f, 0.2f)})},
                     {"Mug|MUG-1|19.99|0.1|8|3|0||", "S|MUG-2|19.99|0.1|8|3|1||", "XL|MUG-3|20|0.3|8|3|1||"},
                     'p'},
        // An empty group between two others neither multiplies nor blocks them.
        VersionsCase{"TwoGroupsAndAnEmptyOne",
                     {Group({Option("S"), Option("M")}), Group({}), Group({Option("Red")})},
                     {"Mug|MUG-1|19.99|0.1|8|3|0||", "S|MUG-2|19.99|0.1|8|3|1||", "M|MUG-3|19.99|0.1|8|3|1||",
                      "Red|MUG-4|19.99|0.1|8|3|1||", "S, Red|MUG-5|19.99|0.1|8|3|1||",
                      "M, Red|MUG-6|19.99|0.1|8|3|1||"},
                     ' '},
        // Option 0 carries the main product's price and weight, so the first
        // version counts them twice; items bring their code, stock and images.
        VersionsCase{"BundleItems",
                     {Bundle()},
                     {"Mug|MUG-1|39.98|0.2|8|3|0||", "Saucer|SAU|24.99|0.3|4|1|1|s.gif|S.jpg",
                      "Spoon|SPO|20|0.1|0|0|1||"},
                     'r'}),
    [](const ::testing::TestParamInfo<VersionsCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace qdt::importers
