#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "db/Field.h"

namespace qdt::importers {

// One row of [Catalog section].
struct ActinicSection {
    std::int32_t id = 0;
    std::int32_t parent = 0;
    std::string name;
    std::string description;  // without the !!< >!! markers
    bool hidden = false;
    std::int32_t sequence = 0;
    std::string image;
};

// One orderable row of Product, with its numbers already checked.
struct ActinicProduct {
    std::string name;
    std::string description;  // without the !!< >!! markers and NUL characters
    std::int32_t sequence = 0;
    std::string reference;
    std::int32_t section = 0;
    double price = 0;  // hundredths, tax columns' price parts added
    std::string image;
    std::string largeImage;
    std::int32_t quantity = 0;
    std::int32_t warnLevel = 0;
    std::int32_t weight = 0;
    bool hasSubItems = false;
    std::int32_t pricingModel = 0;
    std::string downloadFile;
    float taxRate = 0;  // percent
};

// The sections in the order they were read, ascending nParentSectionID.
std::vector<ActinicSection> ReadActinicSections(run::RunContext& ctx, db::Connection& source);

// The sections reordered so that every parent comes before its children;
// a section whose parent is not among them (or that is its own ancestor)
// becomes top-level: its id goes to orphans.
std::vector<ActinicSection> ParentsFirst(std::vector<ActinicSection> sections, std::vector<std::int32_t>& orphans);

// How many sTax<n>OpaqueData columns, from sTax1OpaqueData on, exist and are
// filled in the table's first row: the search stops at the first one that
// is empty or missing.
int CountActinicTaxColumns(run::RunContext& ctx, db::Connection& source);

// Every orderable product, read and checked before anything is written: a
// reference, ShippingOpaqueData or tax column that must be a number and is
// not ends the import here, naming the product and the column.
// numericReferences: the references whose products have components, which
// are used as numbers.
std::vector<ActinicProduct> ReadActinicProducts(run::RunContext& ctx, db::Connection& source, int taxColumns,
                                                const std::set<std::string>& numericReferences);

// Checks every active component's referenced product (sString2) and returns
// the references of the products that have components.
std::set<std::string> CheckActinicComponents(run::RunContext& ctx, db::Connection& source);

// Removes every "!!<" and ">!!" (and, with nul, every NUL character).
std::string WithoutMarkers(std::string text, bool nul);

// A source value read as a whole number (Null as 0, a half to the even
// neighbour); a value that is not a number throws, naming what and column.
std::int32_t ActinicWholeNumber(const db::Value& value, const std::string& what, const std::string& column);

// A text as a 32-bit whole number, or throws naming what and column.
std::int32_t ActinicWholeNumber(const std::string& text, const std::string& what, const std::string& column);

// A yes/no column: 1/0, True/False or Null (no).
bool ActinicFlag(const db::Value& value);

}  // namespace qdt::importers
