#include "data/StatementGroup.h"

#include <algorithm>
#include <utility>

#include "data/SqlLiterals.h"

namespace qdt::data {

StatementGroup::StatementGroup(run::RunContext& ctx, db::Connection& connection)
    : ctx_(ctx),
      connection_(connection),
      statementLimit_(std::max<std::size_t>(1, connection.GroupStatementLimit())),
      byteLimit_(connection.GroupByteLimit()) {
    pending_.reserve(statementLimit_);
}

void StatementGroup::Add(std::string sql) {
    // strQuery holds the last statement handed over, as if it had run at once.
    ctx_.strQuery.assign(sql);
    pendingBytes_ += sql.size();
    pending_.push_back(std::move(sql));
    if (pending_.size() >= statementLimit_ || (byteLimit_ > 0 && pendingBytes_ >= byteLimit_)) Flush();
}

void StatementGroup::AddRow(db::InsertRow& row) {
    unsettled_ = false;
    const DatabaseKind kind = ctx_.destination.Kind;
    bool bound = false;
    try {
        // Rows waiting as text go first, so that the order holds.
        bound = !Pending() && connection_.RunRow(row);
    } catch (...) {
        ctx_.strQuery = InsertText(row, kind);
        throw;
    }
    if (!bound) return Add(InsertText(row, kind));
    // Empty until settled: whatever runs next takes strQuery over, as it
    // would from the row's text.
    ctx_.strQuery.clear();
    std::swap(row, lastBound_);
    unsettled_ = true;
}

void StatementGroup::SettleQuery() {
    if (unsettled_ && ctx_.strQuery.empty()) ctx_.strQuery = InsertText(lastBound_, ctx_.destination.Kind);
    unsettled_ = false;
}

void StatementGroup::Flush() {
    if (pending_.empty()) return;
    std::size_t done = 0;
    try {
        connection_.ExecuteGroup(pending_, done);
    } catch (...) {
        // The failing statement is the one a report must show.
        ctx_.strQuery = std::move(pending_[std::min(done, pending_.size() - 1)]);
        pending_.clear();
        pendingBytes_ = 0;
        throw;
    }
    pending_.clear();
    pendingBytes_ = 0;
}

}  // namespace qdt::data
