#include "importers/ComersusVersions.h"

#include <limits>
#include <utility>

namespace qdt::importers {

ComersusVersions::ComersusVersions(ComersusProductBasics product, std::vector<ComersusOptionGroup> groups)
    : product_(std::move(product)) {
    for (ComersusOptionGroup& group : groups)
        if (!group.options.empty()) groups_.push_back(std::move(group));
    if (groups_.empty()) {
        // One choice named after the product: its one version.
        ComersusOptionGroup single;
        single.options.emplace_back().name = product_.name;
        groups_.push_back(std::move(single));
    }
    current_.assign(groups_.size(), 0);
    constexpr std::uint64_t kMost = std::numeric_limits<std::uint64_t>::max();
    for (const ComersusOptionGroup& group : groups_)
        count_ = count_ > kMost / group.options.size() ? kMost : count_ * group.options.size();
}

std::optional<ComersusVersion> ComersusVersions::Next() {
    if (written_ == count_) return std::nullopt;
    ++written_;
    ComersusVersion version;
    version.price = product_.price;
    version.weight = product_.weight;
    version.stock = product_.stock;
    version.stockLevelAlert = product_.stockLevelAlert;
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        const ComersusOption& option = groups_[g].options[current_[g]];
        if (!option.name.empty()) version.name += (version.name.empty() ? "" : ", ") + option.name;
        version.price += option.price;
        version.weight += option.weight;
        if (!option.sku.empty()) {
            version.code = option.sku;
            version.smallImage = option.smallImageURL;
            version.largeImage = option.imageURL;
            version.stock = option.stock;
            version.stockLevelAlert = option.stockLevelAlert;
            bundleItemUsed_ = true;
        } else if (option.price > 0) {
            pricedOptionUsed_ = true;
        }
    }
    if (version.name.empty()) {
        version.name = product_.name;
        version.orderValue = 0;
    } else {
        version.orderValue = 1;
    }
    if (version.code.empty()) version.code = product_.sku + "-" + std::to_string(written_);

    // The odometer: group 0 turns every time and carries into the next.
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        if (++current_[g] < groups_[g].options.size()) break;
        current_[g] = 0;
    }
    return version;
}

std::optional<char> ComersusVersions::DisplayType() const {
    if (bundleItemUsed_) return 'r';
    if (written_ == 1) return 'n';
    if (pricedOptionUsed_) return 'p';
    return std::nullopt;
}

}  // namespace qdt::importers
