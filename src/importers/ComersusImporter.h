#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ImageFiles.h"

namespace qdt::importers {

// Replaces the destination's catalogue with a Comersus shop's: the category
// tree below Root, the visible products with their category links and
// related products, and one version per combination of a product's options
// (or per item of a bundle). The tax rates and the tax bands are left alone:
// every version takes the destination's first tax rate. Runs inside the
// caller's destination transaction; the source's tables, the Root category
// and a destination tax rate are checked before anything changes. Returns
// the staged image files (when images are copied) to put in place after the
// commit. beforeWrite (may be empty) is called once, before the first change.
std::optional<ImageFiles> ImportComersus(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                         const std::function<void()>& beforeWrite = {});

// The destination tables the Comersus import writes, as the importers name them.
std::vector<std::string> ComersusTablesWritten();

}  // namespace qdt::importers
