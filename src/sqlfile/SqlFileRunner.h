#pragma once

#include <istream>

#include "db/Connection.h"
#include "data/run/ConnectionProfile.h"
#include "data/run/RunContext.h"

namespace qdt::sqlfile {

// Runs a .sql script against a database of the given kind: reads the file
// whole (UTF-16 files are decoded), cuts it into batches at GO lines and
// batches into statements at line-ending semicolons by the lexical rules of
// that kind, and executes every statement in file order, each stored in
// ctx.strQuery first. Reports through ctx.status: three phase lines and both
// bars. A script that cannot be read whole as SQL is refused before anything
// runs. The caller opens and closes the file and the connection. Nothing is
// caught: the first failing statement ends the run, and what ran before it stays.
void ExecuteSQLFile(run::RunContext& ctx, db::Connection& connection, std::istream& file, data::DatabaseKind kind);

// The script of an Execute SQL run runs on its source side.
inline void ExecuteSQLFile(run::RunContext& ctx, db::Connection& connection, std::istream& file) {
    ExecuteSQLFile(ctx, connection, file, ctx.source.Kind);
}

}  // namespace qdt::sqlfile
