#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qdt::importers {

// A VPASP select list read apart: "Small[0],Medium [1.50], Large[3],XL" gives
// the names Small, Medium, Large, XL and the price texts 0, 1.50, 3, 0.
// An item without a "[...]" is taken whole at price 0; so is one whose "]"
// comes before its "[", which is listed in misplaced.
struct SelectList {
    std::vector<std::string> names;
    std::vector<std::string> prices;
    std::vector<std::string> misplaced;
};
SelectList ParseSelectList(const std::string& selectList);

// The feature numbers of a product's features text ("3,4, 7"), or nothing
// when the text is anything but whole numbers separated by commas: the list
// goes into the feature query, so nothing else may reach it.
std::optional<std::vector<std::int64_t>> ParseFeatureNumbers(const std::string& features);

struct FeatureOption {
    std::string name;
    float price = 0;
};

struct OptionGroup {
    std::string caption;
    std::vector<FeatureOption> options;
    // Whether the group offers its own options only, with no "none of these".
    bool noBlankOption = false;
};

// One prodfeatures row as the option groups need it.
struct FeatureRow {
    std::string caption;
    std::string name;
    bool required = false;
    std::string price;
    std::string multi;
    std::string type;
};

// Reads a price text as a 32-bit float (empty is 0); column names where the
// text came from, for the error a text that is no number raises.
using PriceReader = std::function<float(const std::string& text, const std::string& column)>;

// The option groups of a product from its feature rows, in the order
// "ORDER BY featurecaption, featureprice" gives them: a group per run of rows
// with one caption (compared in upper case); user-typed and multiple-choice
// features skipped; a "selectlist" feature takes its options from the
// product's select list. A group that has no free option and is not required
// gets one more option, named after the product at price 0, for choosing
// nothing. With no group at all the product gets one group of one option, its
// own name at price 0.
std::vector<OptionGroup> BuildOptionGroups(const std::vector<FeatureRow>& rows, const std::string& productName,
                                           const SelectList& selectList, const PriceReader& readPrice);

// The number of versions the groups give: the product of their sizes, held
// at the largest 64-bit number rather than wrapping round.
std::uint64_t CountCombinations(const std::vector<OptionGroup>& groups);

// Walks the combinations like an odometer whose lowest digit is group 0.
class Combinations {
public:
    explicit Combinations(const std::vector<OptionGroup>& groups) : groups_(groups), current_(groups.size(), 0) {}
    const FeatureOption& Option(std::size_t group) const { return groups_[group].options[current_[group]]; }
    void Advance();

private:
    const std::vector<OptionGroup>& groups_;
    std::vector<std::size_t> current_;
};

}  // namespace qdt::importers
