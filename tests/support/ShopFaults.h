#pragma once

#include <string>

#include "db/Connection.h"
#include "support/ShopDatabases.h"

// Shops made slow or made to fail, for tests of long and failing runs.
namespace qdt::test {

// Adds rows to a 4.x shop's mailing list (ids from 1000 on), so that copying it takes a while.
inline void AddMailingListRows(const std::string& sqliteFile, int rows) {
    OpenSqlite(sqliteFile).Execute(
        "WITH RECURSIVE n(i) AS (SELECT 1000 UNION ALL SELECT i + 1 FROM n WHERE i < " + std::to_string(999 + rows) +
        ") INSERT INTO tblQuillmartMailingList (ML_ID, ML_Email, ML_HTML, ML_DateAdded) "
        "SELECT i, 'reader' || i || '@example.com', 'y', '2006-01-02 03:04:05' FROM n");
}

// Two products share a name that the destination insists is unique: a copy
// fails at the second insert of the products table.
inline void MakeProductNamesClash(db::Connection& source, db::Connection& destination) {
    source.Execute("UPDATE tblQuillmartProducts SET P_Name = 'Same'");
    destination.Execute("CREATE UNIQUE INDEX one_name ON tblQuillmartProducts (P_Name1)");
}

inline void MakeProductNamesClash(const std::string& sourceFile, const std::string& destinationFile) {
    db::Connection source = OpenSqlite(sourceFile), destination = OpenSqlite(destinationFile);
    MakeProductNamesClash(source, destination);
}

}  // namespace qdt::test
