// A copy's rows travel in groups where the destination can take them so. The
// statements and what a failure reports must be those of rows sent one by one.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/SqlLiterals.h"
#include "data/TableCopy.h"
#include "data/run/Cancellation.h"
#include "db/Error.h"

namespace qdt::data {
namespace {

using db::Value;
using Statements = std::vector<std::string>;

// A recording destination that takes statements in groups of `limit` and
// writes down how big each group was; one that binds rows records each bound
// row as its text.
class GroupingRecorder : public test::RecordingConnection {
public:
    GroupingRecorder(const test::RecordingConnection& shared, std::size_t limit, std::vector<std::size_t>& sizes,
                     bool binds)
        : RecordingConnection(shared), limit_(limit), sizes_(sizes), binds_(binds) {}
    bool RunRow(const db::InsertRow& row) override {
        if (binds_) Execute(InsertText(row, kMySql))->Close();
        return binds_;
    }
    void ExecuteGroup(const std::vector<std::string>& statements, std::size_t& done) override {
        sizes_.push_back(statements.size());
        RecordingConnection::ExecuteGroup(statements, done);
    }
    std::size_t GroupStatementLimit() const override { return limit_; }

private:
    std::size_t limit_;
    std::vector<std::size_t>& sizes_;
    bool binds_;
};

// Cancels once the bar has moved for `rows` rows.
class CancellingStatus : public testing::BarTrackingStatus {
public:
    explicit CancellingStatus(int rows) : rows_(rows) {}
    void SetBarValue(run::Bar bar, double value) override {
        BarTrackingStatus::SetBarValue(bar, value);
        if (bar == run::Bar::Current && rows_ >= 0 && static_cast<int>(currentBar.size()) == rows_ + 1) Cancel();
    }

private:
    int rows_;
};

const char* kTable = "tblQuillmartNews";

std::string Insert(int id) {
    return std::string("INSERT INTO ") + kTable + " (N_ID,N_headline) VALUES (" + std::to_string(id) + ",'News " +
           std::to_string(id) + "')";
}

struct GroupCase {
    const char* name;
    int failingInsert;   // the row whose INSERT the destination refuses, or 0
    int unbuildableRow;  // the row whose id is no number, or 0
    int cancelAfterRow;  // -1 for none
    int rowsWritten;     // INSERTs the destination saw
    std::string strQuery;
    std::vector<std::size_t> groups;
    bool cancelled = false;
    bool binds = false;
};

class CopyInGroups : public ::testing::TestWithParam<GroupCase> {};

TEST_P(CopyInGroups, SameStatementsAndTheFailingOneInStrQuery) {
    const GroupCase& c = GetParam();
    CancellingStatus status(c.cancelAfterRow);
    run::RunContext ctx{status};
    ctx.source.Kind = kAccess;
    ctx.destination.Kind = kMySql;
    ctx.source.Version = ctx.destination.Version = 5.104f;
    test::RecordingConnection source;
    test::RecordingConnection destination;
    test::CannedResult rows{{"N_ID", "N_headline"}, {db::kInteger, db::kVarWChar}, {}};
    for (int id = 1; id <= 7; ++id)
        rows.rows.push_back({id == c.unbuildableRow ? Value::Text("seven") : Value::Integer(id),
                             Value::Text("News " + std::to_string(id))});
    source.Answer(std::string("SELECT COUNT(*) As Recs From ") + kTable, {{"Recs"}, {db::kInteger}, {{Value::Integer(7)}}});
    source.Answer(std::string("SELECT * FROM ") + kTable, rows);
    if (c.failingInsert) destination.Fail(Insert(c.failingInsert), "Duplicate entry");
    std::vector<std::size_t> sizes;
    db::Connection sourceConn = source.Open();
    db::Connection destinationConn(std::make_unique<GroupingRecorder>(destination, 3, sizes, c.binds));

    bool failed = false, cancelled = false;
    try {
        CopyTable(ctx, kTable, sourceConn, destinationConn);
    } catch (const run::OperationCancelled&) {
        cancelled = true;
    } catch (const std::exception&) {
        failed = true;
    }
    EXPECT_EQ(cancelled, c.cancelled);
    EXPECT_EQ(failed, !c.cancelled && (c.failingInsert || c.unbuildableRow));

    Statements expected = {std::string("DELETE FROM ") + kTable};
    for (int id = 1; id <= c.rowsWritten; ++id) expected.push_back(Insert(id));
    Statements sent;
    for (const std::string& s : destination.Statements())
        if (s.rfind("SELECT", 0) != 0) sent.push_back(s);
    EXPECT_EQ(sent, expected);
    EXPECT_EQ(ctx.strQuery, c.strQuery);
    EXPECT_EQ(sizes, c.groups);
    EXPECT_EQ(status.txtStep2, std::string("\r\nAdding table ") + kTable + "..." + (failed || cancelled ? "" : "done."));
}

const std::string kProbe = std::string("SELECT * FROM ") + kTable + " WHERE 1 = 0";

INSTANTIATE_TEST_SUITE_P(
    Cases, CopyInGroups,
    ::testing::Values(
        GroupCase{"AllRows", 0, 0, -1, 7, Insert(7), {3, 3, 1}},
        // The server stops at the refused row; the rest of its group never runs.
        GroupCase{"RefusedInsideAGroup", 5, 0, -1, 5, Insert(5), {3, 3}},
        GroupCase{"RefusedFirstOfAGroup", 4, 0, -1, 4, Insert(4), {3, 3}},
        // The rows built before an unbuildable one are written first; the
        // report shows what ran last before the failure, as without groups.
        GroupCase{"UnbuildableRow", 0, 6, -1, 5, kProbe, {3, 2}},
        // A failure among the waiting rows happened first, so it is the one reported.
        GroupCase{"RefusedBeforeAnUnbuildableRow", 5, 6, -1, 5, Insert(5), {3, 2}},
        GroupCase{"CancelledAfterFiveRows", 0, 0, 5, 5, Insert(5), {3, 2}, true},
        // Bound rows have no text until a report may read it.
        GroupCase{"AllRowsBound", 0, 0, -1, 7, Insert(7), {}, false, true},
        GroupCase{"RefusedBound", 5, 0, -1, 5, Insert(5), {}, false, true},
        GroupCase{"UnbuildableRowBound", 0, 6, -1, 5, kProbe, {}, false, true},
        GroupCase{"CancelledBound", 0, 0, 5, 5, Insert(5), {}, true, true}),
    [](const ::testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::data
