#include "support/RecordingConnection.h"

#include "db/DataType.h"
#include "db/Error.h"

namespace qdt::test {

namespace {

struct Rule {
    std::string text;
    bool prefix = false;
    bool fails = false;
    std::string message;
    std::shared_ptr<const CannedResult> result;

    bool Matches(const std::string& sql) const { return prefix ? sql.rfind(text, 0) == 0 : sql == text; }
};

// Streams a canned result row by row, like a provider's own result.
class CannedRecordset final : public db::Recordset {
public:
    CannedRecordset(std::shared_ptr<const CannedResult> result, std::shared_ptr<int> openCount)
        : result_(std::move(result)), openCount_(std::move(openCount)) {
        ++*openCount_;
        for (std::size_t i = 0; i < result_->columns.size(); ++i)
            fields_.emplace_back(result_->columns[i], i < result_->types.size() ? result_->types[i] : db::kVarWChar);
        Start();
    }

protected:
    bool FetchRow() override {
        if (next_ >= result_->rows.size()) return false;
        const auto& row = result_->rows[next_++];
        for (std::size_t i = 0; i < fields_.size(); ++i)
            fields_[i].SetValue(i < row.size() ? row[i] : db::Value::Null());
        return true;
    }
    void Rewind() override { next_ = 0; }
    void Release() override { --*openCount_; }

private:
    std::shared_ptr<const CannedResult> result_;
    std::shared_ptr<int> openCount_;
    std::size_t next_ = 0;
};

}  // namespace

struct RecordingConnection::State {
    std::vector<Rule> rules;
    std::vector<std::string> tables;
    std::vector<std::string> statements;
    std::shared_ptr<int> openResults = std::make_shared<int>(0);
};

RecordingConnection::RecordingConnection() : state_(std::make_shared<State>()) {}

RecordingConnection& RecordingConnection::Answer(std::string sql, CannedResult result) {
    state_->rules.push_back({std::move(sql), false, false, {}, std::make_shared<const CannedResult>(std::move(result))});
    return *this;
}

RecordingConnection& RecordingConnection::AnswerPrefix(std::string prefix, CannedResult result) {
    state_->rules.push_back(
        {std::move(prefix), true, false, {}, std::make_shared<const CannedResult>(std::move(result))});
    return *this;
}

RecordingConnection& RecordingConnection::Fail(std::string sql, std::string message) {
    state_->rules.push_back({std::move(sql), false, true, std::move(message), nullptr});
    return *this;
}

RecordingConnection& RecordingConnection::FailPrefix(std::string prefix, std::string message) {
    state_->rules.push_back({std::move(prefix), true, true, std::move(message), nullptr});
    return *this;
}

RecordingConnection& RecordingConnection::Tables(std::vector<std::string> names) {
    state_->tables = std::move(names);
    return *this;
}

db::Connection RecordingConnection::Open() const {
    return db::Connection(std::make_unique<RecordingConnection>(*this));
}

const std::vector<std::string>& RecordingConnection::Statements() const { return state_->statements; }
int RecordingConnection::OpenResults() const { return *state_->openResults; }

std::unique_ptr<db::Recordset> RecordingConnection::Execute(const std::string& sql) {
    state_->statements.push_back(sql);
    for (const Rule& rule : state_->rules) {
        if (!rule.Matches(sql)) continue;
        if (rule.fails) throw db::DatabaseError(rule.message);
        return std::make_unique<CannedRecordset>(rule.result, state_->openResults);
    }
    return std::make_unique<db::EmptyRecordset>();
}

std::unique_ptr<db::Recordset> RecordingConnection::OpenSchemaTables() {
    auto schema = std::make_shared<CannedResult>();
    schema->columns = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"};
    for (const std::string& name : state_->tables)
        schema->rows.push_back({db::Value::Null(), db::Value::Null(), db::Value::Text(name), db::Value::Text("TABLE")});
    return std::make_unique<CannedRecordset>(std::move(schema), state_->openResults);
}

}  // namespace qdt::test
