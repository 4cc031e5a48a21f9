#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/InsertRow.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// Collects statements whose results nobody reads (a copy's INSERTs) and sends
// them in groups of the size the connection finds worth it, in order. Each is
// stored in ctx.strQuery when handed over; when one fails, ctx.strQuery holds
// exactly that statement, the ones before it stand and the ones after it are
// not run. On a connection that does not group, each statement goes at once.
class StatementGroup {
public:
    StatementGroup(run::RunContext& ctx, db::Connection& connection);

    void Add(std::string sql);
    // Hands over a copy's row: bound where the connection binds rows, as its
    // text otherwise. A bound row's text is built only if it fails or a
    // report may read it (see SettleQuery). row is swapped with an earlier
    // row, whose storage the caller may reuse.
    void AddRow(db::InsertRow& row);
    // Puts the text of the last row handed over into ctx.strQuery, where it
    // was bound and nothing ran since; to be called when the copy of a table
    // stops for any reason.
    void SettleQuery();
    // Sends what is waiting.
    void Flush();
    // Whether statements are waiting to be sent.
    bool Pending() const { return !pending_.empty(); }

private:
    run::RunContext& ctx_;
    db::Connection& connection_;
    std::size_t statementLimit_;
    std::size_t byteLimit_;
    std::vector<std::string> pending_;
    std::size_t pendingBytes_ = 0;
    db::InsertRow lastBound_;
    bool unsettled_ = false;
};

}  // namespace qdt::data
