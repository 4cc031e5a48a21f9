#include "db/sheets/SheetProvider.h"

#include "db/Text.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/AccessWriteGuard.h"
#include "db/access/JetFunctions.h"

namespace qdt::db::sheets {

namespace {

// The table list is short, so it is simply held.
class NameListRecordset final : public Recordset {
public:
    explicit NameListRecordset(std::vector<std::string> names) : names_(std::move(names)) {
        for (const char* name : {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"})
            fields_.emplace_back(name, kVarWChar);
        Start();
    }

protected:
    bool FetchRow() override {
        if (next_ >= names_.size()) return false;
        fields_[0].SetValue(Value::Null());
        fields_[1].SetValue(Value::Null());
        fields_[2].SetValue(Value::Text(names_[next_++]));
        fields_[3].SetValue(Value::Text("TABLE"));
        return true;
    }
    void Rewind() override { next_ = 0; }
    void Release() override { names_.clear(); }

private:
    std::vector<std::string> names_;
    std::size_t next_ = 0;
};

}  // namespace

SheetProvider::SheetProvider(std::unique_ptr<SqliteProvider> snapshot, std::string sourceName,
                             std::string kindOfSource)
    : snapshot_(std::move(snapshot)) {
    access::RegisterJetFunctions(snapshot_->Handle());
    snapshot_->SetStatementFilter([this, sourceName, kindOfSource](const std::string& sql) {
        std::vector<access::SqlToken> tokens = access::TokenizeAccessSql(sql);
        access::RefuseWrites(tokens, sourceName, kindOfSource);
        std::vector<std::string> tables;
        std::string translated = access::TranslateAccessSql(std::move(tokens), &tables);
        PrepareTables(tables);
        return translated;
    });
}

std::vector<std::string> SplitExtendedProperties(const std::string& value) {
    std::vector<std::string> out;
    std::size_t start = 0;
    while (start <= value.size()) {
        // FMT=Delimited(;) holds its delimiter in parentheses.
        std::size_t end = start;
        for (int depth = 0; end < value.size() && (value[end] != ';' || depth > 0); ++end)
            depth += value[end] == '(' ? 1 : value[end] == ')' ? -1 : 0;
        std::string part = Trim(value.substr(start, end - start));
        std::size_t eq = part.find('=');
        if (eq != std::string::npos) part = Trim(part.substr(0, eq)) + "=" + Trim(part.substr(eq + 1));
        if (!part.empty()) out.push_back(part);
        start = end + 1;
    }
    return out;
}

std::unique_ptr<Recordset> SheetProvider::OpenSchemaTables() {
    return std::make_unique<NameListRecordset>(TableNames());
}

}  // namespace qdt::db::sheets
