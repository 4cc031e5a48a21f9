#include "db/odbc/OdbcSession.h"

#include <cctype>

#include "db/Text.h"
#include "db/odbc/OdbcText.h"

namespace qdt::db::odbc {

namespace {

// More handles than this means results are being left open by mistake.
constexpr std::size_t kMaxHandles = 8;

// Runs a second statement while a two-row result is open on the handle.
bool ProbeResultsOccupyHandle(OdbcConnection& connection) {
    OdbcHandle first = connection.NewStatement();
    OdbcHandle second = connection.NewStatement();
    auto a = static_cast<SQLHSTMT>(first.Get());
    auto b = static_cast<SQLHSTMT>(second.Get());
    WideText twoRows = ToWide("SELECT 1 UNION ALL SELECT 2");
    WideText oneRow = ToWide("SELECT 3");
    if (!SQL_SUCCEEDED(SQLExecDirectW(a, twoRows.data(), SQL_NTS)) || !SQL_SUCCEEDED(SQLFetch(a))) return true;
    bool occupied = !SQL_SUCCEEDED(SQLExecDirectW(b, oneRow.data(), SQL_NTS));
    SQLFreeStmt(b, SQL_CLOSE);
    SQLFreeStmt(a, SQL_CLOSE);
    return occupied;
}

}  // namespace

OdbcSession::OdbcSession(OdbcTarget target) : target_(std::move(target)) {
    connections_.push_back(std::make_shared<OdbcConnection>(target_));
    if (target_.resultsOccupyHandle == OdbcTarget::Occupancy::Probe)
        occupying_ = ProbeResultsOccupyHandle(*connections_.front());
}

OdbcConnection& OdbcSession::Main() {
    if (connections_.empty()) throw DatabaseError("Operation is not allowed when the connection is closed.");
    return *connections_.front();
}

std::shared_ptr<OdbcConnection> OdbcSession::FreeHandleOrNew() {
    for (std::size_t i = 1; i < connections_.size(); ++i)
        if (!connections_[i]->Busy()) return connections_[i];
    if (connections_.size() >= kMaxHandles)
        throw DatabaseError("Too many results are open at once on this connection; close the ones no longer needed.");
    OdbcTarget extra = target_;
    extra.connectFailurePrefix.clear();
    connections_.push_back(std::make_shared<OdbcConnection>(extra));
    return connections_.back();
}

std::shared_ptr<OdbcConnection> OdbcSession::Acquire(bool writes) {
    Main();
    if (!connections_.front()->Busy()) return connections_.front();
    if (inTransaction_ && writes)
        throw DatabaseError(
            "This statement cannot run inside the transaction while another result from the same connection is "
            "still being read. Close that result first.");
    return FreeHandleOrNew();
}

std::optional<OpenResult> OdbcSession::Run(const StatementSource& source) {
    std::shared_ptr<OdbcConnection> connection = Acquire(source.writes);
    OdbcHandle statement = connection->TakeStatement();
    auto stmt = static_cast<SQLHSTMT>(statement.Get());
    const std::string& secret = connection->Password();
    const bool narrow = connection->NarrowTextIsUtf8();
    Check(source.run(stmt), SQL_HANDLE_STMT, stmt, {}, secret, narrow);

    // Batches may start with results that carry no columns (row counts).
    SQLSMALLINT columns = 0;
    Check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt, {}, secret, narrow);
    while (columns == 0) {
        SQLRETURN rc = SQLMoreResults(stmt);
        if (rc == SQL_NO_DATA) break;
        Check(rc, SQL_HANDLE_STMT, stmt, {}, secret, narrow);
        Check(SQLNumResultCols(stmt, &columns), SQL_HANDLE_STMT, stmt, {}, secret, narrow);
    }
    if (columns == 0) {
        connection->ReturnStatement(std::move(statement));
        return std::nullopt;
    }
    if (occupying_) connection->SetBusy(true);
    return OpenResult{std::move(connection), std::move(statement)};
}

