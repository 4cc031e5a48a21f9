#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

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
// The source's own warnings (such as an unused schema.ini key) are added to
// ctx.strWarnings at the end. beforeWrite, when given, is called once just
// before the first change to the destination, after the source was checked.
std::optional<ImageFiles> ImportCatalogue(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                          const std::function<void()>& beforeWrite = {});

// The destination tables the importer of a catalogue system writes, as the
// importers name them (the destination may spell them in another case): the
// catalogue tables and tblQuillmartConfig, which keeps the tax bands. Empty
// for a system that has no importer.
std::vector<std::string> TablesTheImportWrites(const std::string& system);

}  // namespace qdt::importers
