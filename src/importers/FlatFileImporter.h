#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ImageFiles.h"

namespace qdt::importers {

// Replaces the destination's catalogue with the one in a sheet or text file
// (table: the worksheet "[Sheet1$]" or the text file's table "items.csv"):
// each row a version with its product and up to five levels of category
// above it. The whole source is read and checked before anything changes.
// Runs inside the caller's destination transaction; returns the staged image
// files (when images are copied) to put in place after the commit.
// beforeWrite (may be empty) is called once, before the first change.
std::optional<ImageFiles> ImportFlatFile(run::RunContext& ctx, const std::string& table, db::Connection& source,
                                         db::Connection& destination, const std::function<void()>& beforeWrite = {});

// The destination tables the flat-file import writes, as the importers name them.
std::vector<std::string> FlatFileTablesWritten();

// How messages name the source: the file, and the worksheet of a workbook.
std::string FlatFileSourceName(const data::ConnectionProfile& source, const std::string& table);

}  // namespace qdt::importers
