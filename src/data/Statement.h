#pragma once

#include <memory>
#include <string>

#include "db/Connection.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// Every statement is kept in ctx.strQuery before it runs, so that whoever
// reports a failure can show the statement that caused it.
inline std::unique_ptr<db::Recordset> ExecuteStatement(run::RunContext& ctx, db::Connection& conn,
                                                       std::string sql) {
    ctx.strQuery = std::move(sql);
    return conn.Execute(ctx.strQuery);
}

// As ExecuteStatement, for a statement that carries a secret (the shop's
// back-office password): strQuery, which a failure shows in the log, holds the
// statement with the secret masked, while the real text is executed.
inline std::unique_ptr<db::Recordset> ExecuteSecretStatement(run::RunContext& ctx, db::Connection& conn,
                                                             const std::string& sql, const std::string& secret) {
    std::string shown = sql;
    if (!secret.empty())
        for (std::size_t at = shown.find(secret); at != std::string::npos; at = shown.find(secret, at + 8))
            shown.replace(at, secret.size(), "********");
    ctx.strQuery = std::move(shown);
    return conn.Execute(sql);
}

// The number of rows of a table, read with its own count query so that a
// progress bar can move without reading the rows twice.
inline float CountRows(run::RunContext& ctx, db::Connection& conn, const std::string& table) {
    auto counted = ExecuteStatement(ctx, conn, "SELECT COUNT(*) As Recs From " + table);
    const float count = static_cast<float>(counted->Fields("Recs").Value().ToDouble());
    counted->Close();
    return count;
}

}  // namespace qdt::data
