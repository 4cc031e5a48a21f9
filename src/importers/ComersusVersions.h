#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace qdt::importers {

// One choice of a Comersus option group. Prices and weights are added to the
// product's own, as the shop keeps them: 32-bit floats. An option with a
// non-empty sku stands for an item of a bundle, which brings its own code,
// stock, warning level and images.
struct ComersusOption {
    std::string name;
    float price = 0;
    float weight = 0;
    std::int32_t stock = 0;
    std::int32_t stockLevelAlert = 0;
    std::string sku;
    std::string smallImageURL;
    std::string imageURL;
};

// A group's first option is the blank choice (or, for a bundle, the main
// product alone).
struct ComersusOptionGroup {
    std::int32_t groupId = 0;
    std::string description;
    std::vector<ComersusOption> options;
};

// What a product gives every one of its versions.
struct ComersusProductBasics {
    std::string name;
    std::string sku;
    float price = 0;
    float weight = 0;
    std::int32_t stock = 0;
    std::int32_t stockLevelAlert = 0;
};

struct ComersusVersion {
    std::string name;
    std::string code;
    float price = 0;
    float weight = 0;
    std::int32_t stock = 0;
    std::int32_t stockLevelAlert = 0;
    std::int32_t orderValue = 0;
    std::string smallImage;
    std::string largeImage;
};

// Walks every combination of one option per group, the first group changing
// fastest, like an odometer. Groups without options are left out (they offer
// no choice); with no group left, the product is its one version.
class ComersusVersions {
public:
    ComersusVersions(ComersusProductBasics product, std::vector<ComersusOptionGroup> groups);

    // The number of versions the product gets.
    std::uint64_t Count() const { return count_; }
    // The next version, numbered from 1 (k is part of its code), or nothing
    // after the last.
    std::optional<ComersusVersion> Next();

    // What the versions written so far call for: 'r' when an item of a bundle
    // was used, 'n' for a product of one version, 'p' when a priced option
    // was used; nothing when the product keeps its 'o'.
    std::optional<char> DisplayType() const;

private:
    ComersusProductBasics product_;
    std::vector<ComersusOptionGroup> groups_;
    std::vector<std::size_t> current_;
    std::uint64_t count_ = 1;
    std::uint64_t written_ = 0;
    bool bundleItemUsed_ = false;
    bool pricedOptionUsed_ = false;
};

}  // namespace qdt::importers
