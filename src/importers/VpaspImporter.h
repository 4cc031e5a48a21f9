#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ImageFiles.h"

namespace qdt::importers {

// Replaces the destination's catalogue with a VPASP shop's: categories,
// products with their category links, one version per combination of a
// product's options, related products from the cross-selling lists, tax rates
// and (when the VPASP images are copied) category and product images.
// The whole source is read and checked before anything changes. Runs inside
// the caller's destination transaction; returns the staged image files (when
// images are copied) to put in place after the commit.
// beforeWrite (may be empty) is called once, before the first change.
std::optional<ImageFiles> ImportVPASP(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                      const std::function<void()>& beforeWrite = {});

// The destination tables the VPASP import writes, as the importers name them.
std::vector<std::string> VpaspTablesWritten();

}  // namespace qdt::importers
