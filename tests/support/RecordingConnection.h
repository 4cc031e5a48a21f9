#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Value.h"

namespace qdt::test {

// What a scripted statement answers: its columns (names and type codes) and rows.
struct CannedResult {
    std::vector<std::string> columns;
    std::vector<int> types;  // one per column; missing ones are taken as text (202)
    std::vector<std::vector<db::Value>> rows;
};

// A provider that writes down every call and answers statements from a script,
// for tests that check the exact SQL the engine sends. Copies share one
// script and one log, so a test keeps its own copy to read the log while a
// Connection owns another:
//
//     RecordingConnection rec;
//     rec.Answer("SELECT ...", {{"D_ID"}, {3}, {{db::Value::Integer(7)}}});
//     db::Connection conn = rec.Open();
//     ... run the code under test on conn ...
//     EXPECT_EQ(rec.Statements(), ...);
//
// Rules are tried in the order they were added; the first whose text equals
// the statement (or, for prefix rules, starts it) decides. A statement no rule
// matches gives an empty result.
class RecordingConnection : public db::ConnectionProvider {
public:
    RecordingConnection();

    RecordingConnection& Answer(std::string sql, CannedResult result);
    RecordingConnection& AnswerPrefix(std::string prefix, CannedResult result);
    // The statement throws db::DatabaseError(message) (it is still recorded).
    RecordingConnection& Fail(std::string sql, std::string message);
    RecordingConnection& FailPrefix(std::string prefix, std::string message);
    // What the table schema rowset lists (as TABLE_NAME, its third column), in this order.
    RecordingConnection& Tables(std::vector<std::string> names);

    // A connection whose provider is a copy of this one.
    db::Connection Open() const;

    // Every Execute text, in order.
    const std::vector<std::string>& Statements() const;
    // Canned results (and schema rowsets) handed out and not yet closed.
    int OpenResults() const;

    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override;
    std::unique_ptr<db::Recordset> OpenSchemaTables() override;
    // Transactions and closing leave nothing to record.
    void Close() override {}
    void BeginTrans() override {}
    void CommitTrans() override {}
    void RollbackTrans() override {}

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace qdt::test
