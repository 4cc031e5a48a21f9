#pragma once

#include <memory>
#include <string>

#include "db/Connection.h"
#include "wizard/RunContext.h"

namespace qdt::data {

// Every statement is kept in ctx.strQuery before it runs, so that whoever
// reports a failure can show the statement that caused it.
inline std::unique_ptr<db::Recordset> ExecuteStatement(wizard::RunContext& ctx, db::Connection& conn,
                                                       std::string sql) {
    ctx.strQuery = std::move(sql);
    return conn.Execute(ctx.strQuery);
}

}  // namespace qdt::data
