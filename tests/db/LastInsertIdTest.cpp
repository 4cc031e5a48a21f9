#include <gtest/gtest.h>

#include <fstream>

#include "db/Connection.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

// The identity the engine gave each new row, inside a transaction as the importers ask for it.
void ExpectIdentitiesOfNewRows(Connection& conn, const std::string& createTable) {
    conn.Execute(createTable)->Close();
    conn.BeginTrans();
    conn.Execute("INSERT INTO qdt_ids (name) VALUES ('a')")->Close();
    const auto first = conn.LastInsertId();
    conn.Execute("INSERT INTO qdt_ids (name) VALUES ('b')")->Close();
    const auto second = conn.LastInsertId();
    ASSERT_TRUE(first && second);
    auto rs = conn.Execute("SELECT id FROM qdt_ids WHERE name = 'b'");
    EXPECT_EQ(rs->Fields(std::size_t{0}).Value().ToInteger(), *second);
    rs->Close();
    EXPECT_EQ(*second, *first + 1);
    conn.RollbackTrans();
}

TEST(LastInsertId, SqliteGivesTheRowIdOfTheNewRow) {
    const std::string path = test::TempDir() + "/ids.sqlite";
    std::ofstream(path).close();
    Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    ExpectIdentitiesOfNewRows(conn, "CREATE TABLE qdt_ids (id INTEGER PRIMARY KEY, name TEXT)");
}

TEST(LastInsertId, MySqlGivesTheAutoIncrementOfTheNewRow) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    Connection conn;
    conn.Open(server.ConnectionString());
    ExpectIdentitiesOfNewRows(
        conn,
        "CREATE TEMPORARY TABLE qdt_ids (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, name VARCHAR(10)) "
        "ENGINE=InnoDB AUTO_INCREMENT=41");
}

}  // namespace
}  // namespace qdt::db
