// Statements written for Access: their rewriting for SQLite, the refusal of
// writes, and what Jet's + and LIKE give once registered on a snapshot.
#include <gtest/gtest.h>

#include "db/Error.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/AccessWriteGuard.h"
#include "db/access/JetFunctions.h"
#include "db/sqlite/SqliteProvider.h"
#include "support/TestEnv.h"

namespace qdt::db::access {
namespace {

TEST(AccessSqlTokens, GiveTheStatementBackUnchanged) {
    const std::string sql =
        "SELECT [a b].x, \"q\"\"n\", 'it''s', #1/2/2003#, 1.5e3, Umsätze -- note 'x\n/* [c] */ <> <= >= || ;";
    EXPECT_EQ(JoinTokens(TokenizeAccessSql(sql)), sql);
}

struct Translation {
    const char* access;
    const char* sqlite;  // nullptr: refused
};

class AccessSqlTranslation : public ::testing::TestWithParam<Translation> {};

TEST_P(AccessSqlTranslation, IsWrittenForSqliteOrRefused) {
    const Translation& t = GetParam();
    if (t.sqlite)
        EXPECT_EQ(TranslateAccessSql(t.access), t.sqlite);
    else
        EXPECT_THROW(TranslateAccessSql(t.access), DatabaseError);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AccessSqlTranslation,
    ::testing::Values(
        // TOP becomes LIMIT at the end of its own query.
        Translation{"SELECT TOP 5 * FROM Orders", "SELECT * FROM Orders LIMIT 5"},
        Translation{"select distinct top 10 City from Customers order by City;",
                    "select distinct City from Customers order by City LIMIT 10;"},
        Translation{"SELECT TOP 1 a FROM t ORDER BY a -- first\n", "SELECT a FROM t ORDER BY a LIMIT 1 -- first\n"},
        Translation{"SELECT * FROM t WHERE id IN (SELECT TOP 3 id FROM u ORDER BY x) AND y = 1",
                    "SELECT * FROM t WHERE id IN (SELECT id FROM u ORDER BY x LIMIT 3) AND y = 1"},
        Translation{"SELECT TOP 2 a FROM (SELECT a FROM t) AS s", "SELECT a FROM (SELECT a FROM t) AS s LIMIT 2"},
        Translation{"SELECT Top FROM t", "SELECT Top FROM t"},
        Translation{"SELECT TOP 10 PERCENT * FROM t", nullptr},
        Translation{"SELECT TOP 1 a FROM t UNION SELECT b FROM u", nullptr},
        Translation{"SELECT TOP 2.5 * FROM t", nullptr},
        Translation{"DELETE * FROM [Order Details] WHERE OrderID = 1", "DELETE FROM \"Order Details\" WHERE OrderID = 1"},
        Translation{"delete  *  from t", "delete  from t"},
        Translation{"SELECT * FROM Orders WHERE OrderDate >= #2004/3/7 9:05:02# AND OrderDate < #3/8/2004#",
                    "SELECT * FROM Orders WHERE OrderDate >= '2004-03-07 09:05:02' AND OrderDate < '2004-03-08 00:00:00'"},
        Translation{"SELECT * FROM t WHERE d = #2004/2/30#", nullptr},
        Translation{"SELECT * FROM Products WHERE Discontinued = True OR x = false",
                    "SELECT * FROM Products WHERE Discontinued = 1 OR x = 0"},
        Translation{"SELECT t.True, True() FROM t", "SELECT t.True, True() FROM t"},
        Translation{"SELECT [Order Details].[Unit \"Price\"] FROM [Order Details]",
                    "SELECT \"Order Details\".\"Unit \"\"Price\"\"\" FROM \"Order Details\""},
        Translation{"SELECT 'it''s # [x] + True', \"TOP 5 [y] #1/1/2000# + 'z'\" FROM t WHERE a = 'DELETE * FROM'",
                    "SELECT 'it''s # [x] + True', \"TOP 5 [y] #1/1/2000# + 'z'\" FROM t WHERE a = 'DELETE * FROM'"},
        Translation{"SELECT 'abc", nullptr}, Translation{"SELECT [abc", nullptr}, Translation{"SELECT \"abc", nullptr},
        // + next to a text literal joins texts; between columns the row decides.
        Translation{"SELECT FirstName + ' ' + LastName FROM Employees",
                    "SELECT FirstName || ' ' || LastName FROM Employees"},
        Translation{"SELECT 'No. ' + [t].[id] FROM t", "SELECT 'No. ' || \"t\".\"id\" FROM t"},
        Translation{"SELECT Trim(a) + 'x', (b) + 'y' FROM t", "SELECT Trim(a) || 'x', (b) || 'y' FROM t"},
        Translation{"SELECT '#' + '#'", "SELECT '#' || '#'"},
        Translation{"SELECT a + b, 1 + 2 FROM t", "SELECT JetPlus(a, b), 1 + 2 FROM t"},
        Translation{"WHERE Name = 'a' + b AND c + 1 > 2", "WHERE Name = 'a' || b AND JetPlus(c, 1) > 2"},
        Translation{"SELECT a + [b c] + Len(d) AS s FROM t", "SELECT JetPlus(JetPlus(a, \"b c\"), Len(d)) AS s FROM t"},
        Translation{"SELECT (a + b) + c FROM t", "SELECT JetPlus((JetPlus(a, b)), c) FROM t"},
        Translation{"SELECT TOP 1 a + b FROM t", "SELECT JetPlus(a, b) FROM t LIMIT 1"},
        // Next to a tighter operator the grouping would change, so nothing is touched.
        Translation{"SELECT 'a' + b * 2, 2 * 'a' + b FROM t", "SELECT 'a' + b * 2, 2 * 'a' + b FROM t"},
        Translation{"SELECT a * 2 + b FROM t", "SELECT a * 2 + b FROM t"}));

// File names used as tables: text files by their name, worksheets with a $.
struct FileTable {
    const char* sql;
    const char* translated;
    std::vector<std::string> tables;
};

class AccessSqlFileTables : public ::testing::TestWithParam<FileTable> {};

TEST_P(AccessSqlFileTables, AreQuotedWholeAndListed) {
    std::vector<std::string> tables;
    EXPECT_EQ(TranslateAccessSql(TokenizeAccessSql(GetParam().sql), &tables), GetParam().translated);
    EXPECT_EQ(tables, GetParam().tables);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AccessSqlFileTables,
    ::testing::Values(
        FileTable{"SELECT * FROM price-list.2024.txt WHERE a-b > 0",
                  "SELECT * FROM \"price-list.2024.txt\" WHERE a-b > 0", {"price-list.2024.txt"}},
        FileTable{"SELECT TOP 1 * FROM [Sheet1$]", "SELECT * FROM \"Sheet1$\" LIMIT 1", {"Sheet1$"}},
        FileTable{"SELECT a.b FROM Sheet1$ a WHERE a.b = 1.5", "SELECT a.b FROM \"Sheet1$\" a WHERE a.b = 1.5",
                  {"Sheet1$"}},
        FileTable{"select * from items.2024.csv i, other.txt AS o where i.x = o.x",
                  "select * from \"items.2024.csv\" i, \"other.txt\" AS o where i.x = o.x",
                  {"items.2024.csv", "other.txt"}},
        FileTable{"SELECT * FROM (a.csv INNER JOIN b.csv ON a.k = b.k) LEFT JOIN c ON c.k = a.k",
                  "SELECT * FROM (\"a.csv\" INNER JOIN \"b.csv\" ON a.k = b.k) LEFT JOIN c ON c.k = a.k",
                  {"a.csv", "b.csv", "c"}},
        FileTable{"SELECT COUNT(*) FROM (SELECT x FROM items.csv) AS s",
                  "SELECT COUNT(*) FROM (SELECT x FROM \"items.csv\") AS s", {"items.csv"}},
        FileTable{"SELECT 'FROM items.csv' FROM [a b]", "SELECT 'FROM items.csv' FROM \"a b\"", {"a b"}}));

// The refusal names the kind of statement refused; "" lets it through.
TEST(AccessWriteGuard, RefusesStatementsThatWouldChangeTheFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"UPDATE Products SET UnitPrice = 1", "UPDATE"}, {"insert into t values (1)", "INSERT"},
        {"  DELETE * FROM t", "DELETE"},                 {"CREATE TABLE x (a int)", "CREATE"},
        {"drop table t", "DROP"},                        {"ALTER TABLE t ADD c INT", "ALTER"},
        {"REPLACE INTO t VALUES (1)", "REPLACE"},         {"ATTACH 'x.db' AS x", "ATTACH"},
        {"PRAGMA query_only = 0", "PRAGMA"},             {"PRAGMA writable_schema(1)", "PRAGMA"},
        {"VACUUM", "VACUUM"},                            {"SELECT * INTO NewTable FROM t", "SELECT ... INTO"},
        {"WITH a AS (SELECT 1) DELETE FROM t", "DELETE"}, {"/* note */ UPDATE t SET a = 1", "UPDATE"},
        {"select 'UPDATE' from t", ""},                  {"SELECT a FROM t WHERE x IN (SELECT 1)", ""},
        {"WITH a AS (SELECT replace(b, 'x', 'y') AS b FROM t) SELECT * FROM a", ""},
        {"PRAGMA table_info(\"Orders\")", ""},           {"SELECT [Insert] FROM t", ""},
        {"  ", ""},
    };
    for (const auto& [sql, kind] : cases) {
        const std::string refusal =
            test::ErrorText<DatabaseError>([&] { RefuseWrites(TokenizeAccessSql(sql), "nwind.mdb"); });
        EXPECT_EQ(refusal, *kind ? std::string("Access files are read-only on this system: 'nwind.mdb' cannot be "
                                               "changed (") + kind + " statements are refused)."
                                 : "(no error)")
            << sql;
    }
}

