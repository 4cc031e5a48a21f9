#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "db/Recordset.h"
#include "db/odbc/OdbcSession.h"
#include "db/odbc/OdbcTypes.h"

namespace qdt::db::odbc {

// A result read row by row from an ODBC statement; nothing but the current
// row is held. Reaching the end frees the connection handle for other
// statements; MoveFirst runs the statement again.
class OdbcRecordset final : public Recordset {
public:
    OdbcRecordset(std::shared_ptr<OdbcSession> session, OpenResult open, StatementSource source);
    ~OdbcRecordset() override;

protected:
    bool FetchRow() override;
    void Rewind() override;
    void Release() override;

private:
    SQLHSTMT Stmt() const { return static_cast<SQLHSTMT>(open_->statement.Get()); }
    void Describe();
    void Finish();
    void CheckStmt(SQLRETURN rc) const;
    Value ReadValue(SQLUSMALLINT column, ReadAs how);
    Value ReadText(SQLUSMALLINT column);
    Value ReadUtf8Text(SQLUSMALLINT column);
    Value ReadBinary(SQLUSMALLINT column);
    Value ReadDecimal(SQLUSMALLINT column);

    std::shared_ptr<OdbcSession> session_;
    std::optional<OpenResult> open_;
    StatementSource source_;
    std::vector<ReadAs> reads_;
    bool narrowText_ = false;
    std::vector<SQLWCHAR> wideBuffer_;
    std::vector<unsigned char> byteBuffer_;
};

}  // namespace qdt::db::odbc
