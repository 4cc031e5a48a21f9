#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ImageFiles.h"
#include "importers/RandomName.h"

namespace qdt::importers {

// Replaces the destination's catalogue with an Actinic shop's: sections as
// categories, each orderable product with one version per combination of
// its attributes' choices, priced by its pricing model and price rules, tax
// columns as tax rates, download files as uploaded version files. The
// source is read in the Access dialect. Sections, products and their numbers
// are read and checked before anything changes. Runs inside the caller's
// destination transaction; returns the staged image and download files
// (when images are copied) to put in place after the commit.
// names (may be null) draws the download files' names; a fresh one is used
// otherwise.
std::optional<ImageFiles> ImportActinic(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                        const std::function<void()>& beforeWrite = {}, RandomName* names = nullptr);

// The destination tables the Actinic import writes, as the importers name them.
std::vector<std::string> ActinicTablesWritten();

}  // namespace qdt::importers
