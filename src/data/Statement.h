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

// The number of rows of a table, read with its own count query so that a
// progress bar can move without reading the rows twice.
inline float CountRows(wizard::RunContext& ctx, db::Connection& conn, const std::string& table) {
    auto counted = ExecuteStatement(ctx, conn, "SELECT COUNT(*) As Recs From " + table);
    const float count = static_cast<float>(counted->Fields("Recs").Value().ToDouble());
    counted->Close();
    return count;
}

}  // namespace qdt::data
