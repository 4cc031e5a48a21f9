#pragma once

#include <string>

#include "db/Connection.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// Carries the source's values into the destination rows that have the same
// key (name or number), leaving every other destination row as it is. A
// default country that cannot be resolved is written as 0 and noted in
// ctx.strWarnings. Errors pass to the caller and leave what was written.
void CompareTable(run::RunContext& ctx, const std::string& sourceTable, const std::string& destinationTable,
                  const std::string& keyColumn, const std::string& valueColumn, db::Connection& source,
                  db::Connection& destination);

// Every "/asp/" (in exactly that case) becomes "/": paths of version 5 shops
// have no asp folder.
std::string DropAspFolder(const std::string& text);

}  // namespace qdt::data
