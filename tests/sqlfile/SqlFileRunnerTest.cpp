// Reading a .sql file into lines, and running it statement by statement.
#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <streambuf>
#include <utility>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "sqlfile/ScriptError.h"
#include "sqlfile/ScriptReader.h"
#include "sqlfile/SqlFileRunner.h"
#include "data/TransferHarness.h"
#include "support/TestEnv.h"

namespace qdt::sqlfile {
namespace {

using namespace std::string_literals;
using run::Bar;
using S = std::vector<std::string>;

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
        {"", {}},
        {"a\nb", {"a", "b"}},
        {"a\r\n\r\nb\n\n\r", {"a", "", "b", "", ""}},
        {"\xEF\xBB\xBFGO\r\nx", {"GO", "x"}},
        {"\xEF\xBB\xBF", {}},
        {"\xEF\xBBx\r\n", {"\xEF\xBBx"}},
        {"a\n\xEF\xBB\xBF", {"a", "\xEF\xBB\xBF"}},
        // Bytes of any other encoding pass through untouched.
        {"Z\xC3\xBCrich\r\ncaf\xE9", {"Z\xC3\xBCrich", "caf\xE9"}},
        {"\xFF\xFE" "A\0\r\0\n\0\xE9\0=\0\x3D\xD8\x00\xDE"s, {"A", "\xC3\xA9=\xF0\x9F\x98\x80"}},
        {"\xFE\xFF" "\0A\0\n\0B"s, {"A", "B"}},
        {"\xFF\xFE", {}},
        {"\xFF\xFE" "A\0\x00\xDC"s, NotUtf16(4)},  // a low surrogate alone
        {"\xFF\xFE" "A\0B"s, NotUtf16(4)},          // an odd number of bytes
        {"\xFE\xFF" "\xD8\x3D\0A"s, NotUtf16(2)},  // a high surrogate followed by a letter
        {a + "\r\nb", {a, "b"}},
        {a + "\rb\r", {a, "b"}},
        {a + "\r", {a}},
        {x + "\ny\r\n" + x, {x, "y", x}},
        {"\xEF\xBB\xBF" + a + "\r\n\r\n", {a, ""}},
    };
    for (const auto& [bytes, expected] : cases) EXPECT_EQ(Lines(bytes), expected) << bytes.substr(0, 20);
}

// A file on a medium that fails after its first bytes, and cannot seek.
class FailingBuffer : public std::streambuf {
protected:
    int_type underflow() override {
        if (served_) throw std::ios_base::failure("device error");
        served_ = true;
        setg(data_, data_, data_ + 4);
        return traits_type::to_int_type(data_[0]);
    }

private:
    char data_[5] = "ab\r\n";
    bool served_ = false;
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

const char kDoneLog[] = "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... done.";

// One run of a script file on a recording connection.
struct ScriptRun {
    void operator()(const std::string& fileBytes, data::DatabaseKind kind = data::kSqlServer) {
        db::Connection connection = rec.Open();
        std::istringstream file(fileBytes);
        ExecuteSQLFile(ctx, connection, file, kind);
    }
    const S& Sent() const { return rec.Statements(); }
    data::testing::BarTrackingStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection rec;
};

const char kTwoBatches[] = "CREATE TABLE a (x INT);\r\nINSERT INTO a VALUES (1);\r\nGO\r\nSELECT 1\r\n";

TEST(SqlFileRunner, DiscardsResultsAndEndsWithFullBars) {
    ScriptRun run;
    run.rec.Answer("SELECT 1\r\n", {{"one"}, {3}, {{db::Value::Integer(1)}}});
    run(kTwoBatches);
    EXPECT_EQ(run.ctx.strQuery, "SELECT 1\r\n");
    EXPECT_EQ(run.rec.OpenResults(), 0);
    for (Bar bar : {Bar::Total, Bar::Current}) {
        EXPECT_EQ(run.status.BarMax(bar), 100);
        EXPECT_EQ(run.status.BarValue(bar), 100);
    }
    // Six after the messages, one per line read, one per piece of each batch
    // (the blank piece after the last ";" of the first batch included).
    EXPECT_EQ(run.status.yields, 6 + 4 + 4);
}

// Every phase logged as done. Lines are joined with CR LF whatever the file
// used; blank pieces are not sent; "GO n" runs its batch n times and counts as n batches.
TEST(SqlFileRunner, SendsEachStatementAndCountsThem) {
    const struct {
        const char* file;
        data::DatabaseKind kind;
        S sent;
        long batches;
    } cases[] = {
        {"", data::kSqlServer, {}, 0},
        {kTwoBatches, data::kSqlServer, {"CREATE TABLE a (x INT)", "INSERT INTO a VALUES (1)", "SELECT 1\r\n"}, 2},
        {"\xEF\xBB\xBFSELECT\n1;\nGO\nSELECT 'caf\xC3\xA9'\n", data::kSqlServer,
         {"SELECT\r\n1", "SELECT 'caf\xC3\xA9'\r\n"}, 2},
        {"INSERT x;\r\nINSERT y\r\nGO 2\r\nZ\r\n", data::kSqlServer,
         {"INSERT x", "INSERT y\r\n", "INSERT x", "INSERT y\r\n", "Z\r\n"}, 3},
        // On MySQL a backslash escapes the quote.
        {"CREATE TABLE t (a INT);\r\nINSERT INTO t VALUES ('it\\'s');\r\n", data::kMySql,
         {"CREATE TABLE t (a INT)", "INSERT INTO t VALUES ('it\\'s')"}, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        ScriptRun run;
        run(c.file, c.kind);
        EXPECT_EQ(run.status.txtStep2, kDoneLog);
        EXPECT_EQ(run.Sent(), c.sent);
        EXPECT_EQ(run.ctx.tally.statementsRun, static_cast<long>(c.sent.size()));
        EXPECT_EQ(run.ctx.tally.batchesRun, c.batches);
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
    EXPECT_EQ(run.Sent(), (S{"A\r\n", "B", "BAD 1"}));
    EXPECT_EQ(run.ctx.strQuery, "BAD 1");
    EXPECT_EQ(run.status.txtStep2, "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... ");
    EXPECT_DOUBLE_EQ(run.status.BarValue(Bar::Total), 100.0 / 3);
    EXPECT_DOUBLE_EQ(run.status.BarValue(Bar::Current), 25);  // "B" of B, BAD 1, C and the blank piece
}

TEST(SqlFileRunner, ScriptThatCannotBeReadWholeRunsNothing) {
    ScriptRun run;
    run.ctx.destination.ScriptPath = "dump.sql";
    EXPECT_EQ(test::ErrorText<ScriptError>(
                  [&] { run("CREATE TABLE t (a INT);\r\nINSERT INTO t VALUES ('it\\'s');\r\n", data::kSqlServer); }),
              "The .SQL file 'dump.sql' ends inside a string that begins on line 2; nothing of it was executed.");
    EXPECT_TRUE(run.Sent().empty());
    EXPECT_EQ(run.ctx.strQuery, "");
    EXPECT_EQ(run.status.txtStep2, "\r\nReading .SQL file... done.\r\nInterpreting SQL... ");
}

}  // namespace
}  // namespace qdt::sqlfile
