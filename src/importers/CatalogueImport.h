#pragma once

#include <optional>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ImageFiles.h"

namespace qdt::importers {

// The transfer run's one call for a catalogue source (ctx.source.SystemName
// "Flat File", "VPASP", "Actinic" or "Comersus"): picks the importer and
// replaces the destination's catalogue inside the run's open destination
// transaction. Returns the staged image files, if images are copied: the
// run puts them in place (ImageFiles::Publish) after its commit, and drops
// them, which removes the staging folder, when it rolls back.
std::optional<ImageFiles> ImportCatalogue(run::RunContext& ctx, db::Connection& source, db::Connection& destination);

}  // namespace qdt::importers
