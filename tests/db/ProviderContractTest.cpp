// What SQLite and the test MariaDB server do alike: new rows' identities,
// read-only opening, the table list, and walking a result.
#include <gtest/gtest.h>

#include <map>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

class ProviderContract : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        if (GetParam()) {
            QDT_REQUIRE_MYSQL_SERVER(server);
            cs_ = server.ConnectionString();
            database_ = server.database;
        } else {
            cs_ = "Provider=SQLite;Data Source=" + test::NewSqliteFile();
        }
        conn_.Open(cs_);
    }
    // A fresh table; each test has its own name so that test processes can share the server.
    void Table(const std::string& name, const std::string& rows) {
        conn_.Execute("DROP TABLE IF EXISTS " + name);
        conn_.Execute("CREATE TABLE " + name + " (a INTEGER)");
        if (!rows.empty()) conn_.Execute("INSERT INTO " + name + " VALUES " + rows);
    }
    std::string One(Connection& c, const std::string& sql) { return c.Execute(sql)->Fields(0).Value().ToText(); }

    std::string cs_, database_;
    Connection conn_;
};

// The identity the engine gave each new row, inside a transaction as the importers ask for it.
TEST_P(ProviderContract, LastInsertIdIsTheIdentityOfTheNewRow) {
    conn_.Execute(GetParam() ? "CREATE TEMPORARY TABLE qdt_ids (id INT NOT NULL AUTO_INCREMENT PRIMARY KEY, "
                               "name VARCHAR(10)) ENGINE=InnoDB AUTO_INCREMENT=41"
                             : "CREATE TABLE qdt_ids (id INTEGER PRIMARY KEY, name TEXT)");
    conn_.BeginTrans();
    conn_.Execute("INSERT INTO qdt_ids (name) VALUES ('a')")->Close();
    const auto first = conn_.LastInsertId();
    conn_.Execute("INSERT INTO qdt_ids (name) VALUES ('b')")->Close();
    const auto second = conn_.LastInsertId();
    ASSERT_TRUE(first && second);
    EXPECT_EQ(One(conn_, "SELECT id FROM qdt_ids WHERE name = 'b'"), std::to_string(*second));
    EXPECT_EQ(*second, *first + 1);
    conn_.RollbackTrans();
}

// A source opened read-only reads as before and refuses every change.
TEST_P(ProviderContract, ReadOnlyOpenReadsButRefusesChanges) {
    Table("ro_source", "(1)");
    Connection reader;
    reader.Open(cs_, OpenMode::kReadOnly);
    EXPECT_EQ(One(reader, "SELECT COUNT(*) FROM ro_source"), "1");
    for (const char* change : {"INSERT INTO ro_source VALUES (2)", "UPDATE ro_source SET a = 3",
                               "DELETE FROM ro_source", "CREATE TABLE ro_other (id INTEGER)"})
        EXPECT_THROW(reader.Execute(change), DatabaseError) << change;
    EXPECT_EQ(One(reader, "SELECT SUM(a) FROM ro_source"), "1");
}

TEST_P(ProviderContract, SchemaListsTablesAndViewsWithTheNameThird) {
    Table("contract_here", "");
    conn_.Execute("DROP VIEW IF EXISTS contract_view");
    conn_.Execute("CREATE VIEW contract_view AS SELECT a FROM contract_here");
    if (GetParam()) {
        conn_.Execute("CREATE DATABASE IF NOT EXISTS " + database_ + "_other");
        conn_.Execute("CREATE TABLE IF NOT EXISTS " + database_ + "_other.contract_elsewhere (id INT)");
    }
    std::map<std::string, std::string> seen;
    for (auto rs = conn_.OpenSchema(); !rs->Eof(); rs->MoveNext()) {
        seen[rs->Fields(2).Value().ToText()] = rs->Fields("TABLE_TYPE").Value().ToText();
        // A server lists its current database only.
        if (GetParam()) {
            EXPECT_EQ(rs->Fields("TABLE_CATALOG").Value().ToText(), database_);
        }
    }
    EXPECT_EQ(seen["contract_here"], "TABLE");
    EXPECT_EQ(seen["contract_view"], "VIEW");
    EXPECT_EQ(seen.count("contract_elsewhere"), 0u);
    if (GetParam()) {
        conn_.Execute("DROP DATABASE " + database_ + "_other");
    } else {
        EXPECT_EQ(seen["sqlite_master"], "SYSTEM TABLE");
    }
}

TEST_P(ProviderContract, EofAndMoveFirstReadTheRowsAgain) {
    Table("contract_walk", "");
    auto empty = conn_.Execute("SELECT a FROM contract_walk");
    EXPECT_TRUE(empty->Eof());
    EXPECT_THROW(empty->Fields("a").Value(), DatabaseError);
    EXPECT_THROW(empty->MoveNext(), DatabaseError);
    conn_.Execute("INSERT INTO contract_walk VALUES (1), (2), (3)");
    auto rs = conn_.Execute("SELECT a FROM contract_walk ORDER BY a");
    rs->MoveNext();
    rs->MoveFirst();
    std::string seen;
    for (; !rs->Eof(); rs->MoveNext()) seen += rs->Fields(0).Value().ToText();
    EXPECT_EQ(seen, "123");
    rs->Close();
    EXPECT_THROW(rs->MoveNext(), DatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Engines, ProviderContract, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "MySql" : "Sqlite"); });

}  // namespace
}  // namespace qdt::db
