#include <gtest/gtest.h>

#include "db/access/AccessSqlTranslator.h"
#include "db/access/FilterIndexes.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db::access {
namespace {

struct IndexCase {
    const char* statement;
    std::set<std::pair<std::string, std::string>> indexed;
};

class FilterIndexCases : public ::testing::TestWithParam<IndexCase> {};

// Only the columns a single-table SELECT compares with a literal are indexed.
TEST_P(FilterIndexCases, IndexTheComparedColumns) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    SqliteHandle db(raw);
    ASSERT_EQ(sqlite3_exec(raw,
                           "CREATE TABLE productproperties (sProductRef TEXT, ntype INTEGER, sString1 TEXT);"
                           "CREATE TABLE \"Product\" (\"Product reference\" TEXT, price INTEGER);"
                           "PRAGMA query_only=1",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    FilterIndexes indexes(raw);
    std::vector<std::string> tables;
    const std::vector<SqlToken> tokens = TokenizeAccessSql(GetParam().statement);
    TranslateAccessSql(tokens, &tables);
    indexes.Prepare(tokens, tables);
    EXPECT_EQ(indexes.Indexed(), GetParam().indexed);
    // The snapshot is read-only again.
    EXPECT_NE(sqlite3_exec(raw, "DELETE FROM productproperties", nullptr, nullptr, nullptr), SQLITE_OK);
}

using Pairs = std::set<std::pair<std::string, std::string>>;

INSTANTIATE_TEST_SUITE_P(
    Cases, FilterIndexCases,
    ::testing::Values(
        IndexCase{"SELECT * FROM productproperties WHERE ProductProperties.sProductRef = '7' AND ntype = 6",
                  Pairs{{"productproperties", "sProductRef"}, {"productproperties", "ntype"}}},
        IndexCase{"SELECT price FROM Product WHERE [Product reference] = '104'", Pairs{{"Product", "Product reference"}}},
        IndexCase{"SELECT * FROM productproperties WHERE ntype > 5 AND sString1 LIKE '%1%'", Pairs{}},
        IndexCase{"SELECT * FROM productproperties WHERE nothere = 1", Pairs{}},
        IndexCase{"SELECT * FROM productproperties, Product WHERE price = 1", Pairs{}},
        IndexCase{"DELETE * FROM productproperties WHERE ntype = 1", Pairs{}}));

}  // namespace
}  // namespace qdt::db::access
