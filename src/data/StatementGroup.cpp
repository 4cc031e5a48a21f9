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

StatementGroup::~StatementGroup() {
    if (!sending_.valid()) return;
    try {
        sending_.get();
    } catch (...) {
        // Only reached while another failure unwinds; that one is reported.
    }
}

void StatementGroup::Add(std::string sql) {
    // strQuery holds the last statement handed over, as if it had run at once.
    ctx_.strQuery.assign(sql);
    pendingBytes_ += sql.size();
    pending_.push_back(std::move(sql));
    if (pending_.size() < statementLimit_ && (byteLimit_ == 0 || pendingBytes_ < byteLimit_)) return;
    if (statementLimit_ == 1) return Flush();
    Send();
}

void StatementGroup::Settle() {
    if (!sending_.valid()) return;
    try {
        sending_.get();
    } catch (...) {
        Failed(inFlight_, inFlightDone_);
        throw;
    }
    inFlight_.clear();
}

void StatementGroup::Send() {
    // A failure of the group before this one came first, and stops this one.
    Settle();
    inFlight_.swap(pending_);
    pending_.clear();
    pendingBytes_ = 0;
    inFlightDone_ = 0;
    sending_ = std::async(std::launch::async, [this] { connection_.ExecuteGroup(inFlight_, inFlightDone_); });
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
    Settle();
    if (pending_.empty()) return;
    std::size_t done = 0;
    try {
        connection_.ExecuteGroup(pending_, done);
    } catch (...) {
        Failed(pending_, done);
        throw;
    }
    pending_.clear();
    pendingBytes_ = 0;
}

void StatementGroup::Failed(std::vector<std::string>& group, std::size_t done) {
    // The failing statement is the one a report must show; the statements
    // after it, sent or still waiting, are not run.
    if (!group.empty()) ctx_.strQuery = std::move(group[std::min(done, group.size() - 1)]);
    group.clear();
    inFlight_.clear();
    pending_.clear();
    pendingBytes_ = 0;
}

}  // namespace qdt::data
