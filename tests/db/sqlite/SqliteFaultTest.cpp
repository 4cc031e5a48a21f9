#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <functional>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using ::testing::HasSubstr;

std::string NewDatabase() {
    const std::string path = test::NewSqliteFile();
    Connection c = test::OpenSqlite(path);
    c.Execute("CREATE TABLE t (id INTEGER, doc TEXT)");
    c.Execute("INSERT INTO t VALUES (1, '{not json')");
    c.Close();
    return "Provider=SQLite;Data Source=" + path;
}

struct FirstRowFailure {
    const char* name;
    std::function<std::optional<std::string>()> connectionString;
    const char* sql;
};

void PrintTo(const FirstRowFailure& c, std::ostream* os) { *os << c.name; }

class FailedFirstRow : public ::testing::TestWithParam<FirstRowFailure> {};

// The statement fails while its result is being made; what SQLite holds for
// it, and for the connection, must all be given back once the connection closes.
TEST_P(FailedFirstRow, LeavesNoStatementOrConnectionBehind) {
    auto cs = GetParam().connectionString();
    if (!cs) GTEST_SKIP() << "The shared Access fixture is not present.";
    auto failOnce = [&] {
        Connection c;
        c.Open(*cs);
        EXPECT_THROW(c.Execute(GetParam().sql), DatabaseError);
        c.Close();
    };
    failOnce();  // SQLite sets itself up once per process
    const sqlite3_int64 before = sqlite3_memory_used();
    failOnce();
    EXPECT_EQ(sqlite3_memory_used(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, FailedFirstRow,
    ::testing::Values(
        FirstRowFailure{"Overflow", [] { return std::optional(NewDatabase()); },
                        "SELECT abs(-9223372036854775807 - 1)"},
        FirstRowFailure{"BadJsonInATable", [] { return std::optional(NewDatabase()); },
                        "SELECT json_extract(doc, '$.a') AS a FROM t"},
        FirstRowFailure{"AccessSnapshot",
                        [] {
                            auto path = test::SharedFixture("access/nwind.mdb");
                            return path ? std::optional("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=" + *path)
                                        : std::nullopt;
                        },
                        "SELECT abs(-9223372036854775807 - 1) AS a FROM Products"}),
    [](const auto& info) { return std::string(info.param.name); });

// Another program holds the file: the message says so, with the file's name,
// not that the file is no database.
class LockedFile : public ::testing::TestWithParam<bool> {};

TEST_P(LockedFile, IsReportedAsLockedByAnotherProgram) {
    const bool whileOpen = GetParam();
    std::string cs = NewDatabase();
    std::string path = cs.substr(cs.find('=', cs.find("Data Source")) + 1);
    Connection user;
    if (whileOpen) user.Open(cs);
    Connection holder;
    holder.Open(cs);
    holder.Execute("BEGIN EXCLUSIVE");
    holder.Execute("INSERT INTO t VALUES (2, NULL)");
    try {
        if (whileOpen)
            user.Execute("SELECT COUNT(*) FROM t");
        else
            user.Open(cs, OpenMode::kReadOnly);
        FAIL() << "the locked file was read";
    } catch (const DatabaseError& e) {
        EXPECT_EQ(std::string(e.what()), "The SQLite database '" + path + "' is locked by another program.");
    }
    holder.Execute("ROLLBACK");
}

INSTANTIATE_TEST_SUITE_P(Cases, LockedFile, ::testing::Values(false, true),
                         [](const auto& info) { return std::string(info.param ? "AtAStatement" : "AtOpen"); });

}  // namespace
}  // namespace qdt::db
