#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <string_view>

#include "sqlfile/ScriptError.h"
#include "sqlfile/ScriptSplitter.h"
#include "support/TestEnv.h"

namespace qdt::sqlfile {
namespace {

using namespace std::string_view_literals;
using data::DatabaseKind;

// Batches as "[statement|statement]xN", with every line end shown as "¶" and
// a NUL as "\0", so an expected split reads on one line and shows exactly
// what was kept; a refused script as "error: " and its message.
std::string Render(std::string_view script, DatabaseKind kind) {
    std::string out;
    try {
        for (const Batch& batch : SplitScript(script, RulesFor(kind))) {
            out += "[";
            bool first = true;
            for (std::string_view statement : batch.statements) {
                if (!first) out += "|";
                first = false;
                for (std::size_t i = 0; i < statement.size(); ++i) {
                    if (statement.substr(i, 2) == "\r\n") {
                        out += "¶";
                        ++i;
                    } else if (statement[i] == '\r' || statement[i] == '\n') {
                        out += "¶";
                    } else if (statement[i] == '\0') {
                        out += "\\0";
                    } else {
                        out += statement[i];
                    }
                }
            }
            out += "]";
            if (batch.repeat != 1) out += "x" + std::to_string(batch.repeat);
        }
    } catch (const ScriptError& e) {
        return std::string("error: ") + e.what();
    }
    return out.empty() ? "(none)" : out;
}

struct SplitCase {
    const char* name;
    DatabaseKind kind;
    std::string_view script;
    std::string expected;
};

constexpr DatabaseKind kMs = data::kSqlServer;
constexpr DatabaseKind kMy = data::kMySql;
constexpr DatabaseKind kLite = data::kSqlite;

std::string NotUtf8(int line) {
    return "error: Line " + std::to_string(line) +
           " of the .SQL file holds bytes that are not UTF-8 text; save the file as UTF-8 (and dump binary "
           "columns with --hex-blob); nothing of it was executed.";
}

const SplitCase kCases[] = {
    // GO lines and line-ending semicolons, the same for every kind.
    {"empty script", kMs, "", "(none)"},
    {"go only batches", kMs, "CREATE A\r\nGO\r\nCREATE B\r\nGO\r\n", "[CREATE A¶][CREATE B¶][]"},
    {"last line ends with semicolon", kMy, "A;\r\nB;\r\n", "[A|B|]"},
    {"two go lines in a row", kMs, "A\r\nGO\r\nGO\r\nB\r\n", "[A¶][][B¶]"},
    {"go on the first line", kLite, "GO\r\nA\r\n", "[][A¶]"},
    {"lower and mixed case", kMs, "A\r\ngo\r\nB\r\nGo\r\nC\r\n", "[A¶][B¶][C¶]"},
    {"blanks and tabs around go", kMs, "A\r\n \tGO \r\nB\r\n", "[A¶][B¶]"},
    {"goto and golf are text", kMs, "IF 1=1\r\nGOTO done\r\nGolf\r\n", "[IF 1=1¶GOTO done¶Golf¶]"},
    {"count and comment", kMs, "A\r\nGO 3\r\nB\r\n  go\t1000 -- most\r\nC\r\nGO -- end\r\n", "[A¶]x3[B¶]x1000[C¶][]"},
    {"malformed go lines are text", kMs, "A\r\nGO 0\r\nGO5\r\nGO x\r\nGO;\r\n", "[A¶GO 0¶GO5¶GO x¶GO|]"},
    {"go on mysql", kMy, "A;\r\nGO\r\nB\r\n", "[A|][B¶]"},
    {"semicolon not at line end", kMs, "A; \r\nB;C\r\n", "[A; ¶B;C¶]"},
    {"bare lf and cr line ends", kLite, "A;\nGO\rB;\rC", "[A|][B|C]"},

    // Plain rules: doubled quotes, bracketed names, any "--" comment.
    {"strings keep their separators", kMs, "INSERT ('a;\r\nGO\r\nit''s;\r\n');\r\nB\r\n",
     "[INSERT ('a;¶GO¶it''s;¶')|B¶]"},
    {"quoted names", kMs, "[a]];\r\nGO\r\nb];\r\n\"c;\r\n\";\r\n`d;\r\n`\r\n", "[[a]];¶GO¶b]|\"c;¶\"|`d;¶`¶]"},
    {"block comments", kLite, "/* a;\r\nGO\r\n*/ A;\r\nB\r\n", "[/* a;¶GO¶*/ A|B¶]"},
    {"quote in a line comment", kMs, "-- don't;\r\nA;\r\nGO\r\nB\r\n", "[-- don't;¶A|][B¶]"},
    {"dashes without blank comment on sql server", kMs, "A --'x';\r\nB\r\n", "[A --'x';¶B¶]"},
    {"hash is temp table on sql server", kMs, "SELECT * INTO #t;\r\nB\r\n", "[SELECT * INTO #t|B¶]"},
    {"backslash is text on sql server", kMs, "SELECT 'C:\\';\r\nB\r\n", "[SELECT 'C:\\'|B¶]"},

    // MySQL rules.
    {"mysql backslash escaped quote", kMy, "INSERT INTO t VALUES ('Taufa\\'ahau Tupou IV');\r\nGO\r\nB;\r\n",
     "[INSERT INTO t VALUES ('Taufa\\'ahau Tupou IV')|][B|]"},
    {"mysql escaped backslash ends string", kMy, "SELECT 'C:\\\\shop\\\\', \"say \\\"hi\\\";\";\r\nB\r\n",
     "[SELECT 'C:\\\\shop\\\\', \"say \\\"hi\\\";\"|B¶]"},
    {"mysql backslash before line end stays in string", kMy, "SELECT 'a\\\r\n;\r\n';\r\nB\r\n",
     "[SELECT 'a\\¶;¶'|B¶]"},
    {"mysql doubled quote", kMy, "SELECT 'it''s';\r\nB\r\n", "[SELECT 'it''s'|B¶]"},
    {"mysql hash comment with apostrophe", kMy, "# don't;\r\nA; # it's\r\nB;\r\n", "[# don't;¶A; # it's¶B|]"},
    {"mysql dash comment needs a blank", kMy, "SELECT 1--1;\r\n-- it's;\r\n--\r\nA --'x';\r\nB\r\n",
     "[SELECT 1--1|-- it's;¶--¶A --'x'|B¶]"},
    {"mysql conditional comments are code", kMy,
     "/*!40101 SET NAMES utf8mb4 */;\r\n/*!50001 CREATE VIEW v AS SELECT ';\r\n' */;\r\n/*M!100616 SET x=1 */;\r\n"
     "/* it's */ B;\r\n",
     "[/*!40101 SET NAMES utf8mb4 */|/*!50001 CREATE VIEW v AS SELECT ';¶' */|/*M!100616 SET x=1 */|/* it's */ B|]"},
    {"mysql brackets and backticks", kMy, "SELECT a[;\r\nSELECT `a\\`;\r\nSELECT `b``;\r\n`;\r\n",
     "[SELECT a[|SELECT `a\\`|SELECT `b``;¶`|]"},
    {"mysql utf8 passes", kMy, "SELECT 'Z\xC3\xBCrich \xF0\x9F\x98\x80';\r\n",
     "[SELECT 'Z\xC3\xBCrich \xF0\x9F\x98\x80'|]"},
    {"latin1 passes on sqlite", kLite, "SELECT 'caf\xE9';\r\n", "[SELECT 'caf\xE9'|]"},
    {"nul inside a string passes", kMy, "SELECT 'a\0b';\r\n"sv, "[SELECT 'a\\0b'|]"},

    // Scripts that are refused whole.
    {"dump line on sql server rules", kMs, "INSERT INTO t VALUES ('Taufa\\'ahau Tupou IV');\r\nB;\r\n",
     "error: The .SQL file ends inside a string that begins on line 1; nothing of it was executed."},
    {"unterminated comment on sqlite", kLite, "A;\r\n/* x\r\nB;\r\n",
     "error: The .SQL file ends inside a comment that begins on line 2; nothing of it was executed."},
    {"string reopened on a later line", kMy, "SELECT 'a\r\nb', 'c\r\n",
     "error: The .SQL file ends inside a string that begins on line 2; nothing of it was executed."},
    {"unterminated bracket", kMs, "A\r\nGO\r\n[a\r\nGO\r\n",
     "error: The .SQL file ends inside a name in brackets that begins on line 3; nothing of it was executed."},
    {"unterminated backtick", kMy, "SELECT `a;\r\n",
     "error: The .SQL file ends inside a name in backticks that begins on line 1; nothing of it was executed."},
    {"nul after a semicolon", kLite, "A;\0\r\nB;\r\n"sv,
     "error: Line 1 of the .SQL file holds a NUL character outside a string; nothing of it was executed."},
    {"nul in a comment", kMy, "A;\r\n# x\0y\r\n"sv,
     "error: Line 2 of the .SQL file holds a NUL character outside a string; nothing of it was executed."},
    {"go count over a thousand", kMs, "A\r\nGO 1001\r\n",
     "error: Line 2 of the .SQL file asks to repeat its batch more than 1000 times; nothing of it was executed."},
    {"go count beyond any integer", kMs, "A\r\nGO 99999999999999999999\r\n",
     "error: Line 2 of the .SQL file asks to repeat its batch more than 1000 times; nothing of it was executed."},
    {"latin1 on mysql", kMy, "A;\r\nSELECT 'caf\xE9';\r\n", NotUtf8(2)},
    {"overlong utf8 on sql server", kMs, "SELECT '\xC0\xAF'\r\n", NotUtf8(1)},
    {"surrogate in utf8 on mysql", kMy, "SELECT '\xED\xA0\x80'\r\n", NotUtf8(1)},
    {"utf8 cut by a line end on mysql", kMy, "SELECT '\xE2\x82\r\n\xAC'\r\n", NotUtf8(1)},
};

class SplitScriptCase : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitScriptCase, GivesBatchesAndStatementsOrRefuses) {
    EXPECT_EQ(Render(GetParam().script, GetParam().kind), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitScriptCase, ::testing::ValuesIn(kCases), [](const auto& info) {
    std::string name = info.param.name;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
});

TEST(SplitScript, RefusalNamesTheFile) {
    EXPECT_EQ(test::ErrorText<ScriptError>([] { SplitScript("'", RulesFor(data::kMySql), "/tmp/shop.sql"); }),
              "The .SQL file '/tmp/shop.sql' ends inside a string that begins on line 1; nothing of it was executed.");
}

}  // namespace
}  // namespace qdt::sqlfile
