#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ActinicSource.h"

namespace qdt::importers {

struct ActinicChoice {
    std::int32_t id = 0;
    std::string name;
    std::int32_t sequence = 0;
    bool none = false;  // leaving the optional component out
};

// An attribute of a product, or a component offered as one.
struct ActinicAttribute {
    std::int32_t id = 0;
    std::string name;
    std::int32_t componentId = 0;  // 0: none
    std::string componentName;
    bool optional = false;
    double componentPrice = 0;  // hundredths
    std::int32_t referencedProduct = 0;
    bool useProductPrice = false;
    bool useProductName = false;
    std::vector<ActinicChoice> choices;
    std::size_t index = 0;  // the odometer's current choice
};

// The attributes of one product, from its components, attributes and
// choices; a product with neither attributes nor sub-items gets one attribute
// with one choice named after it.
std::vector<ActinicAttribute> ReadActinicAttributes(run::RunContext& ctx, db::Connection& source,
                                                    const ActinicProduct& product);

// The product of the choice counts (an attribute without choices before the
// first one with choices does not count).
std::int64_t ActinicVersionCount(const std::vector<ActinicAttribute>& attributes);

// Moves to the next combination, first attribute fastest.
void AdvanceActinicChoices(std::vector<ActinicAttribute>& attributes);

}  // namespace qdt::importers
