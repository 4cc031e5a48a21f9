#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/VpaspCategories.h"
#include "importers/VpaspOptions.h"

namespace qdt::importers {

// A product with more combinations of options than this is refused: its
// versions would swamp the shop and the run.
inline constexpr std::uint64_t kMaxVersionsPerProduct = 10000;

// One VPASP product, read and checked, with everything the import writes for it.
struct VpaspProduct {
    std::int32_t number = 0;  // catalogid
    bool live = true;
    std::string name;
    std::string description;
    std::string strapLine;
    std::string hyperlink;
    std::string code;
    std::string crossSelling;
    std::string features;
    std::string selectList;
    std::string image;
    std::string largeImage;
    std::int32_t stock = 0;
    float weight = 0;
    float rrp = 0;
    float price = 0;
    std::string taxRate;  // the rate in per cent, as written: "17.5", "0"
    std::vector<std::string> categoryIds;
    std::vector<OptionGroup> groups;
    std::uint64_t versions = 1;

    // "12 (Blue mug)", as messages name a product.
    std::string Label() const { return std::to_string(number) + " (" + name + ")"; }
};

// A whole VPASP catalogue, read before anything in the destination changes.
struct VpaspShop {
    std::vector<VpaspCategory> categories;  // in the order they were read
    CategoryOrder order;
    std::vector<VpaspProduct> products;
};

// The tables and columns the import reads, by table.
struct VpaspTable {
    const char* name;
    std::vector<const char*> columns;
};
const std::vector<VpaspTable>& VpaspTablesRead();

// Checks that the source has every table and column the import reads (one
// error naming all that are missing), then reads and checks the whole
// catalogue: categories with their tree, the tax column, products with their
// numbers, links and option groups. What does not stop the import goes to
// ctx.strWarnings. Throws, naming the product and column, for a number that
// is not one, a features list that is not a list of numbers, or too many
// combinations.
VpaspShop ReadVpaspShop(run::RunContext& ctx, db::Connection& source);

}  // namespace qdt::importers
