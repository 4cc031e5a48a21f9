#include <gtest/gtest.h>

#include <cctype>
#include <string>

#include "sqlfile/ScriptLexer.h"
#include "sqlfile/ScriptSplitter.h"

namespace qdt::sqlfile {
namespace {

// Batches as "[statement|statement]xN", with every line end shown as "¶", so
// an expected split reads on one line and shows exactly what was kept.
std::string Render(const std::string& script) {
    std::string out;
    for (const Batch& batch : SplitBatches(script)) {
        out += "[";
        bool first = true;
        for (const std::string& statement : SplitStatements(batch.text)) {
            if (!first) out += "|";
            first = false;
            for (std::size_t i = 0; i < statement.size(); ++i) {
                if (statement.compare(i, 2, "\r\n") == 0) {
                    out += "¶";
                    ++i;
                } else if (statement[i] == '\r' || statement[i] == '\n') {
                    out += "¶";
                } else {
                    out += statement[i];
                }
            }
        }
        out += "]";
        if (batch.repeat != 1) out += "x" + std::to_string(batch.repeat);
    }
    return out.empty() ? "(none)" : out;
}

struct SplitCase {
    const char* name;
    const char* script;
    const char* expected;
};

const SplitCase kCases[] = {
    {"empty script", "", "(none)"},
    {"go only batches", "CREATE A\r\nGO\r\nCREATE B\r\nGO\r\n", "[CREATE A¶][CREATE B¶][]"},
    {"last line ends with semicolon", "A;\r\nB;\r\n", "[A|B|]"},
    {"two go lines in a row", "A\r\nGO\r\nGO\r\nB\r\n", "[A¶][][B¶]"},
    {"go on the first line", "GO\r\nA\r\n", "[][A¶]"},
    {"lower and mixed case", "A\r\ngo\r\nB\r\nGo\r\nC\r\n", "[A¶][B¶][C¶]"},
    {"blanks and tabs around go", "A\r\n \tGO \r\nB\r\n", "[A¶][B¶]"},
    {"goto and golf are text", "IF 1=1\r\nGOTO done\r\nGolf\r\n", "[IF 1=1¶GOTO done¶Golf¶]"},
    {"count and comment", "A\r\nGO 3\r\nB\r\n  go\t2 -- twice\r\nC\r\nGO -- end\r\n", "[A¶]x3[B¶]x2[C¶][]"},
    {"malformed go lines are text", "A\r\nGO 0\r\nGO5\r\nGO x\r\nGO;\r\n", "[A¶GO 0¶GO5¶GO x¶GO|]"},
    {"semicolon not at line end", "A; \r\nB;C\r\n", "[A; ¶B;C¶]"},
    {"strings keep their separators", "INSERT ('a;\r\nGO\r\nit''s;\r\n');\r\nB\r\n",
     "[INSERT ('a;¶GO¶it''s;¶')|B¶]"},
    {"quoted names", "[a]];\r\nGO\r\nb];\r\n\"c;\r\n\";\r\n`d;\r\n`\r\n", "[[a]];¶GO¶b]|\"c;¶\"|`d;¶`¶]"},
    {"block comments", "/* a;\r\nGO\r\n*/ A;\r\nB\r\n", "[/* a;¶GO¶*/ A|B¶]"},
    {"quote in a line comment", "-- don't;\r\nA;\r\nGO\r\nB\r\n", "[-- don't;¶A|][B¶]"},
    {"bare lf and cr line ends", "A;\nGO\rB;\rC", "[A|][B|C]"},
};

class SplitScript : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitScript, GivesBatchesAndStatements) { EXPECT_EQ(Render(GetParam().script), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(Cases, SplitScript, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST(BatchSeparator, CountsAreBoundedAndPositive) {
    EXPECT_EQ(ParseBatchSeparator("GO 2147483647"), 2147483647);
    EXPECT_EQ(ParseBatchSeparator("GO 2147483648"), std::nullopt);
    EXPECT_EQ(ParseBatchSeparator("GO--done"), 1);
    EXPECT_EQ(ParseBatchSeparator("G"), std::nullopt);
}

TEST(BlankStatement, OnlyBlanksAndLineEnds) {
    EXPECT_TRUE(IsBlankStatement(""));
    EXPECT_TRUE(IsBlankStatement(" \t\r\n\r\n"));
    EXPECT_FALSE(IsBlankStatement("\r\nx"));
}

}  // namespace
}  // namespace qdt::sqlfile
