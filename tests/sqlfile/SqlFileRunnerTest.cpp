#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "db/Error.h"
#include "sqlfile/ScriptError.h"
#include "sqlfile/SqlFileRunner.h"
#include "support/RecordingConnection.h"
#include "support/TestEnv.h"
#include "data/run/RunContext.h"
#include "data/run/TextStatus.h"

namespace qdt::sqlfile {
namespace {

using run::Bar;

const char kDoneLog[] = "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... done.";
const char kFailedLog[] = "\r\nReading .SQL file... done.\r\nInterpreting SQL... done.\r\nExecuting SQL... ";

// Also keeps every value given to barCurrent, to follow the reading progress.
class RecordingStatus : public run::TextStatus {
public:
    void SetBarValue(Bar bar, double value) override {
        if (bar == Bar::Current) currentValues.push_back(value);
        TextStatus::SetBarValue(bar, value);
    }
    std::vector<double> currentValues;
};

class SqlFileRunner : public ::testing::Test {
protected:
    void Run(const std::string& fileBytes, data::DatabaseKind kind = data::kSqlServer) {
        db::Connection connection = rec_.Open();
        std::istringstream file(fileBytes);
        ExecuteSQLFile(ctx_, connection, file, kind);
    }
    const std::vector<std::string>& Sent() const { return rec_.Statements(); }
    RecordingStatus status_;
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
    ASSERT_GE(status_.currentValues.size(), 4u);
    EXPECT_EQ(std::vector<double>(status_.currentValues.begin(), status_.currentValues.begin() + 4),
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
    try {
        Run("CREATE TABLE t (a INT);\r\nINSERT INTO t VALUES ('it\\'s');\r\n", data::kSqlServer);
        FAIL() << "no error";
    } catch (const ScriptError& e) {
        EXPECT_STREQ(e.what(),
                     "The .SQL file 'dump.sql' ends inside a string that begins on line 2; nothing of it was "
                     "executed.");
    }
    EXPECT_TRUE(Sent().empty());
    EXPECT_EQ(ctx_.strQuery, "");
    EXPECT_EQ(status_.txtStep2, "\r\nReading .SQL file... done.\r\nInterpreting SQL... ");
    // The same script on MySQL, where the backslash escapes the quote.
    Run("CREATE TABLE t (a INT);\r\nINSERT INTO t VALUES ('it\\'s');\r\n", data::kMySql);
    EXPECT_EQ(Sent(), (std::vector<std::string>{"CREATE TABLE t (a INT)", "INSERT INTO t VALUES ('it\\'s')"}));
}

// A shop script as found in the wild: comments, quotes and semicolons inside
// strings, a string running over a GO line, lower-case go at the end.
const char kShopScript[] =
    "-- Catalogue set-up; don't run twice\r\n"
    "DROP TABLE IF EXISTS qdt_sqlfile_items;\r\n"
    "CREATE TABLE qdt_sqlfile_items (\r\n"
    "  id INTEGER NOT NULL PRIMARY KEY,\r\n"
    "  name VARCHAR(100) NOT NULL\r\n"
    ");\r\n"
    "GO\r\n"
    "INSERT INTO qdt_sqlfile_items (id, name) VALUES (1, 'Tom''s tea; loose');\r\n"
    "INSERT INTO qdt_sqlfile_items (id, name) VALUES (2, 'Line one;\r\n"
    "GO\r\n"
    "line three');\r\n"
    "/* bulk;\r\n"
    "GO */\r\n"
    "INSERT INTO qdt_sqlfile_items (id, name) VALUES (3, 'Golf; \"balls\"');\r\n"
    "go\r\n";

void ExpectShopRows(db::Connection& connection) {
    auto rs = connection.Execute("SELECT id, name FROM qdt_sqlfile_items ORDER BY id");
    std::vector<std::string> rows;
    for (; !rs->Eof(); rs->MoveNext())
        rows.push_back(rs->Fields("id").Value().ToText() + ":" + rs->Fields("name").Value().ToText());
    EXPECT_EQ(rows, (std::vector<std::string>{"1:Tom's tea; loose", "2:Line one;\r\nGO\r\nline three",
                                              "3:Golf; \"balls\""}));
}

std::string NewSqliteDatabase() {
    std::string path = qdt::test::TempDir() + "/script.sqlite";
    std::ofstream(path).close();
    return "Provider=SQLite;Data Source=" + path;
}

TEST(SqlFileRunnerOnDatabase, ShopScriptOnSqlite) {
    run::TextStatus status;
    run::RunContext ctx(status);
    db::Connection connection;
    connection.Open(NewSqliteDatabase());
    std::istringstream file(kShopScript);
    ExecuteSQLFile(ctx, connection, file, data::kSqlite);
    EXPECT_EQ(status.txtStep2, kDoneLog);
    ExpectShopRows(connection);
}

TEST(SqlFileRunnerOnDatabase, ShopScriptOnMariaDb) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    run::TextStatus status;
    run::RunContext ctx(status);
    db::Connection connection;
    connection.Open(server.ConnectionString());
    std::istringstream file(kShopScript);
    ExecuteSQLFile(ctx, connection, file, data::kMySql);
    EXPECT_EQ(status.txtStep2, kDoneLog);
    ExpectShopRows(connection);
    connection.Execute("DROP TABLE qdt_sqlfile_items");
}

TEST(SqlFileRunnerOnDatabase, FailureInSecondBatchKeepsTheFirstOnSqlite) {
    run::TextStatus status;
    run::RunContext ctx(status);
    db::Connection connection;
    connection.Open(NewSqliteDatabase());
    std::istringstream file(
        "CREATE TABLE t (id INTEGER);\r\nINSERT INTO t VALUES (1);\r\nGO\r\n"
        "INSERT INTO missing VALUES (2);\r\nINSERT INTO t VALUES (3);\r\nGO\r\nINSERT INTO t VALUES (4)\r\n");
    EXPECT_THROW(ExecuteSQLFile(ctx, connection, file, data::kSqlite), db::DatabaseError);
    EXPECT_EQ(ctx.strQuery, "INSERT INTO missing VALUES (2)");
    EXPECT_EQ(status.txtStep2, kFailedLog);
    auto rs = connection.Execute("SELECT COUNT(*) AS n, MAX(id) AS top FROM t");
    EXPECT_EQ(rs->Fields("n").Value().ToInteger(), 1);
    EXPECT_EQ(rs->Fields("top").Value().ToInteger(), 1);
}

}  // namespace
}  // namespace qdt::sqlfile
