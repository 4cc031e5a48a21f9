#include <gtest/gtest.h>

#include "data/Dialect.h"

namespace qdt::data {
namespace {

// The texts other engines will parse; a change here breaks real databases.
TEST(Dialect, StatementPiecesPerKind) {
    struct Expected {
        DatabaseKind kind;
        const char* deletePrefix;
        const char* dateDelimiter;
        bool identityInsert;
    };
    for (const Expected& e : {Expected{kAccess, "DELETE * FROM ", "#", false},
                              Expected{kSqlServer, "DELETE FROM ", "'", true},
                              Expected{kMySql, "DELETE FROM ", "'", false},
                              Expected{kSqlite, "DELETE FROM ", "'", false},
                              Expected{kExcel, "DELETE FROM ", "'", false},
                              Expected{static_cast<DatabaseKind>(42), "DELETE FROM ", "'", false}}) {
        const Dialect& d = DialectFor(e.kind);
        EXPECT_EQ(d.deletePrefix, e.deletePrefix) << e.kind;
        EXPECT_EQ(d.dateDelimiter, e.dateDelimiter) << e.kind;
        EXPECT_EQ(d.switchesIdentityInsert, e.identityInsert) << e.kind;
    }
}

TEST(Dialect, FirstRowQueries) {
    EXPECT_EQ(FirstRowQuery(kAccess, "tblQuillmartVersions"), "SELECT TOP 1 * FROM tblQuillmartVersions");
    EXPECT_EQ(FirstRowQuery(kSqlServer, "tblQuillmartVersions"), "SELECT TOP 1 * FROM tblQuillmartVersions");
    EXPECT_EQ(FirstRowQuery(kExcel, "[Sheet1$]"), "SELECT TOP 1 * FROM [Sheet1$]");
    EXPECT_EQ(FirstRowQuery(kMySql, "tblQuillmartVersions"), "SELECT * FROM tblQuillmartVersions LIMIT 0, 1");
    EXPECT_EQ(FirstRowQuery(kSqlite, "tblQuillmartVersions"), "SELECT * FROM tblQuillmartVersions LIMIT 0, 1");
    EXPECT_EQ(FirstRowQuery(kMySql, "T_ID", "tblQuillmartTaxRates WHERE T_TaxRate = 5"),
              "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5 LIMIT 0, 1");
    EXPECT_EQ(FirstRowQuery(kAccess, "T_ID", "tblQuillmartTaxRates WHERE T_TaxRate = 5"),
              "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5");
}

}  // namespace
}  // namespace qdt::data
