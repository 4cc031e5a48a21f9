#include <gtest/gtest.h>

#include <string>
#include <string_view>

#include "sqlfile/ScriptError.h"
#include "sqlfile/ScriptSplitter.h"

namespace qdt::sqlfile {
namespace {

using namespace std::string_view_literals;
using data::DatabaseKind;

// A statement with every line end shown as "¶" and a NUL as "\0".
std::string Shown(std::string_view statement) {
    std::string out;
    for (std::size_t i = 0; i < statement.size(); ++i) {
        const char c = statement[i];
        if (c == '\r' && statement.substr(i + 1, 1) == "\n") continue;  // CR LF is one line end
        out += c == '\r' || c == '\n' ? "¶" : c == '\0' ? "\\0" : std::string(1, c);
    }
    return out;
}

// Batches as "[statement|statement]xN", so an expected split reads on one line
// and shows exactly what was kept; a refused script as "error: " and its message.
std::string Render(std::string_view script, DatabaseKind kind) {
    std::string out;
    try {
        for (const Batch& batch : SplitScript(script, RulesFor(kind))) {
            out += "[";
            for (std::size_t i = 0; i < batch.statements.size(); ++i)
                out += (i ? "|" : "") + Shown(batch.statements[i]);
            out += "]";
            if (batch.repeat != 1) out += "x" + std::to_string(batch.repeat);
        }
    } catch (const ScriptError& e) {
        return std::string("error: ") + e.what();
    }
    return out;
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

// How a refused script is shown: the construct left open, or the line and what is wrong with it.
std::string EndsInside(const std::string& construct, int line) {
    return "error: The .SQL file ends inside " + construct + " that begins on line " + std::to_string(line) +
           "; nothing of it was executed.";
}

std::string LineHolds(int line, const std::string& what) {
    return "error: Line " + std::to_string(line) + " of the .SQL file " + what + "; nothing of it was executed.";
}

const char kNul[] = "holds a NUL character outside a string";
const char kTooMany[] = "asks to repeat its batch more than 1000 times";
const char kNotUtf8[] =
    "holds bytes that are not UTF-8 text; save the file as UTF-8 (and dump binary columns with --hex-blob)";

const SplitCase kCases[] = {
    // GO lines and line-ending semicolons, the same for every kind.
    {"GoOnlyBatches", kMs, "CREATE A\r\nGO\r\nCREATE B\r\nGO\r\n", "[CREATE A¶][CREATE B¶][]"},
    {"LastLineEndsWithSemicolon", kMy, "A;\r\nB;\r\n", "[A|B|]"},
    {"TwoGoLinesInARow", kMs, "A\r\nGO\r\nGO\r\nB\r\n", "[A¶][][B¶]"},
    {"GoOnTheFirstLine", kLite, "GO\r\nA\r\n", "[][A¶]"},
    {"LowerAndMixedCase", kMs, "A\r\ngo\r\nB\r\nGo\r\nC\r\n", "[A¶][B¶][C¶]"},
    {"BlanksAndTabsAroundGo", kMs, "A\r\n \tGO \r\nB\r\n", "[A¶][B¶]"},
    {"GotoAndGolfAreText", kMs, "IF 1=1\r\nGOTO done\r\nGolf\r\n", "[IF 1=1¶GOTO done¶Golf¶]"},
    {"CountAndComment", kMs, "A\r\nGO 3\r\nB\r\n  go\t1000 -- most\r\nC\r\nGO -- end\r\n", "[A¶]x3[B¶]x1000[C¶][]"},
    {"MalformedGoLinesAreText", kMs, "A\r\nGO 0\r\nGO5\r\nGO x\r\nGO;\r\n", "[A¶GO 0¶GO5¶GO x¶GO|]"},
    {"SemicolonNotAtLineEnd", kMs, "A; \r\nB;C\r\n", "[A; ¶B;C¶]"},
    {"BareLfAndCrLineEnds", kLite, "A;\nGO\rB;\rC", "[A|][B|C]"},

    // Plain rules: doubled quotes, bracketed names, any "--" comment.
    {"StringsKeepTheirSeparators", kMs, "INSERT ('a;\r\nGO\r\nit''s;\r\n');\r\nB\r\n",
     "[INSERT ('a;¶GO¶it''s;¶')|B¶]"},
    {"QuotedNames", kMs, "[a]];\r\nGO\r\nb];\r\n\"c;\r\n\";\r\n`d;\r\n`\r\n", "[[a]];¶GO¶b]|\"c;¶\"|`d;¶`¶]"},
    {"BlockComments", kLite, "/* a;\r\nGO\r\n*/ A;\r\nB\r\n", "[/* a;¶GO¶*/ A|B¶]"},
    {"QuoteInALineComment", kMs, "-- don't;\r\nA;\r\nGO\r\nB\r\n", "[-- don't;¶A|][B¶]"},
    {"DashesWithoutBlankCommentOnSqlServer", kMs, "A --'x';\r\nB\r\n", "[A --'x';¶B¶]"},
    {"HashIsTempTableOnSqlServer", kMs, "SELECT * INTO #t;\r\nB\r\n", "[SELECT * INTO #t|B¶]"},
    {"BackslashIsTextOnSqlServer", kMs, "SELECT 'C:\\';\r\nB\r\n", "[SELECT 'C:\\'|B¶]"},

    // MySQL rules.
    {"MysqlBackslashEscapedQuote", kMy, "INSERT INTO t VALUES ('Taufa\\'ahau Tupou IV');\r\nGO\r\nB;\r\n",
     "[INSERT INTO t VALUES ('Taufa\\'ahau Tupou IV')|][B|]"},
    {"MysqlEscapedBackslashEndsString", kMy, "SELECT 'C:\\\\shop\\\\', \"say \\\"hi\\\";\";\r\nB\r\n",
     "[SELECT 'C:\\\\shop\\\\', \"say \\\"hi\\\";\"|B¶]"},
    {"MysqlBackslashBeforeLineEndStaysInString", kMy, "SELECT 'a\\\r\n;\r\n';\r\nB\r\n",
     "[SELECT 'a\\¶;¶'|B¶]"},
    {"MysqlDoubledQuote", kMy, "SELECT 'it''s';\r\nB\r\n", "[SELECT 'it''s'|B¶]"},
    {"MysqlHashCommentWithApostrophe", kMy, "# don't;\r\nA; # it's\r\nB;\r\n", "[# don't;¶A; # it's¶B|]"},
    {"MysqlDashCommentNeedsABlank", kMy, "SELECT 1--1;\r\n-- it's;\r\n--\r\nA --'x';\r\nB\r\n",
     "[SELECT 1--1|-- it's;¶--¶A --'x'|B¶]"},
    {"MysqlConditionalCommentsAreCode", kMy,
     "/*!40101 SET NAMES utf8mb4 */;\r\n/*!50001 CREATE VIEW v AS SELECT ';\r\n' */;\r\n/*M!100616 SET x=1 */;\r\n"
     "/* it's */ B;\r\n",
     "[/*!40101 SET NAMES utf8mb4 */|/*!50001 CREATE VIEW v AS SELECT ';¶' */|/*M!100616 SET x=1 */|/* it's */ B|]"},
    {"MysqlBracketsAndBackticks", kMy, "SELECT a[;\r\nSELECT `a\\`;\r\nSELECT `b``;\r\n`;\r\n",
     "[SELECT a[|SELECT `a\\`|SELECT `b``;¶`|]"},
    {"MysqlUtf8Passes", kMy, "SELECT 'Z\xC3\xBCrich \xF0\x9F\x98\x80';\r\n",
     "[SELECT 'Z\xC3\xBCrich \xF0\x9F\x98\x80'|]"},
    {"Latin1PassesOnSqlite", kLite, "SELECT 'caf\xE9';\r\n", "[SELECT 'caf\xE9'|]"},
    {"NulInsideAStringPasses", kMy, "SELECT 'a\0b';\r\n"sv, "[SELECT 'a\\0b'|]"},

    // Scripts that are refused whole.
    {"DumpLineOnSqlServerRules", kMs, "INSERT INTO t VALUES ('Taufa\\'ahau Tupou IV');\r\nB;\r\n",
     EndsInside("a string", 1)},
    {"UnterminatedCommentOnSqlite", kLite, "A;\r\n/* x\r\nB;\r\n", EndsInside("a comment", 2)},
    {"StringReopenedOnALaterLine", kMy, "SELECT 'a\r\nb', 'c\r\n", EndsInside("a string", 2)},
    {"UnterminatedBracket", kMs, "A\r\nGO\r\n[a\r\nGO\r\n", EndsInside("a name in brackets", 3)},
    {"UnterminatedBacktick", kMy, "SELECT `a;\r\n", EndsInside("a name in backticks", 1)},
    {"NulAfterASemicolon", kLite, "A;\0\r\nB;\r\n"sv, LineHolds(1, kNul)},
    {"NulInAComment", kMy, "A;\r\n# x\0y\r\n"sv, LineHolds(2, kNul)},
    {"GoCountOverAThousand", kMs, "A\r\nGO 1001\r\n", LineHolds(2, kTooMany)},
    {"GoCountBeyondAnyInteger", kMs, "A\r\nGO 99999999999999999999\r\n", LineHolds(2, kTooMany)},
    {"Latin1OnMysql", kMy, "A;\r\nSELECT 'caf\xE9';\r\n", LineHolds(2, kNotUtf8)},
    {"OverlongUtf8OnSqlServer", kMs, "SELECT '\xC0\xAF'\r\n", LineHolds(1, kNotUtf8)},
    {"SurrogateInUtf8OnMysql", kMy, "SELECT '\xED\xA0\x80'\r\n", LineHolds(1, kNotUtf8)},
    {"Utf8CutByALineEndOnMysql", kMy, "SELECT '\xE2\x82\r\n\xAC'\r\n", LineHolds(1, kNotUtf8)},
};

class SplitScriptCase : public ::testing::TestWithParam<SplitCase> {};

TEST_P(SplitScriptCase, GivesBatchesAndStatementsOrRefuses) {
    EXPECT_EQ(Render(GetParam().script, GetParam().kind), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, SplitScriptCase, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::sqlfile