// The value of one expression over a row holding texts, numbers and a Null.
struct Evaluation {
    const char* expression;
    const char* value;  // as text; "NULL" for Null, "(refused)" for a type mismatch
};

class JetValues : public ::testing::TestWithParam<Evaluation> {};

TEST_P(JetValues, AreJetsOwn) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    SqliteProvider provider{SqliteHandle(raw)};
    provider.Execute("CREATE TABLE t (a TEXT, b TEXT, digits TEXT, n INTEGER, m INTEGER, x DOUBLE, z TEXT, s TEXT)")
        ->Close();
    provider.Execute("INSERT INTO t VALUES ('ab', 'CD', '4', 2, 3, 0.5, NULL, '13:75,3:8')")->Close();
    RegisterJetFunctions(provider.Handle());
    provider.SetStatementFilter([](const std::string& sql) { return TranslateAccessSql(sql); });
    std::string value;
    try {
        auto rs = provider.Execute(std::string("SELECT ") + GetParam().expression + " FROM t");
        const Value& v = rs->Fields(std::size_t{0}).Value();
        value = v.IsNull() ? "NULL" : v.ToText();
    } catch (const DatabaseError&) {
        value = "(refused)";
    }
    EXPECT_EQ(value, GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JetValues,
    ::testing::Values(
        // + joins two texts, adds two numbers, and counts a text that reads as a number.
        Evaluation{"a + b", "abCD"}, Evaluation{"digits + digits", "44"}, Evaluation{"n + m", "5"},
        Evaluation{"n + digits", "6"}, Evaluation{"digits + n + x", "6.5"}, Evaluation{"a + z", "NULL"},
        Evaluation{"n + z", "NULL"}, Evaluation{"',' + a + ','", ",ab,"}, Evaluation{"a + n", "(refused)"},
        // LIKE ignores case, for letters beyond ASCII too.
        Evaluation{"a LIKE 'AB'", "1"}, Evaluation{"b LIKE 'c%'", "1"}, Evaluation{"a LIKE 'abc'", "0"},
        Evaluation{"'ÄPFEL Über' LIKE 'äpfel ü%'", "1"}, Evaluation{"'Ωmega' LIKE 'ω%'", "1"},
        Evaluation{"'abc' LIKE 'a_c'", "1"}, Evaluation{"'abc' LIKE 'a_'", "0"}, Evaluation{"'' LIKE '%'", "1"},
        // Jet's character lists.
        Evaluation{"'bbc' LIKE '[a-b]bc'", "1"}, Evaluation{"'cbc' LIKE '[a-b]bc'", "0"},
        Evaluation{"'cbc' LIKE '[!a-b]bc'", "1"}, Evaluation{"'B1' LIKE '[abc][0-9]'", "1"},
        Evaluation{"z LIKE '%'", "NULL"},
        // A pair of a comma-separated list is found whole, not inside another.
        Evaluation{"',' + s + ',' LIKE '%,3:8,%'", "1"}, Evaluation{"',' + s + ',' LIKE '%,3:7,%'", "0"},
        Evaluation{"',' + s + ',' LIKE '%,13:75,%'", "1"}));

}  // namespace
}  // namespace qdt::db::access
