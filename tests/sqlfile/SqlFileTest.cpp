// A .sql file read into lines, cut into batches and statements by each
// kind's lexical rules, and run statement by statement.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <streambuf>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/TransferHarness.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "sqlfile/ScriptError.h"
#include "sqlfile/ScriptReader.h"
#include "sqlfile/ScriptSplitter.h"
#include "sqlfile/SqlFileRunner.h"
#include "support/TestEnv.h"

namespace qdt::sqlfile {
namespace {

using namespace std::string_literals;
using namespace std::string_view_literals;
using data::DatabaseKind;
using run::Bar;
using S = std::vector<std::string>;

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
        return "error: "s + e.what();
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
    {"EmptyBatchesAtTheStartBetweenAndAtTheEnd", kLite, "GO\r\nA\r\nGO\r\nGO\r\nB\r\nGO\r\n", "[][A¶][][B¶][]"},
    {"AnyCaseAndBlanksAroundGo", kMs, "A\r\ngo\r\nB\r\n \tGo \r\nC\r\n", "[A¶][B¶][C¶]"},
    {"GotoAndGolfAreText", kMs, "IF 1=1\r\nGOTO done\r\nGolf\r\n", "[IF 1=1¶GOTO done¶Golf¶]"},
    {"CountAndComment", kMs, "A\r\nGO 3\r\nB\r\n  go\t1000 -- most\r\nC\r\nGO -- end\r\n", "[A¶]x3[B¶]x1000[C¶][]"},
    {"MalformedGoLinesAreText", kMs, "A\r\nGO 0\r\nGO5\r\nGO x\r\nGO;\r\n", "[A¶GO 0¶GO5¶GO x¶GO|]"},
    {"SemicolonNotAtLineEnd", kMs, "A; \r\nB;C\r\n", "[A; ¶B;C¶]"},
    {"BareLfAndCrLineEnds", kLite, "A;\nGO\rB;\rC", "[A|][B|C]"},

    // Plain rules: doubled quotes, bracketed names, any "--" comment.
    {"StringsKeepTheirSeparators", kMs, "INSERT ('a;\r\nGO\r\nit''s;\r\n');\r\nB\r\n", "[INSERT ('a;¶GO¶it''s;¶')|B¶]"},
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
    {"MysqlBackslashBeforeLineEndStaysInString", kMy, "SELECT 'a\\\r\n;\r\n';\r\nB\r\n", "[SELECT 'a\\¶;¶'|B¶]"},
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
    {"Utf8OnMysql", kMy, "SELECT 'Z\xC3\xBCrich \xF0\x9F\x98\x80';\r\n", "[SELECT 'Z\xC3\xBCrich \xF0\x9F\x98\x80'|]"},
    {"Latin1PassesOnSqlite", kLite, "SELECT 'caf\xE9';\r\n", "[SELECT 'caf\xE9'|]"},
    {"NulInsideAStringPasses", kMy, "SELECT 'a\0b';\r\n"sv, "[SELECT 'a\\0b'|]"},

