#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "sqlfile/ScriptError.h"
#include "sqlfile/SqlFileRunner.h"
#include "data/TransferHarness.h"
#include "support/TestEnv.h"

namespace qdt::sqlfile {
namespace {

using run::Bar;

const char kDoneLog[] = "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... done.";
const char kFailedLog[] = "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... ";

class SqlFileRunner : public ::testing::Test {
protected:
    void Run(const std::string& fileBytes, data::DatabaseKind kind = data::kSqlServer) {
        db::Connection connection = rec_.Open();
        std::istringstream file(fileBytes);
        ExecuteSQLFile(ctx_, connection, file, kind);
    }
    const std::vector<std::string>& Sent() const { return rec_.Statements(); }
    data::testing::BarTrackingStatus status_;
    run::RunContext ctx_{status_};
    qdt::test::RecordingConnection rec_;
};

TEST_F(SqlFileRunner, LogsThreePhasesAndEndsWithFullBars) {
    rec_.Answer("SELECT 1\r\n", {{"one"}, {3}, {{db::Value::Integer(1)}}});
    Run("CREATE TABLE a (x INT);\r\nINSERT INTO a VALUES (1);\r\nGO\r\nSELECT 1\r\n");
    EXPECT_EQ(status_.txtStep2, kDoneLog);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"CREATE TABLE a (x INT)", "INSERT INTO a VALUES (1)", "SELECT 1\r\n"}));
    EXPECT_EQ(ctx_.strQuery, "SELECT 1\r\n");
    EXPECT_EQ(rec_.OpenResults(), 0);  // results are discarded at once
    for (Bar bar : {Bar::Total, Bar::Current}) {
        EXPECT_EQ(status_.BarMax(bar), 100);
        EXPECT_EQ(status_.BarValue(bar), 100);
    }
    // Six after the messages, one per line read, one per piece of each batch
    // (the blank piece after the last ";" of the first batch included).
    EXPECT_EQ(status_.yields, 6 + 4 + 4);
}

TEST_F(SqlFileRunner, EmptyFileExecutesNothingButFinishesEveryPhase) {
    Run("");
    EXPECT_EQ(status_.txtStep2, kDoneLog);
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(status_.BarValue(Bar::Total), 0);
}

TEST_F(SqlFileRunner, ReadingProgressEveryTenthLineThenReset) {
    std::string file;
    for (int i = 0; i < 25; ++i) file += "SELECT 1;\n";  // 9 characters + LF, 250 bytes
    Run(file);
    ASSERT_GE(status_.currentBar.size(), 4u);
    EXPECT_EQ(std::vector<double>(status_.currentBar.begin(), status_.currentBar.begin() + 4),
              (std::vector<double>{0, 36, 72, 0}));
    EXPECT_EQ(Sent().size(), 25u);
}

TEST_F(SqlFileRunner, LinuxAndByteOrderMarkedFilesRunLikeWindowsOnes) {
    Run("\xEF\xBB\xBFSELECT\n1;\nGO\nSELECT 'caf\xC3\xA9'\n");
    EXPECT_EQ(Sent(), (std::vector<std::string>{"SELECT\r\n1", "SELECT 'caf\xC3\xA9'\r\n"}));
}

TEST_F(SqlFileRunner, RepeatCountRunsTheBatchAgain) {
    Run("INSERT x;\r\nINSERT y\r\nGO 2\r\nZ\r\n");
    EXPECT_EQ(Sent(), (std::vector<std::string>{"INSERT x", "INSERT y\r\n", "INSERT x", "INSERT y\r\n", "Z\r\n"}));
}

TEST_F(SqlFileRunner, FailingStatementStopsTheRunAndStaysInStrQuery) {
    rec_.Fail("BAD 1", "Incorrect syntax near 'BAD'.");
    EXPECT_THROW(Run("A\r\nGO\r\nB;\r\nBAD 1;\r\nC;\r\nGO\r\nD\r\n"), db::DatabaseError);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"A\r\n", "B", "BAD 1"}));
    EXPECT_EQ(ctx_.strQuery, "BAD 1");
    EXPECT_EQ(status_.txtStep2, kFailedLog);
    EXPECT_DOUBLE_EQ(status_.BarValue(Bar::Total), 100.0 / 3);
    EXPECT_DOUBLE_EQ(status_.BarValue(Bar::Current), 25);  // "B" of B, BAD 1, C and the blank piece
}

TEST_F(SqlFileRunner, ScriptThatCannotBeReadWholeRunsNothing) {
    ctx_.destination.ScriptPath = "dump.sql";
    EXPECT_EQ(test::ErrorText<ScriptError>([&] {
                  Run("CREATE TABLE t (a INT);\r\nINSERT INTO t VALUES ('it\\'s');\r\n", data::kSqlServer);
              }),
              "The .SQL file 'dump.sql' ends inside a string that begins on line 2; nothing of it was executed.");
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ctx_.strQuery, "");
    EXPECT_EQ(status_.txtStep2, "\r\nReading .SQL file... done.\r\nInterpreting SQL... ");
    // The same script on MySQL, where the backslash escapes the quote.
    Run("CREATE TABLE t (a INT);\r\nINSERT INTO t VALUES ('it\\'s');\r\n", data::kMySql);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"CREATE TABLE t (a INT)", "INSERT INTO t VALUES ('it\\'s')"}));
}

}  // namespace
}  // namespace qdt::sqlfile
