#pragma once

#include <string>

#include "db/odbc/OdbcHandle.h"

namespace qdt::db::odbc {

// How to reach a database through a driver.
struct OdbcTarget {
    std::string connectionString;  // the driver's own, complete
    std::string password;          // masked out of every message
    int loginTimeoutSeconds = 5;
    // Put before the driver's text when connecting fails, e.g.
    // "Cannot connect to SQL Server on host,1433: ".
    std::string connectFailurePrefix;
    // Whether the driver hands text over as UTF-8 through the narrow API
    // (SQL_C_CHAR) unchanged. Reading it so skips the driver's conversion to
    // UTF-16 and ours back, which is most of the cost of reading text.
    bool narrowTextIsUtf8 = false;
    // Whether a result being read keeps the handle from running anything
    // else (true of TDS without MARS and of streaming MySQL drivers). When
    // unsure, the session finds out once after connecting.
    enum class Occupancy { Occupies, Probe } resultsOccupyHandle = Occupancy::Occupies;
    // The one-value query that gives the identity of the last row inserted
    // on the same handle; empty when the engine has none.
    std::string lastInsertIdQuery;
    // Whether the driver runs several statements sent as one text (MySQL's
    // multi-statement option), reporting each one's result in turn.
    bool runsStatementGroups = false;
};

// One open ODBC connection handle.
class OdbcConnection {
public:
    explicit OdbcConnection(const OdbcTarget& target);
    ~OdbcConnection();
    OdbcConnection(const OdbcConnection&) = delete;
    OdbcConnection& operator=(const OdbcConnection&) = delete;

    SQLHDBC Handle() const { return static_cast<SQLHDBC>(dbc_.Get()); }
    const std::string& Password() const { return password_; }
    bool NarrowTextIsUtf8() const { return narrowTextIsUtf8_; }

    OdbcHandle NewStatement();
    // A statement handle for the next statement: the one kept from the last
    // statement that finished, or a new one. Making and freeing a handle per
    // statement costs more than the statement itself on a fast server.
    OdbcHandle TakeStatement();
    // Closes what the handle still holds and keeps it for the next statement.
    void ReturnStatement(OdbcHandle statement);

    // A connection can have only one result being read at a time: drivers
    // that stream rows cannot run anything else until it is finished.
    bool Busy() const { return busy_; }
    void SetBusy(bool busy) { busy_ = busy; }

    void SetAutoCommit(bool on);
    void EndTransaction(bool commit);

    // Throws the connection's diagnostics unless rc succeeded.
    void Check(SQLRETURN rc) const;

private:
    OdbcHandle dbc_;
    OdbcHandle spare_;  // freed before dbc_, being declared after it
    std::string password_;
    bool narrowTextIsUtf8_;
    bool connected_ = false;
    bool busy_ = false;
};

}  // namespace qdt::db::odbc