    // Scripts that are refused whole.
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

// The lines read, or "error: " and the message of a refused file.
S Lines(const std::string& bytes) {
    std::istringstream in(bytes);
    ScriptReader reader(in);
    S lines;
    try {
        while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
    } catch (const ScriptError& e) {
        return {"error: "s + e.what()};
    }
    return lines;
}

S NotUtf16(int offset) {
    return {"error: The .SQL file is marked as UTF-16 but is not valid UTF-16 at byte " + std::to_string(offset) +
            "; nothing of it was executed."};
}

TEST(ScriptReader, SplitsLinesDropsTheMarkAndDecodesUtf16) {
    // The reader's blocks are 64 KiB: lines and line ends run across them.
    const std::string a(65535, 'a');
    const std::string x(200000, 'x');
    const std::pair<std::string, S> cases[] = {
        {"", {}}, {"a\nb", {"a", "b"}}, {"a\r\n\r\nb\n\n\r", {"a", "", "b", "", ""}},
        // The mark goes only where it opens the file; any other bytes pass through untouched.
        {"\xEF\xBB\xBFGO\r\nx", {"GO", "x"}}, {"\xEF\xBB\xBF", {}}, {"\xEF\xBBx\r\n", {"\xEF\xBBx"}},
        {"a\n\xEF\xBB\xBF", {"a", "\xEF\xBB\xBF"}}, {"Z\xC3\xBCrich\r\ncaf\xE9", {"Z\xC3\xBCrich", "caf\xE9"}},
        {"\xFF\xFE" "A\0\r\0\n\0\xE9\0=\0\x3D\xD8\x00\xDE"s, {"A", "\xC3\xA9=\xF0\x9F\x98\x80"}},
        {"\xFE\xFF" "\0A\0\n\0B"s, {"A", "B"}}, {"\xFF\xFE", {}},
        {"\xFF\xFE" "A\0\x00\xDC"s, NotUtf16(4)},  // a low surrogate alone
        {"\xFF\xFE" "A\0B"s, NotUtf16(4)},          // an odd number of bytes
        {"\xFE\xFF" "\xD8\x3D\0A"s, NotUtf16(2)},  // a high surrogate followed by a letter
        {a + "\r\nb", {a, "b"}}, {a + "\rb\r", {a, "b"}}, {a + "\r", {a}}, {x + "\ny\r\n" + x, {x, "y", x}},
        {"\xEF\xBB\xBF" + a + "\r\n\r\n", {a, ""}},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(Lines(bytes), expected) << bytes.substr(0, 20);
}

// A file on a medium that fails after its first bytes, and cannot seek.
struct FailingBuffer : std::streambuf {
    int_type underflow() override {
        if (served) throw std::ios_base::failure("device error");
        served = true;
        setg(data, data, data + 4);
        return traits_type::to_int_type(data[0]);
    }
    char data[5] = "ab\r\n";
    bool served = false;
};

TEST(ScriptReader, ReadFailureIsToldNotTakenForTheEnd) {
    FailingBuffer buffer;
    std::istream in(&buffer);
    EXPECT_EQ(StreamLength(in), -1);
    EXPECT_TRUE(in.good());
    ScriptReader reader(in);
    EXPECT_EQ(reader.ReadLine(), "ab");
    EXPECT_EQ(test::ErrorText<db::DatabaseError>([&] { reader.AtEnd(); }), "The .SQL file could not be read.");
}

// Both measures leave the read position where it was; the length counts from it.
TEST(CrLfLength, CountsEveryLineEndAsTwoBytes) {
    const std::string a(65535, 'a');
    const std::pair<std::string, std::int64_t> cases[] = {
        {"", 0},          {"a", 3},        {"a\r\n", 3},      {"a\n", 3},           {"a\r", 3},
        {"a\n\nb", 8},    {"\r\n\r\n", 4}, {"a\n\r\r\n", 7}, {a + "\r\n", 65537}, {a + "\r\nb", 65540},
        {a + "\n", 65537}, {a + "\rb", 65540}};
    for (const auto& [bytes, expected] : cases) {
        std::istringstream in("x" + bytes);
        in.get();
        EXPECT_EQ(StreamLength(in), static_cast<std::int64_t>(bytes.size()) + 1);
        EXPECT_EQ(CrLfLength(in), expected) << bytes.size() << " bytes";
        EXPECT_EQ(in.tellg(), 1);
    }
}

struct ScriptRun {
    void operator()(const std::string& fileBytes) {
        db::Connection connection = rec.Open();
        std::istringstream file(fileBytes);
        ExecuteSQLFile(ctx, connection, file, data::kSqlServer);
    }
    data::testing::BarTrackingStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection rec;
};

// Every phase logged as done, both bars full and no result left open. Lines
// are joined with CR LF whatever the file used; blank pieces are not sent;
// "GO n" runs its batch n times and counts as n batches. The status yields six
// times after its messages, once per line read and once per piece run.
TEST(SqlFileRunner, SendsEachStatementAndCountsThem) {
    const struct {
        const char* file;
        S sent;
        long batches;
        long yields;
    } cases[] = {
        {"", {}, 0, 6},
        {"CREATE TABLE a (x INT);\r\nINSERT INTO a VALUES (1);\r\nGO\r\nSELECT 1\r\n",
         {"CREATE TABLE a (x INT)", "INSERT INTO a VALUES (1)", "SELECT 1\r\n"}, 2, 14},
        {"\xEF\xBB\xBFSELECT\n1;\nGO\nSELECT 'caf\xC3\xA9'\n", {"SELECT\r\n1", "SELECT 'caf\xC3\xA9'\r\n"}, 2, 13},
        {"INSERT x;\r\nINSERT y\r\nGO 2\r\nZ\r\n", {"INSERT x", "INSERT y\r\n", "INSERT x", "INSERT y\r\n", "Z\r\n"}, 3,
         15},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ScriptRun run;
        run.rec.Answer("SELECT 1\r\n", {{"one"}, {3}, {{db::Value::Integer(1)}}});
        run(c.file);
        EXPECT_EQ(run.status.txtStep2,
                  "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... done.");
        EXPECT_EQ(run.rec.Statements(), c.sent);
        EXPECT_EQ(run.ctx.strQuery, c.sent.empty() ? "" : c.sent.back());
        EXPECT_EQ(run.rec.OpenResults(), 0);
        EXPECT_EQ(run.status.yields, c.yields);
        EXPECT_EQ(run.ctx.tally.statementsRun, static_cast<long>(c.sent.size()));
        EXPECT_EQ(run.ctx.tally.batchesRun, c.batches);
        if (c.sent.empty()) continue;  // an empty script leaves the bars at nought
        EXPECT_EQ(std::vector<double>({run.status.BarMax(Bar::Total), run.status.BarValue(Bar::Total),
                                       run.status.BarMax(Bar::Current), run.status.BarValue(Bar::Current)}),
                  std::vector<double>({100, 100, 100, 100}));
    }
}

TEST(SqlFileRunner, ReadingProgressEveryTenthLineThenReset) {
    ScriptRun run;
    std::string file;
    for (int i = 0; i < 25; ++i) file += "SELECT 1;\n";  // 9 characters + LF, 250 bytes
    run(file);
    ASSERT_GE(run.status.currentBar.size(), 4u);
    EXPECT_EQ(std::vector<double>(run.status.currentBar.begin(), run.status.currentBar.begin() + 4),
              (std::vector<double>{0, 36, 72, 0}));
}

TEST(SqlFileRunner, FailingStatementStopsTheRunAndStaysInStrQuery) {
    ScriptRun run;
    run.rec.Fail("BAD 1", "Incorrect syntax near 'BAD'.");
    EXPECT_THROW(run("A\r\nGO\r\nB;\r\nBAD 1;\r\nC;\r\nGO\r\nD\r\n"), db::DatabaseError);
    EXPECT_EQ(run.rec.Statements(), (S{"A\r\n", "B", "BAD 1"}));
    EXPECT_EQ(run.ctx.strQuery, "BAD 1");
    EXPECT_EQ(run.status.txtStep2, "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... ");
    EXPECT_DOUBLE_EQ(run.status.BarValue(Bar::Total), 100.0 / 3);
    EXPECT_DOUBLE_EQ(run.status.BarValue(Bar::Current), 25);  // "B" of B, BAD 1, C and the blank piece
}

TEST(SqlFileRunner, ScriptThatCannotBeReadWholeRunsNothing) {
    ScriptRun run;
    run.ctx.destination.ScriptPath = "dump.sql";
    EXPECT_EQ(test::ErrorText<ScriptError>([&] { run("CREATE TABLE t (a INT);\r\nSELECT 'it\\'s';\r\n"); }),
              "The .SQL file 'dump.sql' ends inside a string that begins on line 2; nothing of it was executed.");
    EXPECT_TRUE(run.rec.Statements().empty());
    EXPECT_EQ(run.ctx.strQuery, "");
    EXPECT_EQ(run.status.txtStep2, "\r\nReading .SQL file... done.\r\nInterpreting SQL... ");
}

}  // namespace
}  // namespace qdt::sqlfile
