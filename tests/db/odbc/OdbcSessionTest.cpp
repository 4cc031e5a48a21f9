#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "db/Connection.h"
#include "db/Error.h"
#include "db/Providers.h"
#include "db/odbc/MySqlProvider.h"
#include "db/odbc/OdbcProvider.h"
#include "support/TestEnv.h"

// The handling of drivers whose open results keep the handle busy, run on
// the test MariaDB server with the session told that its results occupy the
// handle (as they do with FreeTDS and with a streaming Connector/ODBC).
namespace qdt::db::odbc {
namespace {

std::unique_ptr<OdbcProvider> OccupyingProvider(const test::MySqlServer& server) {
    OdbcTarget target = MySqlTarget(ParseConnectionString(server.ConnectionString()));
    target.resultsOccupyHandle = OdbcTarget::Occupancy::Occupies;
    return std::make_unique<OdbcProvider>(std::move(target));
}

long Count(ConnectionProvider& p, const std::string& table) {
    return static_cast<long>(p.Execute("SELECT COUNT(*) FROM " + table)->Fields(0).Value().ToInteger());
}

TEST(OdbcSessionTest, LookupsWhileWalkingRunOnASecondHandleKeptForLater) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    auto p = OccupyingProvider(server);
    auto walk = p->Execute("SELECT seq FROM seq_1_to_5000");
    long rows = 0, sum = 0;
    for (; !walk->Eof(); walk->MoveNext()) {
        ++rows;
        if (rows % 1000 == 0) sum += p->Execute("SELECT " + std::to_string(rows))->Fields(0).Value().ToInteger();
    }
    EXPECT_EQ(rows, 5000);
    EXPECT_EQ(sum, 15000);
    EXPECT_EQ(p->HandleCount(), 2u);
    // Reaching the end frees the main handle: nothing new is opened.
    EXPECT_EQ(p->Execute("SELECT 1")->Fields(0).Value(), Value::Integer(1));
    walk->MoveFirst();
    EXPECT_EQ(walk->Fields(0).Value(), Value::Integer(1));
    EXPECT_EQ(p->Execute("SELECT 2")->Fields(0).Value(), Value::Integer(2));
    EXPECT_EQ(p->HandleCount(), 2u);
}

TEST(OdbcSessionTest, WritesCannotLeaveATransactionAndResultsOutliveTheConnection) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    auto p = OccupyingProvider(server);
    p->Execute("DROP TABLE IF EXISTS odbc_session_tx");
    p->Execute("CREATE TABLE odbc_session_tx (id INT) ENGINE=InnoDB");

    // A result open before the transaction keeps its handle; the transaction
    // takes another.
    auto before = p->Execute("SELECT seq FROM seq_1_to_100");
    p->BeginTrans();
    p->Execute("INSERT INTO odbc_session_tx VALUES (1)");
    EXPECT_EQ(Count(*p, "odbc_session_tx"), 1);

    auto inside = p->Execute("SELECT seq FROM seq_1_to_100");
    EXPECT_THAT(test::ErrorText<DatabaseError>([&] { p->Execute("INSERT INTO odbc_session_tx VALUES (2)"); }),
                ::testing::HasSubstr("still being read"));
    // Reads still run alongside.
    EXPECT_EQ(p->Execute("SELECT 5")->Fields(0).Value(), Value::Integer(5));
    inside->Close();
    p->Execute("INSERT INTO odbc_session_tx VALUES (3)");
    p->RollbackTrans();
    EXPECT_EQ(Count(*p, "odbc_session_tx"), 0);

    // A result outlives its closed connection: the handle stays open for it.
    p->Close();
    before->MoveNext();
    EXPECT_EQ(before->Fields(0).Value(), Value::Integer(2));
    before->Close();
    EXPECT_THROW(p->Execute("SELECT 1"), DatabaseError);
    EXPECT_THROW(p->BeginTrans(), DatabaseError);
}

TEST(OdbcSessionTest, TheMariaDbDriverIsProbedForWhetherResultsOccupyTheHandle) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    auto provider = db::OpenMySqlProvider(ParseConnectionString(server.ConnectionString()));
    auto* odbc = dynamic_cast<OdbcProvider*>(provider.get());
    ASSERT_NE(odbc, nullptr);
    // Whatever the driver does, a second statement beside an open result works.
    auto walk = odbc->Execute("SELECT seq FROM seq_1_to_3");
    EXPECT_EQ(odbc->Execute("SELECT 9")->Fields(0).Value(), Value::Integer(9));
    EXPECT_EQ(odbc->HandleCount(), odbc->ResultsOccupyHandle() ? 2u : 1u);
}

}  // namespace
}  // namespace qdt::db::odbc
