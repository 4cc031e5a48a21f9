#pragma once

#include <istream>

#include "db/Connection.h"
#include "data/run/RunContext.h"

namespace qdt::sqlfile {

// Runs a .sql script against a database: reads the file whole, cuts it into
// batches at GO lines and batches into statements at line-ending semicolons,
// and executes every statement in file order, each stored in ctx.strQuery
// first. Reports through ctx.status: three phase lines and both bars.
// The caller opens and closes the file and the connection. Nothing is caught:
// the first failing statement ends the run, and what ran before it stays.
void ExecuteSQLFile(run::RunContext& ctx, db::Connection& connection, std::istream& file);

}  // namespace qdt::sqlfile
