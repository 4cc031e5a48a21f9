#include "importers/VpaspOptions.h"

#include <algorithm>
#include <cctype>
#include <limits>

#include "db/Text.h"

namespace qdt::importers {

namespace {

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> pieces;
    std::size_t start = 0;
    for (;;) {
        const std::size_t end = text.find(separator, start);
        pieces.push_back(text.substr(start, end == std::string::npos ? std::string::npos : end - start));
        if (end == std::string::npos) return pieces;
        start = end + 1;
    }
}

std::string Upper(const std::string& text) {
    std::string upper = text;
    std::transform(upper.begin(), upper.end(), upper.begin(), [](unsigned char c) { return std::toupper(c); });
    return upper;
}

// The options collected for the group under way, with the column each price came from.
struct Pending {
    std::vector<std::string> names;
    std::vector<std::string> prices;
    std::vector<const char*> priceColumns;
    bool required = false;

    bool Empty() const { return names.empty(); }
    void Clear() { *this = {}; }
};

OptionGroup Close(const std::string& caption, const Pending& pending, const std::string& productName,
                  const PriceReader& readPrice) {
    OptionGroup group;
    group.caption = caption;
    for (std::size_t j = 0; j < pending.names.size(); ++j) {
        const float price = readPrice(pending.prices[j], pending.priceColumns[j]);
        if (price == 0) group.noBlankOption = true;
        group.options.push_back({pending.names[j], price});
    }
    if (pending.required) group.noBlankOption = true;
    if (!group.noBlankOption) group.options.push_back({productName, 0});
    return group;
}

}  // namespace

SelectList ParseSelectList(const std::string& selectList) {
    SelectList list;
    // An empty list has no items, not one empty one.
    if (selectList.empty()) return list;
    for (const std::string& item : Split(selectList, ',')) {
        const std::size_t open = item.find('[');
        const std::size_t close = item.find(']');
        if (open == std::string::npos || close == std::string::npos || close < open) {
            if (open != std::string::npos && close != std::string::npos) list.misplaced.push_back(item);
            list.names.push_back(item);
            list.prices.push_back("0");
            continue;
        }
        list.names.push_back(db::Trim(item.substr(0, open)));
        list.prices.push_back(item.substr(open + 1, close - open - 1));
    }
    return list;
}

std::optional<std::vector<std::int64_t>> ParseFeatureNumbers(const std::string& features) {
    std::vector<std::int64_t> numbers;
    for (const std::string& piece : Split(features, ',')) {
        const std::string digits = db::Trim(piece);
        if (digits.empty() || digits.size() > 18) return std::nullopt;
        if (!std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
            return std::nullopt;
        numbers.push_back(std::stoll(digits));
    }
    return numbers;
}

std::vector<OptionGroup> BuildOptionGroups(const std::vector<FeatureRow>& rows, const std::string& productName,
                                           const SelectList& selectList, const PriceReader& readPrice) {
    std::vector<OptionGroup> groups;
    Pending pending;
    std::string previousCaption;
    for (const FeatureRow& row : rows) {
        const std::string type = db::ToLowerAscii(row.type);
        if (type == "usertext" || type == "userprice" || db::ToLowerAscii(row.multi) == "yes") continue;
        if (!pending.Empty() && Upper(row.caption) != Upper(previousCaption)) {
            groups.push_back(Close(previousCaption, pending, productName, readPrice));
            pending.Clear();
        }
        if (row.required) pending.required = true;
        if (type == "selectlist") {
            // The select list stands for the whole group collected so far.
            pending.names = selectList.names;
            pending.prices = selectList.prices;
            pending.priceColumns.assign(selectList.prices.size(), "selectlist");
        } else {
            pending.names.push_back(row.name);
            pending.prices.push_back(row.price);
            pending.priceColumns.push_back("featureprice");
        }
        previousCaption = row.caption;
    }
    if (!pending.Empty()) groups.push_back(Close(previousCaption, pending, productName, readPrice));
    if (groups.empty()) {
        OptionGroup only;
        only.options.push_back({productName, 0});
        only.noBlankOption = true;
        groups.push_back(std::move(only));
    }
    return groups;
}

std::uint64_t CountCombinations(const std::vector<OptionGroup>& groups) {
    std::uint64_t count = 1;
    for (const OptionGroup& group : groups)
        if (__builtin_mul_overflow(count, std::uint64_t{group.options.size()}, &count))
            return std::numeric_limits<std::uint64_t>::max();
    return count;
}

void Combinations::Advance() {
    for (std::size_t g = 0; g < groups_.size(); ++g) {
        if (++current_[g] < groups_[g].options.size()) return;
        current_[g] = 0;
    }
}

}  // namespace qdt::importers
