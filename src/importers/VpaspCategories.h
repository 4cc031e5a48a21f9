#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace qdt::importers {

// One row of a VPASP categories table, as the import writes it.
struct VpaspCategory {
    std::string id;        // categoryid, whole numbers written plainly
    std::string parentId;  // highercategoryid the same way; "0" or "" for a top-level category
    std::string name;
    std::string description;
    std::string image;
    bool live = true;

    bool TopLevel() const { return parentId.empty() || parentId == "0"; }
    // "4 (Mugs)", as messages name a category.
    std::string Label() const { return id + " (" + name + ")"; }
};

// The rows in an order that writes every parent before its children, keeping
// the order they were read in where it already does; and the rows whose
// parent does not exist, which become top-level categories.
struct CategoryOrder {
    std::vector<std::size_t> order;
    std::vector<std::size_t> orphans;
};

// Throws, naming them, when two rows share a categoryid or when parents go
// round in a circle.
CategoryOrder OrderCategories(const std::vector<VpaspCategory>& rows);

}  // namespace qdt::importers
