#pragma once

#include <cstddef>
#include <future>
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
//
// A full group is sent on a thread of its own while the caller builds the
// next one, so reading the source overlaps the server's work. Only one group
// is ever on its way, and its failure surfaces at the next Add, Flush or
// Settle, on the caller's thread. Nothing else may use the connection until
// Settle or Flush has returned.
class StatementGroup {
public:
    StatementGroup(run::RunContext& ctx, db::Connection& connection);
    // Waits for a group still on its way; its outcome no longer matters then.
    ~StatementGroup();
    StatementGroup(const StatementGroup&) = delete;
    StatementGroup& operator=(const StatementGroup&) = delete;

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
    // Sends what is waiting and returns when all of it has run.
    void Flush();
    // Returns when the group on its way has run, so that the connection is
    // free for another statement.
    void Settle();
    // Whether statements are waiting to be sent or still on their way.
    bool Pending() const { return !pending_.empty() || sending_.valid(); }

private:
    void Send();
    void Failed(std::vector<std::string>& group, std::size_t done);

    run::RunContext& ctx_;
    db::Connection& connection_;
    std::size_t statementLimit_;
    std::size_t byteLimit_;
    std::vector<std::string> pending_;
    std::size_t pendingBytes_ = 0;
    db::InsertRow lastBound_;
    bool unsettled_ = false;
    // The group on its way, and how many of it have run.
    std::vector<std::string> inFlight_;
    std::size_t inFlightDone_ = 0;
    std::future<void> sending_;
};

}  // namespace qdt::data
