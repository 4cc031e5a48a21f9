#include "db/odbc/OdbcConnection.h"

#include "db/odbc/OdbcText.h"

namespace qdt::db::odbc {

OdbcConnection::OdbcConnection(const OdbcTarget& target) : password_(target.password), narrowTextIsUtf8_(target.narrowTextIsUtf8) {
    SQLHDBC dbc = SQL_NULL_HDBC;
    if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_DBC, Environment(), &dbc)))
        throw DiagnosticsError(SQL_HANDLE_ENV, Environment(), target.connectFailurePrefix);
    dbc_ = OdbcHandle(SQL_HANDLE_DBC, dbc);
    auto timeout = static_cast<SQLULEN>(target.loginTimeoutSeconds);
    SQLSetConnectAttrW(dbc, SQL_ATTR_LOGIN_TIMEOUT, reinterpret_cast<SQLPOINTER>(timeout), 0);
    SQLSetConnectAttrW(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(timeout), 0);

    SQLRETURN rc;
    SQLSMALLINT outLength = 0;
    if (narrowTextIsUtf8_) {
        // Connected through the narrow API, the driver manager passes narrow
        // calls on untouched, so UTF-8 statements reach the driver as they
        // are; connected through the wide one, it would widen them byte by byte.
        std::string in = target.connectionString;
        SQLCHAR out[1024];
        rc = SQLDriverConnect(dbc, nullptr, reinterpret_cast<SQLCHAR*>(in.data()), static_cast<SQLSMALLINT>(in.size()),
                              out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
    } else {
        WideText in = ToWide(target.connectionString);
        SQLWCHAR out[1024];
        rc = SQLDriverConnectW(dbc, nullptr, in.data(), SQL_NTS, out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
    }
    if (!SQL_SUCCEEDED(rc))
        throw DiagnosticsError(SQL_HANDLE_DBC, dbc, target.connectFailurePrefix, password_, narrowTextIsUtf8_);
    connected_ = true;
    // A login timeout must not turn into a limit on long queries.
    SQLSetConnectAttrW(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(0), 0);
}

OdbcConnection::~OdbcConnection() {
    spare_.Reset();
    if (!connected_) return;
    SQLEndTran(SQL_HANDLE_DBC, Handle(), SQL_ROLLBACK);
    SQLDisconnect(Handle());
}

void OdbcConnection::Check(SQLRETURN rc) const {
    odbc::Check(rc, SQL_HANDLE_DBC, Handle(), {}, password_, narrowTextIsUtf8_);
}

OdbcHandle OdbcConnection::NewStatement() {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, Handle(), &stmt));
    return OdbcHandle(SQL_HANDLE_STMT, stmt);
}

OdbcHandle OdbcConnection::TakeStatement() {
    if (spare_) return std::move(spare_);
    OdbcHandle statement = NewStatement();
    auto stmt = static_cast<SQLHSTMT>(statement.Get());
    SQLSetStmtAttrW(stmt, SQL_ATTR_CURSOR_TYPE, reinterpret_cast<SQLPOINTER>(SQL_CURSOR_FORWARD_ONLY), 0);
    SQLSetStmtAttrW(stmt, SQL_ATTR_CONCURRENCY, reinterpret_cast<SQLPOINTER>(SQL_CONCUR_READ_ONLY), 0);
    return statement;
}

void OdbcConnection::ReturnStatement(OdbcHandle statement) {
    if (!statement) return;
    // A handle whose cursor will not close is dropped rather than kept.
    if (!SQL_SUCCEEDED(SQLFreeStmt(static_cast<SQLHSTMT>(statement.Get()), SQL_CLOSE))) return;
    if (!spare_) spare_ = std::move(statement);
}

void OdbcConnection::SetAutoCommit(bool on) {
    auto value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    Check(SQLSetConnectAttrW(Handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0));
}

void OdbcConnection::EndTransaction(bool commit) {
    Check(SQLEndTran(SQL_HANDLE_DBC, Handle(), commit ? SQL_COMMIT : SQL_ROLLBACK));
}

}  // namespace qdt::db::odbc
