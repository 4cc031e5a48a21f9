#pragma once

#include <string>

#include "db/Connection.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// Replaces the rows of table in the destination by those of the same table in
// the source, upgrading each row from the source's schema version to the
// destination's on the way. Rows are read once, forward only, and written one
// INSERT each. Errors pass to the caller and leave what was written.
void CopyTable(run::RunContext& ctx, const std::string& table, db::Connection& source, db::Connection& destination);

}  // namespace qdt::data
