// The Access provider's parts: Access SQL rewritten for SQLite, writes refused,
// Jet's + and LIKE, dates and currency as the file holds them, the indexes for
// filtered reads, and libmdb's chatter kept off standard output.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>

#include "db/Error.h"
#include "db/ProviderTestSupport.h"
#include "db/access/AccessDate.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/AccessWriteGuard.h"
#include "db/access/FilterIndexes.h"
#include "db/access/JetFunctions.h"
#include "db/access/LibraryOutput.h"
#include "db/access/MdbFile.h"
#include "db/sqlite/SqliteProvider.h"
#include "support/TestEnv.h"

namespace qdt::db::access {
namespace {

struct Translation {
    const char* access;
    const char* sqlite;  // nullptr: refused
    std::vector<std::string> tables = {};  // when given, the tables the statement reads
};

class AccessSqlTranslation : public ::testing::TestWithParam<Translation> {};

TEST_P(AccessSqlTranslation, IsWrittenForSqliteOrRefused) {
    const Translation& t = GetParam();
    if (!t.sqlite) {
        EXPECT_THROW(TranslateAccessSql(t.access), DatabaseError);
        return;
    }
    std::vector<std::string> tables;
    EXPECT_EQ(TranslateAccessSql(TokenizeAccessSql(t.access), &tables), t.sqlite);
    if (!t.tables.empty()) {
        EXPECT_EQ(tables, t.tables);
    }
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
        Translation{"DELETE * FROM [Order Details] WHERE OrderID = 1", "DELETE FROM \"Order Details\" WHERE OrderID = 1"},
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
        Translation{"SELECT Trim(a) + 'x', (b) + 'y' FROM t", "SELECT Trim(a) || 'x', (b) || 'y' FROM t"},
        Translation{"SELECT '#' + '#'", "SELECT '#' || '#'"},
        Translation{"SELECT a + b, 1 + 2 FROM t", "SELECT JetPlus(a, b), 1 + 2 FROM t"},
        Translation{"WHERE Name = 'a' + b AND c + 1 > 2", "WHERE Name = 'a' || b AND JetPlus(c, 1) > 2"},
        Translation{"SELECT a + [b c] + Len(d) AS s FROM t", "SELECT JetPlus(JetPlus(a, \"b c\"), Len(d)) AS s FROM t"},
        Translation{"SELECT (a + b) + c FROM t", "SELECT JetPlus((JetPlus(a, b)), c) FROM t"},
        // Next to a tighter operator the grouping would change, so nothing is touched.
        Translation{"SELECT 'a' + b * 2, 2 * 'a' + b FROM t", "SELECT 'a' + b * 2, 2 * 'a' + b FROM t"},
        Translation{"SELECT a * 2 + b FROM t", "SELECT a * 2 + b FROM t"},
        // File names used as tables: text files by their name, worksheets with a $.
        Translation{"SELECT * FROM price-list.2024.txt WHERE a-b > 0",
                    "SELECT * FROM \"price-list.2024.txt\" WHERE a-b > 0", {"price-list.2024.txt"}},
        Translation{"SELECT TOP 1 * FROM [Sheet1$]", "SELECT * FROM \"Sheet1$\" LIMIT 1", {"Sheet1$"}},
        Translation{"select * from items.2024.csv i, other.txt AS o where i.x = o.x",
                    "select * from \"items.2024.csv\" i, \"other.txt\" AS o where i.x = o.x",
                    {"items.2024.csv", "other.txt"}},
        Translation{"SELECT * FROM (a.csv INNER JOIN b.csv ON a.k = b.k) LEFT JOIN c ON c.k = a.k",
                    "SELECT * FROM (\"a.csv\" INNER JOIN \"b.csv\" ON a.k = b.k) LEFT JOIN c ON c.k = a.k",
                    {"a.csv", "b.csv", "c"}},
        Translation{"SELECT COUNT(*) FROM (SELECT x FROM items.csv) AS s",
                    "SELECT COUNT(*) FROM (SELECT x FROM \"items.csv\") AS s", {"items.csv"}},
        Translation{"SELECT 'FROM items.csv' FROM [a b]", "SELECT 'FROM items.csv' FROM \"a b\"", {"a b"}}));

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

// The value of each expression over a row holding texts, numbers and a Null,
// as text: "NULL" for Null, "(refused)" for a type mismatch.
TEST(JetValues, AreJetsOwn) {
    sqlite3* raw = nullptr;
    ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
    SqliteProvider provider{SqliteHandle(raw)};
    provider.Execute("CREATE TABLE t (a TEXT, b TEXT, digits TEXT, n INTEGER, m INTEGER, x DOUBLE, z TEXT, s TEXT)")
        ->Close();
    provider.Execute("INSERT INTO t VALUES ('ab', 'CD', '4', 2, 3, 0.5, NULL, '13:75,3:8')")->Close();
    RegisterJetFunctions(provider.Handle());
    provider.SetStatementFilter([](const std::string& sql) { return TranslateAccessSql(sql); });
    const std::pair<const char*, const char*> cases[] = {
        // + joins two texts, adds two numbers, and counts a text that reads as a number.
        {"a + b", "abCD"}, {"digits + digits", "44"}, {"n + m", "5"}, {"n + digits", "6"}, {"digits + n + x", "6.5"},
        {"a + z", "NULL"}, {"n + z", "NULL"}, {"a + n", "(refused)"},
        // LIKE ignores case, for letters beyond ASCII too, and knows Jet's character lists.
        {"a LIKE 'AB'", "1"}, {"'ÄPFEL Über' LIKE 'äpfel ü%'", "1"}, {"'Ωmega' LIKE 'ω%'", "1"},
        {"'abc' LIKE 'a_'", "0"}, {"'bbc' LIKE '[a-b]bc'", "1"}, {"'cbc' LIKE '[a-b]bc'", "0"},
        {"'cbc' LIKE '[!a-b]bc'", "1"}, {"'B1' LIKE '[abc][0-9]'", "1"}, {"z LIKE '%'", "NULL"},
        // A pair of a comma-separated list is found whole, not inside another.
        {"',' + s + ',' LIKE '%,3:8,%'", "1"}, {"',' + s + ',' LIKE '%,3:7,%'", "0"}};
    for (const auto& [expression, expected] : cases) {
        std::string value;
        try {
            auto rs = provider.Execute(std::string("SELECT ") + expression + " FROM t");
            const Value& v = rs->Fields(std::size_t{0}).Value();
            value = v.IsNull() ? "NULL" : v.ToText();
        } catch (const DatabaseError&) {
            value = "(refused)";
        }
        EXPECT_EQ(value, expected) << expression;
    }
}

// Days from 1899-12-30 with the fraction as the time of day, also before that
// day; rounded to the second, carrying midnight into the next day.
TEST(AccessNumbers, DatesCountDaysFrom1899_12_30AndCurrencyIsExact) {
    const std::pair<double, const char*> cases[] = {
        {0, "1899-12-30 00:00:00"},     {61, "1900-03-01 00:00:00"},  // 1900 was no leap year
        {36586, "2000-03-01 00:00:00"},  // 2000 was one
        {38053.37849537037, "2004-03-07 09:05:02"}, {-1.5, "1899-12-29 12:00:00"},
        {-657434, "0100-01-01 00:00:00"},  // the earliest date Access takes
        {2958465.999988426, "9999-12-31 23:59:59"}, {38053.999999999, "2004-03-08 00:00:00"},
        {-1.999999999, "1899-12-30 00:00:00"},      {0.5 + 0.6 / 86400, "1899-12-30 12:00:01"},
        {0.5 + 0.4 / 86400, "1899-12-30 12:00:00"}, {-36522.75, "1800-01-01 18:00:00"},
    };
    for (const auto& [days, text] : cases) EXPECT_EQ(FormatDateTime(DateFromAccessDouble(days)), text) << days;
    // Currency: ten-thousandths become exact decimal text.
    const std::pair<std::int64_t, const char*> currencies[] = {
        {125000, "12.5"}, {140000, "14"}, {0, "0"}, {-5, "-0.0005"},
        {INT64_MAX, "922337203685477.5807"}, {INT64_MIN, "-922337203685477.5808"}};
    for (const auto& [tenThousandths, text] : currencies) EXPECT_EQ(CurrencyText(tenThousandths), text);
}

TEST(AccessDateLiteral, ReadsTheFormsAccessWritesAndRefusesWhatIsNoDate) {
    const std::pair<const char*, const char*> cases[] = {
        {"2004/3/7 9:05:02", "2004-03-07 09:05:02"},    {"3/7/2004", "2004-03-07 00:00:00"},  // month first
        {" 3/7/2004 21:30 ", "2004-03-07 21:30:00"},    {"3/7/04", "2004-03-07 00:00:00"},
        {"3/7/30", "1930-03-07 00:00:00"},              {"13/2/2004", "2004-02-13 00:00:00"},
        {"7-Mar-2004", "2004-03-07 00:00:00"},          {"March 7, 2004 9:05 PM", "2004-03-07 21:05:00"},
        {"3/7/2004 12:00:00 AM", "2004-03-07 00:00:00"}, {"3/7/2004 12 PM", "2004-03-07 12:00:00"},
        {"9:05:02", "1899-12-30 09:05:02"},             {"", nullptr},
        {"2003/2/29", nullptr},                         {"2004/3/7 25:00", nullptr},
        {"13:00 PM", nullptr},                          {"Smarch 7, 2004", nullptr},
        {"2004/3/7/1", nullptr},                        {"2/30/2004", nullptr},
        {"2004-03-07", "2004-03-07 00:00:00"},          {"2004//7", nullptr},
    };
    for (const auto& [literal, text] : cases) {
        DateTime d;
        EXPECT_EQ(ParseAccessDateLiteral(literal, d) ? FormatDateTime(d) : "(not a date)", text ? text : "(not a date)")
            << literal;
    }
}

// Only the columns a single-table SELECT compares with a literal are indexed,
// and the snapshot is read-only again afterwards.
TEST(FilterIndexCases, IndexTheComparedColumns) {
    const std::pair<const char*, std::set<std::pair<std::string, std::string>>> cases[] = {
        {"SELECT * FROM productproperties WHERE ProductProperties.sProductRef = '7' AND ntype = 6",
         {{"productproperties", "sProductRef"}, {"productproperties", "ntype"}}},
        {"SELECT price FROM Product WHERE [Product reference] = '104'", {{"Product", "Product reference"}}},
        {"SELECT * FROM productproperties WHERE ntype > 5 AND sString1 LIKE '%1%'", {}},
        {"SELECT * FROM productproperties WHERE nothere = 1", {}},
        {"SELECT * FROM productproperties, Product WHERE price = 1", {}},
        {"DELETE * FROM productproperties WHERE ntype = 1", {}}};
    for (const auto& [statement, indexed] : cases) {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
        SqliteHandle db(raw);
        const char* schema = "CREATE TABLE productproperties (sProductRef TEXT, ntype INTEGER, sString1 TEXT);"
                             "CREATE TABLE \"Product\" (\"Product reference\" TEXT, price INTEGER); PRAGMA query_only=1";
        ASSERT_EQ(sqlite3_exec(raw, schema, nullptr, nullptr, nullptr), SQLITE_OK);
        FilterIndexes indexes(raw);
        std::vector<std::string> tables;
        const std::vector<SqlToken> tokens = TokenizeAccessSql(statement);
        TranslateAccessSql(tokens, &tables);
        indexes.Prepare(tokens, tables);
        EXPECT_EQ(indexes.Indexed(), indexed) << statement;
        EXPECT_NE(sqlite3_exec(raw, "DELETE FROM productproperties", nullptr, nullptr, nullptr), SQLITE_OK) << statement;
    }
}

// A library's output in the scope reaches standard error when asked for, never
// standard output; ours before and after, even still buffered, arrives in order.
class LibraryOutput : public ::testing::TestWithParam<const char*> {};

TEST_P(LibraryOutput, StaysOffStandardOutput) {
    const char* wanted = GetParam();
    if (wanted)
        setenv("QDT_ACCESS_DIAGNOSTICS", wanted, 1);
    else
        unsetenv("QDT_ACCESS_DIAGNOSTICS");
    const std::string dir = test::TempDir();
    std::fflush(nullptr);
    const int savedOut = dup(STDOUT_FILENO), savedErr = dup(STDERR_FILENO);
    const int out = open((dir + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::printf("ours before\n");
    {
        LibraryOutputScope scope;
        std::printf("\nwarning from printf\n");
        std::fprintf(stderr, "warning from fprintf\n");
        EXPECT_EQ(write(STDOUT_FILENO, "raw write\n", 10), 10);
    }
    std::printf("ours after\n");
    std::fflush(stdout);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    for (int fd : {savedOut, savedErr, out, err}) close(fd);
    unsetenv("QDT_ACCESS_DIAGNOSTICS");

    EXPECT_EQ(Slurp(dir + "/out"), "ours before\nours after\n");
    const std::string errors = Slurp(dir + "/err");
    const bool shown = wanted && std::string(wanted) != "0";
    for (const char* line : {"warning from printf\n", "warning from fprintf\n", "raw write\n"})
        EXPECT_EQ(errors.find(line) != std::string::npos, shown) << line << " in: " << errors;
}

INSTANTIATE_TEST_SUITE_P(Cases, LibraryOutput, ::testing::Values(nullptr, "0", "1"));

}  // namespace
}  // namespace qdt::db::access
