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

    WideText in = ToWide(target.connectionString);
    SQLWCHAR out[1024];
    SQLSMALLINT outLength = 0;
    SQLRETURN rc = SQLDriverConnectW(dbc, nullptr, in.data(), SQL_NTS, out, 1024, &outLength, SQL_DRIVER_NOPROMPT);
    if (!SQL_SUCCEEDED(rc)) throw DiagnosticsError(SQL_HANDLE_DBC, dbc, target.connectFailurePrefix, password_);
    connected_ = true;
    // A login timeout must not turn into a limit on long queries.
    SQLSetConnectAttrW(dbc, SQL_ATTR_CONNECTION_TIMEOUT, reinterpret_cast<SQLPOINTER>(0), 0);
}

OdbcConnection::~OdbcConnection() {
    if (!connected_) return;
    SQLEndTran(SQL_HANDLE_DBC, Handle(), SQL_ROLLBACK);
    SQLDisconnect(Handle());
}

void OdbcConnection::Check(SQLRETURN rc) const { odbc::Check(rc, SQL_HANDLE_DBC, Handle(), {}, password_); }

OdbcHandle OdbcConnection::NewStatement() {
    SQLHSTMT stmt = SQL_NULL_HSTMT;
    Check(SQLAllocHandle(SQL_HANDLE_STMT, Handle(), &stmt));
    return OdbcHandle(SQL_HANDLE_STMT, stmt);
}

void OdbcConnection::SetAutoCommit(bool on) {
    auto value = on ? SQL_AUTOCOMMIT_ON : SQL_AUTOCOMMIT_OFF;
    Check(SQLSetConnectAttrW(Handle(), SQL_ATTR_AUTOCOMMIT, reinterpret_cast<SQLPOINTER>(value), 0));
}

void OdbcConnection::EndTransaction(bool commit) {
    Check(SQLEndTran(SQL_HANDLE_DBC, Handle(), commit ? SQL_COMMIT : SQL_ROLLBACK));
}

}  // namespace qdt::db::odbc
