// + and LIKE in statements written for Jet: their translation, and what the
// translated statements give on a snapshot.
#include <gtest/gtest.h>

#include "db/Error.h"
#include "db/access/AccessSqlTranslator.h"
#include "db/access/JetFunctions.h"
#include "db/sqlite/SqliteProvider.h"

namespace qdt::db::access {
namespace {

struct Translation {
    const char* access;
    const char* sqlite;
};

class PlusTranslation : public ::testing::TestWithParam<Translation> {};

TEST_P(PlusTranslation, IsWrittenForSqlite) { EXPECT_EQ(TranslateAccessSql(GetParam().access), GetParam().sqlite); }

INSTANTIATE_TEST_SUITE_P(
    Cases, PlusTranslation,
    ::testing::Values(
        // A text literal in the chain: a concatenation.
        Translation{"SELECT FirstName + ' ' + LastName FROM Employees",
                    "SELECT FirstName || ' ' || LastName FROM Employees"},
        Translation{"SELECT 'No. ' + [t].[id] FROM t", "SELECT 'No. ' || \"t\".\"id\" FROM t"},
        Translation{"SELECT Trim(a) + 'x', (b) + 'y' FROM t", "SELECT Trim(a) || 'x', (b) || 'y' FROM t"},
        Translation{"SELECT '#' + '#'", "SELECT '#' || '#'"},
        Translation{"SELECT * FROM p WHERE ',' + sString1 + ',' LIKE '%,3:7,%'",
                    "SELECT * FROM p WHERE ',' || sString1 || ',' LIKE '%,3:7,%'"},
        // Columns only: the row decides.
        Translation{"SELECT a + b, 1 + 2 FROM t", "SELECT JetPlus(a, b), 1 + 2 FROM t"},
        Translation{"WHERE Name = 'a' + b AND c + 1 > 2", "WHERE Name = 'a' || b AND JetPlus(c, 1) > 2"},
        Translation{"SELECT a + [b c] + Len(d) AS s FROM t", "SELECT JetPlus(JetPlus(a, \"b c\"), Len(d)) AS s FROM t"},
        Translation{"SELECT (a + b) + c FROM t", "SELECT JetPlus((JetPlus(a, b)), c) FROM t"},
        Translation{"SELECT TOP 1 a + b FROM t", "SELECT JetPlus(a, b) FROM t LIMIT 1"},
        // Next to a tighter operator the grouping would change, so nothing is touched.
        Translation{"SELECT 'a' + b * 2, 2 * 'a' + b FROM t", "SELECT 'a' + b * 2, 2 * 'a' + b FROM t"},
        Translation{"SELECT a * 2 + b FROM t", "SELECT a * 2 + b FROM t"}));

// The value of one expression over a row holding texts, numbers and a Null.
struct Evaluation {
    const char* expression;
    const char* value;  // as text; "NULL" for Null
};

class JetSnapshot : public ::testing::Test {
protected:
    void SetUp() override {
        sqlite3* raw = nullptr;
        ASSERT_EQ(sqlite3_open(":memory:", &raw), SQLITE_OK);
        provider_ = std::make_unique<SqliteProvider>(SqliteHandle(raw));
        provider_->Execute(
                     "CREATE TABLE t (a TEXT, b TEXT, digits TEXT, n INTEGER, m INTEGER, x DOUBLE, z TEXT, "
                     "sString1 TEXT)")
            ->Close();
        provider_->Execute("INSERT INTO t VALUES ('ab', 'CD', '4', 2, 3, 0.5, NULL, '13:75,3:8')")->Close();
        RegisterJetFunctions(provider_->Handle());
        provider_->SetStatementFilter([](const std::string& sql) { return TranslateAccessSql(sql); });
    }

    std::string Value(const std::string& expression) {
        auto rs = provider_->Execute("SELECT " + expression + " FROM t");
        const db::Value& v = rs->Fields(std::size_t{0}).Value();
        return v.IsNull() ? "NULL" : v.ToText();
    }

    std::unique_ptr<SqliteProvider> provider_;
};

class JetValues : public JetSnapshot, public ::testing::WithParamInterface<Evaluation> {};

TEST_P(JetValues, AreJetsOwn) { EXPECT_EQ(Value(GetParam().expression), GetParam().value); }

INSTANTIATE_TEST_SUITE_P(
    Cases, JetValues,
    ::testing::Values(
        // + joins two texts, adds two numbers, and counts a text that reads as a number.
        Evaluation{"a + b", "abCD"}, Evaluation{"digits + digits", "44"}, Evaluation{"n + m", "5"},
        Evaluation{"n + digits", "6"}, Evaluation{"digits + n + x", "6.5"}, Evaluation{"a + z", "NULL"},
        Evaluation{"n + z", "NULL"}, Evaluation{"',' + a + ','", ",ab,"}, Evaluation{"1 + 2", "3"},
        // LIKE ignores case, for letters beyond ASCII too.
        Evaluation{"a LIKE 'AB'", "1"}, Evaluation{"b LIKE 'c%'", "1"}, Evaluation{"a LIKE 'abc'", "0"},
        Evaluation{"'ÄPFEL Über' LIKE 'äpfel ü%'", "1"}, Evaluation{"'Ωmega' LIKE 'ω%'", "1"},
        Evaluation{"'abc' LIKE 'a_c'", "1"}, Evaluation{"'abc' LIKE 'a_'", "0"},
        Evaluation{"'abc' LIKE '%b%'", "1"}, Evaluation{"'' LIKE '%'", "1"},
        // Jet's character lists.
        Evaluation{"'bbc' LIKE '[a-b]bc'", "1"}, Evaluation{"'cbc' LIKE '[a-b]bc'", "0"},
        Evaluation{"'cbc' LIKE '[!a-b]bc'", "1"}, Evaluation{"'B1' LIKE '[abc][0-9]'", "1"},
        Evaluation{"z LIKE '%'", "NULL"},
        // A pair of a comma-separated list is found whole, not inside another.
        Evaluation{"',' + sString1 + ',' LIKE '%,3:8,%'", "1"},
        Evaluation{"',' + sString1 + ',' LIKE '%,3:7,%'", "0"},
        Evaluation{"',' + sString1 + ',' LIKE '%,13:75,%'", "1"}));

TEST_F(JetSnapshot, PlusOfTextThatIsNoNumberAndANumberIsAMismatch) {
    EXPECT_THROW(Value("a + n"), DatabaseError);
}

}  // namespace
}  // namespace qdt::db::access