void OdbcSession::RunGroup(const std::vector<std::string>& statements, std::size_t& done) {
    done = 0;
    if (statements.empty()) return;
    std::shared_ptr<OdbcConnection> connection = Acquire(true);
    OdbcHandle statement = connection->TakeStatement();
    auto stmt = static_cast<SQLHSTMT>(statement.Get());
    const std::string& secret = connection->Password();
    const bool narrow = connection->NarrowTextIsUtf8();
    // A line end after each ";" ends a trailing line comment, should a
    // statement have one; the server skips it before the next statement.
    std::string text;
    std::size_t size = 0;
    for (const std::string& sql : statements) size += sql.size() + 2;
    text.reserve(size);
    for (const std::string& sql : statements) {
        if (!text.empty()) text += ";\n";
        text += sql;
    }
    text = RepairedUtf8(std::move(text));
    // The server runs the statements in order and stops at the first that
    // fails; each one's outcome is read in turn, so `done` points at it.
    Check(SQLExecDirect(stmt, reinterpret_cast<SQLCHAR*>(text.data()), static_cast<SQLINTEGER>(text.size())),
          SQL_HANDLE_STMT, stmt, {}, secret, narrow);
    for (done = 1; done < statements.size(); ++done) {
        SQLRETURN rc = SQLMoreResults(stmt);
        if (rc == SQL_NO_DATA)
            throw DatabaseError("The server ran only " + std::to_string(done) + " of " +
                                std::to_string(statements.size()) + " statements sent together.");
        Check(rc, SQL_HANDLE_STMT, stmt, {}, secret, narrow);
    }
    // Anything left over (a statement that held two) is read too: a failure
    // there is still a failure, never dropped.
    for (;;) {
        SQLRETURN rc = SQLMoreResults(stmt);
        if (rc == SQL_NO_DATA) break;
        Check(rc, SQL_HANDLE_STMT, stmt, {}, secret, narrow);
    }
    connection->ReturnStatement(std::move(statement));
}

void OdbcSession::Begin() {
    Main();
    if (inTransaction_) throw DatabaseError("A transaction is already in progress on this connection.");
    // A result still being read keeps its handle; the transaction takes a
    // free one, which from now on is the main handle.
    if (connections_.front()->Busy()) {
        std::shared_ptr<OdbcConnection> free = FreeHandleOrNew();
        for (auto& c : connections_)
            if (c == free) std::swap(c, connections_.front());
    }
    connections_.front()->SetAutoCommit(false);
    inTransaction_ = true;
}

void OdbcSession::End(bool commit) {
    OdbcConnection& main = Main();
    if (!inTransaction_) throw DatabaseError("No transaction is in progress on this connection.");
    inTransaction_ = false;
    try {
        main.EndTransaction(commit);
    } catch (...) {
        try {
            main.SetAutoCommit(true);
        } catch (...) {
        }
        throw;
    }
    main.SetAutoCommit(true);
}

void OdbcSession::Commit() { End(true); }
void OdbcSession::Rollback() { End(false); }

void OdbcSession::Close() {
    if (inTransaction_ && !connections_.empty()) {
        inTransaction_ = false;
        try {
            connections_.front()->EndTransaction(false);
        } catch (...) {
        }
    }
    connections_.clear();
}

bool IsReadOnlyStatement(std::string_view sql) {
    std::size_t i = 0;
    while (i < sql.size()) {
        char c = sql[i];
        if (std::isspace(static_cast<unsigned char>(c)) || c == '(') {
            ++i;
        } else if (sql.substr(i, 2) == "--" || c == '#') {
            std::size_t end = sql.find('\n', i);
            i = end == std::string_view::npos ? sql.size() : end + 1;
        } else if (sql.substr(i, 2) == "/*") {
            std::size_t end = sql.find("*/", i + 2);
            i = end == std::string_view::npos ? sql.size() : end + 2;
        } else {
            break;
        }
    }
    std::size_t start = i;
    while (i < sql.size() && std::isalpha(static_cast<unsigned char>(sql[i]))) ++i;
    std::string word = ToLowerAscii(sql.substr(start, i - start));
    if (word == "select") {
        // SELECT ... INTO and locking reads change data or take locks.
        std::string rest = ToLowerAscii(sql.substr(i));
        return rest.find(" into ") == std::string::npos && rest.find("for update") == std::string::npos;
    }
    if (word == "with") {
        std::string all = ToLowerAscii(sql);
        for (const char* verb : {"insert", "update", "delete", "replace"})
            if (all.find(verb) != std::string::npos) return false;
        return all.find("select") != std::string::npos;
    }
    return word == "show" || word == "describe" || word == "desc" || word == "explain";
}

}  // namespace qdt::db::odbc
