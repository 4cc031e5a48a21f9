// What the two writable engines do alike, on a SQLite file and on the test
// MariaDB server: transactions, new rows' identities, read-only opening, the
// table list, and walking a result.
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

TEST_P(ProviderContract, RollbackLeavesNothingAndCommitKeeps) {
    Table("contract_tx", "");
    conn_.BeginTrans();
    conn_.Execute("INSERT INTO contract_tx VALUES (1)");
    conn_.Execute("DELETE FROM contract_tx");
    conn_.Execute("INSERT INTO contract_tx VALUES (2)");
    EXPECT_EQ(One(conn_, "SELECT COUNT(*) FROM contract_tx"), "1");
    conn_.RollbackTrans();
    EXPECT_EQ(One(conn_, "SELECT COUNT(*) FROM contract_tx"), "0");
    conn_.BeginTrans();
    conn_.Execute("INSERT INTO contract_tx VALUES (3)");
    conn_.CommitTrans();
    // Autocommit is back on: this insert survives closing without a commit.
    conn_.Execute("INSERT INTO contract_tx VALUES (4)");
    conn_.Close();
    Connection again;
    again.Open(cs_);
    EXPECT_EQ(One(again, "SELECT SUM(a) FROM contract_tx"), "7");
    EXPECT_THROW(again.CommitTrans(), DatabaseError);
}

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

// A source opened read-only reads as before and refuses every change; the
// same database opened read-write still takes them.
TEST_P(ProviderContract, ReadOnlyOpenReadsButRefusesChanges) {
    Table("ro_source", "(1)");
    Connection reader;
    reader.Open(cs_, OpenMode::kReadOnly);
    EXPECT_EQ(One(reader, "SELECT COUNT(*) FROM ro_source"), "1");
    for (const char* change : {"INSERT INTO ro_source VALUES (2)", "UPDATE ro_source SET a = 3",
                               "DELETE FROM ro_source", "CREATE TABLE ro_other (id INTEGER)"})
        EXPECT_THROW(reader.Execute(change), DatabaseError) << change;
    reader.Close();
    conn_.Execute("INSERT INTO ro_source VALUES (4)");
    EXPECT_EQ(One(conn_, "SELECT SUM(a) FROM ro_source"), "5");
}

TEST_P(ProviderContract, SchemaListsTablesAndViewsWithTheNameThird) {
    Table("contract_here", "");
    conn_.Execute("DROP VIEW IF EXISTS contract_view");
    conn_.Execute("CREATE VIEW contract_view AS SELECT a FROM contract_here");
    if (GetParam()) {
        conn_.Execute("CREATE DATABASE IF NOT EXISTS " + database_ + "_other");
        conn_.Execute("CREATE TABLE IF NOT EXISTS " + database_ + "_other.contract_elsewhere (id INT)");
    }
    auto rs = conn_.OpenSchema();
    ASSERT_EQ(rs->FieldCount(), 4u);
    EXPECT_EQ(rs->Fields(0).Name(), "TABLE_CATALOG");
    EXPECT_EQ(rs->Fields(1).Name(), "TABLE_SCHEMA");
    EXPECT_EQ(rs->Fields(2).Name(), "TABLE_NAME");
    EXPECT_EQ(rs->Fields(3).Name(), "TABLE_TYPE");
    std::map<std::string, std::string> seen;
    for (; !rs->Eof(); rs->MoveNext()) {
        seen[rs->Fields(2).Value().ToText()] = rs->Fields(3).Value().ToText();
        // A server lists its current database only.
        if (GetParam()) {
            EXPECT_EQ(rs->Fields(0).Value().ToText(), database_);
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

TEST_P(ProviderContract, EofBofAndMoveFirstReadTheRowsAgain) {
    Table("contract_walk", "");
    auto empty = conn_.Execute("SELECT a FROM contract_walk");
    EXPECT_TRUE(empty->Eof());
    EXPECT_TRUE(empty->Bof());
    EXPECT_THROW(empty->Fields("a").Value(), DatabaseError);
    EXPECT_THROW(empty->MoveNext(), DatabaseError);

    conn_.Execute("INSERT INTO contract_walk VALUES (1), (2), (3)");
    auto rs = conn_.Execute("SELECT a FROM contract_walk ORDER BY a");
    EXPECT_FALSE(rs->Bof());
    std::string seen;
    for (int pass = 0; pass < 2; ++pass) {
        for (; !rs->Eof(); rs->MoveNext()) seen += rs->Fields(0).Value().ToText();
        rs->MoveFirst();
    }
    EXPECT_EQ(seen, "123123");
    // Halfway through, too.
    rs->MoveNext();
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields(0).Value().ToText(), "1");
    rs->Close();
    EXPECT_THROW(rs->MoveNext(), DatabaseError);
}

INSTANTIATE_TEST_SUITE_P(Engines, ProviderContract, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "MySql" : "Sqlite"); });

}  // namespace
}  // namespace qdt::db
