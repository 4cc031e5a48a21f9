#include "db/odbc/OdbcProvider.h"

#include "db/odbc/OdbcRecordset.h"
#include "db/odbc/OdbcText.h"

namespace qdt::db::odbc {

OdbcProvider::OdbcProvider(OdbcTarget target) : session_(std::make_shared<OdbcSession>(std::move(target))) {}

OdbcSession& OdbcProvider::Session() {
    if (!session_) throw DatabaseError("Operation is not allowed when the connection is closed.");
    return *session_;
}

std::unique_ptr<Recordset> OdbcProvider::Open(StatementSource source) {
    std::optional<OpenResult> open = Session().Run(source);
    if (!open) return std::make_unique<EmptyRecordset>();
    return std::make_unique<OdbcRecordset>(session_, std::move(*open), std::move(source));
}

std::unique_ptr<Recordset> OdbcProvider::Execute(const std::string& sql) {
    StatementSource source;
    if (Session().Target().narrowTextIsUtf8) {
        // The driver takes UTF-8 as it is: no round through UTF-16 and back.
        auto text = std::make_shared<std::string>(RepairedUtf8(sql));
        source.run = [text](SQLHSTMT stmt) {
            return SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text->data()), static_cast<SQLINTEGER>(text->size()));
        };
    } else {
        auto wide = std::make_shared<WideText>(ToWide(sql));
        source.run = [wide](SQLHSTMT stmt) { return SQLExecDirectW(stmt, wide->data(), SQL_NTS); };
    }
    source.writes = !IsReadOnlyStatement(sql);
    return Open(std::move(source));
}

// Groups travel as UTF-8 through the narrow API, so only on drivers that take it so.
bool OdbcProvider::Groups() const {
    return session_ && session_->Target().runsStatementGroups && session_->Target().narrowTextIsUtf8;
}

void OdbcProvider::ExecuteGroup(const std::vector<std::string>& statements, std::size_t& done) {
    if (!Groups()) return ConnectionProvider::ExecuteGroup(statements, done);
    Session().RunGroup(statements, done);
}

std::size_t OdbcProvider::GroupStatementLimit() const { return Groups() ? kGroupStatements : 1; }
std::size_t OdbcProvider::GroupByteLimit() const { return Groups() ? kGroupBytes : 0; }

std::unique_ptr<Recordset> OdbcProvider::OpenSchemaTables() {
    std::string catalog = SchemaCatalog();
    StatementSource source;
    auto wideCatalog = std::make_shared<WideText>(ToWide(catalog));
    source.run = [wideCatalog, all = catalog.empty()](SQLHSTMT stmt) {
        static SQLWCHAR anyName[] = {'%', 0};
        return SQLTablesW(stmt, all ? nullptr : wideCatalog->data(), all ? 0 : SQL_NTS, nullptr, 0, anyName, SQL_NTS,
                          nullptr, 0);
    };
    source.writes = false;
    source.columnNames = {"TABLE_CATALOG", "TABLE_SCHEMA", "TABLE_NAME", "TABLE_TYPE"};
    return Open(std::move(source));
}

void OdbcProvider::Close() {
    if (!session_) return;
    auto session = std::move(session_);
    session->Close();
}

void OdbcProvider::BeginTrans() { Session().Begin(); }
void OdbcProvider::CommitTrans() { Session().Commit(); }
void OdbcProvider::RollbackTrans() { Session().Rollback(); }

std::optional<std::int64_t> OdbcProvider::LastInsertId() {
    OdbcSession& session = Session();
    const std::string& query = session.Target().lastInsertIdQuery;
    if (query.empty() || session.MainBusy()) return std::nullopt;
    auto result = Execute(query);
    std::optional<std::int64_t> id;
    if (!result->Eof() && result->FieldCount() > 0 && !result->Fields(std::size_t{0}).Value().IsNull())
        id = result->Fields(std::size_t{0}).Value().ToInteger();
    result->Close();
    return id;
}

}  // namespace qdt::db::odbc
