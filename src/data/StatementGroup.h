#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "db/Connection.h"
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
};

}  // namespace qdt::data
