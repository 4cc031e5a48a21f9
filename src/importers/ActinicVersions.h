#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ActinicAttributes.h"

namespace qdt::importers {

// One version of a product: the current choice of each attribute.
struct ActinicVersion {
    std::string name;  // not yet cut to the column's width
    std::string code;
    std::int32_t order = 0;
    double price = 0;  // in the shop's currency, two decimals
};

// Names and prices the combination the attributes' indexes point at; p is
// the version's number (from 1). Price rules (kind 8 properties) are asked
// of the source for attributes that belong to a component; a rule found
// but not met is reported through warnings.
ActinicVersion PriceActinicVersion(run::RunContext& ctx, db::Connection& source, const ActinicProduct& product,
                                   const std::vector<ActinicAttribute>& attributes, std::int64_t p);

// The condition that picks a product's rules for one attribute:choice pair:
// the pair itself or the attribute with any choice (-1).
std::string ActinicRuleCondition(std::int32_t attribute, std::int32_t choice);

// The first length characters of a UTF-8 text.
std::string FirstCharacters(const std::string& text, std::size_t length);

}  // namespace qdt::importers
