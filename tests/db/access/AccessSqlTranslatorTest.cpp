#include <gtest/gtest.h>

#include "db/Error.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/AccessWriteGuard.h"

namespace qdt::db::access {
namespace {

std::string T(const std::string& sql) { return TranslateAccessSql(sql); }

TEST(AccessSqlTokens, GiveTheStatementBackUnchanged) {
    const std::string sql =
        "SELECT [a b].x, \"q\"\"n\", 'it''s', #1/2/2003#, 1.5e3, Umsätze -- note 'x\n/* [c] */ <> <= >= || ;";
    auto tokens = TokenizeAccessSql(sql);
    EXPECT_EQ(JoinTokens(tokens), sql);
    int strings = 0, brackets = 0, dates = 0, comments = 0;
    for (const auto& t : tokens) {
        strings += t.kind == SqlToken::Kind::String;
        brackets += t.kind == SqlToken::Kind::BracketName;
        dates += t.kind == SqlToken::Kind::DateLiteral;
        comments += t.kind == SqlToken::Kind::Comment;
    }
    EXPECT_EQ(strings, 1);
    EXPECT_EQ(brackets, 1);
    EXPECT_EQ(dates, 1);
    EXPECT_EQ(comments, 2);
}

TEST(AccessSqlTokens, RefuseUnterminatedLiteralsAndNames) {
    EXPECT_THROW(TokenizeAccessSql("SELECT 'abc"), DatabaseError);
    EXPECT_THROW(TokenizeAccessSql("SELECT [abc"), DatabaseError);
    EXPECT_THROW(TokenizeAccessSql("SELECT \"abc"), DatabaseError);
}

TEST(AccessSqlTranslate, TopBecomesLimitAtTheEndOfItsQuery) {
    EXPECT_EQ(T("SELECT TOP 5 * FROM Orders"), "SELECT * FROM Orders LIMIT 5");
    EXPECT_EQ(T("select distinct top 10 City from Customers order by City;"),
              "select distinct City from Customers order by City LIMIT 10;");
    EXPECT_EQ(T("SELECT TOP 1 a FROM t ORDER BY a -- first\n"), "SELECT a FROM t ORDER BY a LIMIT 1 -- first\n");
    EXPECT_EQ(T("SELECT * FROM t WHERE id IN (SELECT TOP 3 id FROM u ORDER BY x) AND y = 1"),
              "SELECT * FROM t WHERE id IN (SELECT id FROM u ORDER BY x LIMIT 3) AND y = 1");
    EXPECT_EQ(T("SELECT TOP 2 a FROM (SELECT a FROM t) AS s"), "SELECT a FROM (SELECT a FROM t) AS s LIMIT 2");
    EXPECT_EQ(T("SELECT Top FROM t"), "SELECT Top FROM t");  // a column named Top
}

TEST(AccessSqlTranslate, TopThatCannotBeCarriedOverIsRefused) {
    EXPECT_THROW(T("SELECT TOP 10 PERCENT * FROM t"), DatabaseError);
    EXPECT_THROW(T("SELECT TOP 1 a FROM t UNION SELECT b FROM u"), DatabaseError);
    EXPECT_THROW(T("SELECT TOP 2.5 * FROM t"), DatabaseError);
}

TEST(AccessSqlTranslate, DeleteStarLosesTheStar) {
    EXPECT_EQ(T("DELETE * FROM [Order Details] WHERE OrderID = 1"),
              "DELETE FROM \"Order Details\" WHERE OrderID = 1");
    EXPECT_EQ(T("delete  *  from t"), "delete  from t");
    EXPECT_EQ(T("SELECT * FROM t"), "SELECT * FROM t");
}

TEST(AccessSqlTranslate, DateLiteralsBecomeText) {
    EXPECT_EQ(T("SELECT * FROM Orders WHERE OrderDate >= #2004/3/7 9:05:02# AND OrderDate < #3/8/2004#"),
              "SELECT * FROM Orders WHERE OrderDate >= '2004-03-07 09:05:02' AND OrderDate < '2004-03-08 00:00:00'");
    EXPECT_THROW(T("SELECT * FROM t WHERE d = #2004/2/30#"), DatabaseError);
}

TEST(AccessSqlTranslate, TrueAndFalseBecomeOneAndZero) {
    EXPECT_EQ(T("SELECT * FROM Products WHERE Discontinued = True OR x = false"),
              "SELECT * FROM Products WHERE Discontinued = 1 OR x = 0");
    EXPECT_EQ(T("SELECT t.True, True() FROM t"), "SELECT t.True, True() FROM t");
}

TEST(AccessSqlTranslate, BracketedNamesBecomeQuotedNames) {
    EXPECT_EQ(T("SELECT [Order Details].[Unit \"Price\"] FROM [Order Details]"),
              "SELECT \"Order Details\".\"Unit \"\"Price\"\"\" FROM \"Order Details\"");
}

TEST(AccessSqlTranslate, LeavesLiteralsAndQuotedNamesAlone) {
    const std::string sql = "SELECT 'it''s # [x] + True', \"TOP 5 [y] #1/1/2000# + 'z'\" FROM t WHERE a = 'DELETE * FROM'";
    EXPECT_EQ(T(sql), sql);
    EXPECT_EQ(T("SELECT '#' + '#'"), "SELECT '#' || '#'");
}

std::string Refusal(const std::string& sql) {
    try {
        RefuseWrites(TokenizeAccessSql(sql), "nwind.mdb");
        return "";
    } catch (const DatabaseError& e) {
        return e.what();
    }
}

// The refusal names the kind of statement refused.
TEST(AccessWriteGuard, RefusesStatementsThatWouldChangeTheFile) {
    const std::pair<const char*, const char*> cases[] = {
        {"UPDATE Products SET UnitPrice = 1", "UPDATE"}, {"insert into t values (1)", "INSERT"},
        {"  DELETE * FROM t", "DELETE"},                 {"CREATE TABLE x (a int)", "CREATE"},
        {"drop table t", "DROP"},                        {"ALTER TABLE t ADD c INT", "ALTER"},
        {"REPLACE INTO t VALUES (1)", "REPLACE"},         {"ATTACH 'x.db' AS x", "ATTACH"},
        {"PRAGMA query_only = 0", "PRAGMA"},             {"PRAGMA writable_schema(1)", "PRAGMA"},
        {"VACUUM", "VACUUM"},                            {"SELECT * INTO NewTable FROM t", "SELECT ... INTO"},
        {"WITH a AS (SELECT 1) DELETE FROM t", "DELETE"}, {"/* note */ UPDATE t SET a = 1", "UPDATE"},
    };
    for (const auto& [sql, kind] : cases)
        EXPECT_EQ(Refusal(sql), std::string("Access files are read-only on this system: 'nwind.mdb' cannot be changed (") +
                                    kind + " statements are refused).")
            << sql;
}

TEST(AccessWriteGuard, LetsReadsThrough) {
    for (const char* sql : {"SELECT * FROM t", "select 'UPDATE' from t", "SELECT a FROM t WHERE x IN (SELECT 1)",
                            "WITH a AS (SELECT replace(b, 'x', 'y') AS b FROM t) SELECT * FROM a",
                            "PRAGMA table_info(\"Orders\")", "SELECT [Insert] FROM t", "", "  "})
        EXPECT_EQ(Refusal(sql), "") << sql;
}

}  // namespace
}  // namespace qdt::db::access

namespace qdt::db::access {
namespace {

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
        FileTable{"SELECT * FROM items.csv", "SELECT * FROM \"items.csv\"", {"items.csv"}},
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
        FileTable{"SELECT x, y FROM tblQuillmartProducts ORDER BY x", "SELECT x, y FROM tblQuillmartProducts ORDER BY x",
                  {"tblQuillmartProducts"}},
        FileTable{"SELECT 'FROM items.csv' FROM [a b]", "SELECT 'FROM items.csv' FROM \"a b\"", {"a b"}}));

}  // namespace
}  // namespace qdt::db::access
