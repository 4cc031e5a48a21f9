// A copy's rows run on SQLite with their values bound to a statement
// prepared once. What is stored must be exactly what the literal statement
// stores: the same storage class and the same value, whatever the column's
// affinity.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/InsertRow.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

// The value the copy makes of a literal: texts unquoted, numbers by their digits.
RowValue ValueOf(const std::string& literal) {
    if (literal == "NULL") return RowValue::Null();
    if (literal.size() >= 2 && literal.front() == '\'' && literal.back() == '\'') {
        std::string text;
        for (std::size_t i = 1; i + 1 < literal.size(); ++i) {
            text += literal[i];
            if (literal[i] == '\'') ++i;
        }
        return RowValue::Text(text);
    }
    return NumberValue(literal);
}

std::shared_ptr<const std::string> Head(const std::string& sql) { return std::make_shared<const std::string>(sql); }

// Every literal form the copy writes, into every column affinity SQLite has.
const char* kLiterals[] = {
    "NULL", "0", "-0", "42", "-42", "999999999999999999", "1.0", "-1.0", "0.1", "1.5e3", "2.2e-308", "1e308",
    "-1.7976931348623157e308", "3.0000000000000004", "12.3400", "'12'", "'12.50'", "' 7 '", "'1e3'", "'abc'", "''",
    "'O''Brien'", "'Z\xC3\xBCrich \xF0\x9F\x98\x80'", "'\xFF\xFE'", "'2004-03-07 09:05:02'", "'0x10'",
    "1e+308", "-2.5e-05", ".5", "-0.0", "CAST(X'6100' AS TEXT)", "9223372036854775807", "123456789012345678901234567890"};

const std::set<std::string> kTextOnly = {"CAST(X'6100' AS TEXT)", "9223372036854775807", "123456789012345678901234567890"};

TEST(SqliteBoundInsert, StoresWhatTheLiteralStatementStores) {
    const std::string path = test::TempDir() + "/bound.sqlite";
    std::ofstream(path).close();
    Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    const char* ddl = " (k INTEGER PRIMARY KEY, i INT, r REAL, t TEXT, n NUMERIC, d DECIMAL(19,4), b BLOB, x)";
    conn.Execute(std::string("CREATE TABLE literal") + ddl)->Close();
    conn.Execute(std::string("CREATE TABLE bound") + ddl)->Close();
    int key = 0;
    InsertRow row{Head("INSERT INTO bound (k,i,r,t,n,d,b,x) VALUES ("), {}};
    for (const char* literal : kLiterals) {
        std::string values = std::to_string(++key);
        row.values.assign(1, NumberValue(std::to_string(key)));
        for (int column = 0; column < 7; ++column) {
            values += std::string(",") + literal;
            row.values.push_back(ValueOf(literal));
        }
        conn.Execute("INSERT INTO literal (k,i,r,t,n,d,b,x) VALUES (" + values + ")")->Close();
        // Casts and integers past 18 digits are left to the text.
        const bool typed = row.AllTyped();
        EXPECT_EQ(typed, !kTextOnly.count(literal)) << literal;
        if (typed)
            EXPECT_TRUE(conn.RunRow(row)) << literal;
        else
            conn.Execute("INSERT INTO bound (k,i,r,t,n,d,b,x) VALUES (" + values + ")")->Close();
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

TEST(SqliteBoundInsert, FailureReportsTheEnginesWordsAndLeavesTheStatementUsable) {
    const std::string path = test::TempDir() + "/failing.sqlite";
    std::ofstream(path).close();
    Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    conn.Execute("CREATE TABLE t (k INTEGER PRIMARY KEY, v TEXT NOT NULL)")->Close();
    const auto head = Head("INSERT INTO t (k,v) VALUES (");
    const auto row = [&](const char* k, const char* v) { return InsertRow{head, {NumberValue(k), RowValue::Text(v)}}; };
    EXPECT_TRUE(conn.RunRow(row("1", "a")));
    EXPECT_TRUE(conn.RunRow(row("2", "b")));
    try {
        conn.RunRow(row("1", "c"));
        FAIL() << "a duplicate key was accepted";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "UNIQUE constraint failed: t.k");
    }
    // The statement is still usable after the failure.
    EXPECT_TRUE(conn.RunRow(row("5", "e")));
    auto rs = conn.Execute("SELECT group_concat(k) FROM t");
    EXPECT_EQ(rs->Fields(0).Value().ToText(), "1,2,5");
    rs->Close();
}

}  // namespace
}  // namespace qdt::db
