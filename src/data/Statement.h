#pragma once

#include <memory>
#include <string>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/SecretMask.h"
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
// back-office password) as one literal between before and after. strQuery,
// which a failure shows in the log, holds the statement with that literal
// written as '********'; the driver's error text, which may echo the
// statement or the value, is masked too before it travels on.
inline std::unique_ptr<db::Recordset> ExecuteSecretStatement(run::RunContext& ctx, db::Connection& conn,
                                                             const std::string& before,
                                                             const std::string& secretLiteral,
                                                             const std::string& after, const std::string& secret) {
    const std::string sql = before + secretLiteral + after;
    ctx.strQuery = before + "'" + db::kSecretMask + "'" + after;
    try {
        return conn.Execute(sql);
    } catch (const db::DatabaseError& e) {
        const db::SecretInStatement where{&sql, before.size(), before.size() + secretLiteral.size()};
        throw db::DatabaseError(db::MaskSecret(e.Description(), secret, where), e.NativeCode(), e.State());
    }
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
