// A copy's INSERTs run on SQLite with their values bound to a statement
// prepared once. What is stored must be exactly what the literal statement
// stores: the same storage class and the same value, whatever the column's
// affinity.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/sqlite/SqliteInsertCache.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

struct ParseCase {
    const char* sql;
    bool parsed;
    const char* values;  // each value as kind:text, joined by "|"
};

std::string Describe(const std::vector<LiteralValue>& values) {
    std::string out;
    for (const LiteralValue& v : values) {
        if (!out.empty()) out += "|";
        switch (v.kind) {
            case LiteralValue::Kind::Null: out += "null"; break;
            case LiteralValue::Kind::Integer: out += "int:" + std::to_string(v.integer); break;
            case LiteralValue::Kind::Real: out += std::string("real:") + (v.negative ? "-" : "") + std::string(v.digits); break;
            case LiteralValue::Kind::Text: out += "text:" + v.text; break;
        }
    }
    return out;
}

class LiteralInsertParse : public ::testing::TestWithParam<ParseCase> {};

TEST_P(LiteralInsertParse, SplitsHeadAndValuesOrDeclines) {
    const ParseCase& c = GetParam();
    std::string_view head;
    std::vector<LiteralValue> values;
    ASSERT_EQ(ParseLiteralInsert(c.sql, head, values), c.parsed);
    if (!c.parsed) return;
    EXPECT_EQ(head, "INSERT INTO t (a,b, c) VALUES (");
    EXPECT_EQ(Describe(values), c.values);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, LiteralInsertParse,
    ::testing::Values(
        ParseCase{"INSERT INTO t (a,b, c) VALUES (1,'x',NULL)", true, "int:1|text:x|null"},
        ParseCase{"INSERT INTO t (a,b, c) VALUES (-5, 'it''s', 1.5e3)", true, "int:-5|text:it's|real:1.5e3"},
        ParseCase{"INSERT INTO t (a,b, c) VALUES (-0.25,'a,b) VALUES (',null)", true, "real:-0.25|text:a,b) VALUES (|null"},
        ParseCase{"INSERT INTO t (a,b, c) VALUES ('','''','\r\n')", true, "text:|text:'|text:\r\n"},
        ParseCase{"INSERT INTO t (a,b, c) VALUES (-0,.5,2E-7)", true, "int:0|real:.5|real:2E-7"},
        ParseCase{"INSERT INTO t (a,b, c) VALUES (999999999999999999,1,2)", true, "int:999999999999999999|int:1|int:2"},
        // Left to the text: values whose stored form binding might not reproduce.
        ParseCase{"INSERT INTO t (a) VALUES (9223372036854775807)", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES (CAST(X'00' AS TEXT))", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES (X'AB')", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES (1+1)", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES (1e)", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES (NULLS)", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES ('open)", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES (1); DROP TABLE t", false, ""},
        ParseCase{"INSERT INTO t (a) VALUES (1) ", false, ""},
        ParseCase{"UPDATE t SET a = 1", false, ""},
        ParseCase{"INSERT INTO t SELECT 1", false, ""}));

// Every literal form the copy writes, into every column affinity SQLite has.
const char* kLiterals[] = {
    "NULL", "0", "-0", "42", "-42", "999999999999999999", "1.0", "-1.0", "0.1", "1.5e3", "2.2e-308", "1e308",
    "-1.7976931348623157e308", "3.0000000000000004", "12.3400", "'12'", "'12.50'", "' 7 '", "'1e3'", "'abc'", "''",
    "'O''Brien'", "'Z\xC3\xBCrich \xF0\x9F\x98\x80'", "'\xFF\xFE'", "'2004-03-07 09:05:02'", "'0x10'",
    "CAST(X'6100' AS TEXT)", "123456789012345678901234567890"};

TEST(SqliteBoundInsert, StoresWhatTheLiteralStatementStores) {
    const std::string path = test::TempDir() + "/bound.sqlite";
    std::ofstream(path).close();
    Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    const char* ddl = " (k INTEGER PRIMARY KEY, i INT, r REAL, t TEXT, n NUMERIC, d DECIMAL(19,4), b BLOB, x)";
    conn.Execute(std::string("CREATE TABLE literal") + ddl)->Close();
    conn.Execute(std::string("CREATE TABLE bound") + ddl)->Close();
    int key = 0;
    for (const char* literal : kLiterals) {
        std::string values = std::to_string(++key);
        for (int column = 0; column < 7; ++column) values += std::string(",") + literal;
        conn.Execute("INSERT INTO literal (k,i,r,t,n,d,b,x) VALUES (" + values + ")")->Close();
        std::size_t done = 0;
        conn.ExecuteGroup({"INSERT INTO bound (k,i,r,t,n,d,b,x) VALUES (" + values + ")"}, done);
        EXPECT_EQ(done, 1u);
    }
    // typeof and the exact bytes or bits of every cell.
    const std::string cells =
        "SELECT k, typeof(i) || ':' || hex(i), typeof(r) || ':' || hex(r) || ':' || printf('%!.20e', r), "
        "typeof(t) || ':' || hex(t), typeof(n) || ':' || printf('%!.20e', n) || ':' || hex(n), "
        "typeof(d) || ':' || printf('%!.20e', d) || ':' || hex(d), typeof(b) || ':' || hex(b), "
        "typeof(x) || ':' || printf('%!.20e', x) || ':' || hex(x) FROM ";
    auto literal = conn.Execute(cells + "literal ORDER BY k");
    auto bound = conn.Execute(cells + "bound ORDER BY k");
    int rows = 0;
    for (; !literal->Eof() && !bound->Eof(); literal->MoveNext(), bound->MoveNext(), ++rows)
        for (std::size_t c = 1; c < literal->FieldCount(); ++c)
            EXPECT_EQ(bound->Fields(c).Value().ToText(), literal->Fields(c).Value().ToText())
                << kLiterals[rows] << " in column " << c;
    EXPECT_EQ(rows, static_cast<int>(std::size(kLiterals)));
    EXPECT_TRUE(literal->Eof() && bound->Eof());
}

TEST(SqliteBoundInsert, FailureReportsTheEnginesWordsAndStopsTheGroup) {
    const std::string path = test::TempDir() + "/failing.sqlite";
    std::ofstream(path).close();
    Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    conn.Execute("CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT NOT NULL)")->Close();
    const std::vector<std::string> group = {"INSERT INTO t (k,v) VALUES (1,'a')", "INSERT INTO t (k,v) VALUES (2,'b')",
                                            "INSERT INTO t (k,v) VALUES (1,'c')", "INSERT INTO t (k,v) VALUES (4,'d')"};
    std::size_t done = 0;
    try {
        conn.ExecuteGroup(group, done);
        FAIL() << "a duplicate key was accepted";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "UNIQUE constraint failed: t.k");
    }
    EXPECT_EQ(done, 2u);
    auto rs = conn.Execute("SELECT group_concat(k) FROM t");
    EXPECT_EQ(rs->Fields(0).Value().ToText(), "1,2");
    rs->Close();
    // The statement is still usable after the failure.
    conn.ExecuteGroup({"INSERT INTO t (k,v) VALUES (5,'e')"}, done);
    EXPECT_EQ(done, 1u);
}

}  // namespace
}  // namespace qdt::db
