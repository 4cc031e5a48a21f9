#pragma once

#include <cstdint>
#include <unordered_map>

#include "db/Connection.h"
#include "importers/ImportFrame.h"

namespace qdt::importers {

// A Comersus number (idCategory, idProduct) to the identity of its new row.
using ComersusIdMap = std::unordered_map<std::int32_t, std::int32_t>;

// Writes every category below the Comersus category parentId, depth first:
// each category, then its whole subtree, then its next sibling. With isTop
// the children become top-level categories. The tree is walked with a stack
// of its own and each level is read whole before going deeper, so neither a
// deep tree nor its open results can exhaust anything. categoryMap receives
// each category's new PT_ID; barCurrent moves once per category.
void ImportComersusCategories(db::Connection& source, ImportFrame& frame, ComersusIdMap& categoryMap,
                              std::int32_t parentId, bool isTop);

}  // namespace qdt::importers
