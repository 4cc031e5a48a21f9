#include <gtest/gtest.h>

#include <chrono>
#include <string>

#include "db/Connection.h"
#include "db/Error.h"
#include "support/TestEnv.h"

namespace qdt::db {
namespace {

using Clock = std::chrono::steady_clock;

// Opens the connection expecting failure; returns the message and how long it took.
std::pair<std::string, double> FailToOpen(const std::string& connectionString) {
    auto start = Clock::now();
    try {
        Connection c;
        c.Open(connectionString);
    } catch (const DatabaseError& e) {
        return {e.what(), std::chrono::duration<double>(Clock::now() - start).count()};
    }
    ADD_FAILURE() << "the connection should not have opened";
    return {{}, 0};
}

TEST(OdbcConnectFailureTest, SqlServerThatRefusesFailsFastNamingTheServer) {
    auto [message, seconds] = FailToOpen(
        "Provider=sqloledb;Data Source=127.0.0.1,1;Network Library=DBMSSOCN;Initial Catalog=shop;"
        "User ID=sa;Password=Sekrit-pw-99;");
    EXPECT_LT(seconds, 2.0);
    EXPECT_EQ(message.rfind("Cannot connect to SQL Server on 127.0.0.1,1: ", 0), 0u) << message;
    EXPECT_GT(message.size(), std::string("Cannot connect to SQL Server on 127.0.0.1,1: ").size() + 5) << message;
    EXPECT_EQ(message.find("Sekrit-pw-99"), std::string::npos) << message;
    EXPECT_EQ(message.find("[FreeTDS]"), std::string::npos) << message;
}

TEST(OdbcConnectFailureTest, MySqlOnAClosedPortFailsFast) {
    auto [message, seconds] = FailToOpen(
        "DRIVER={MySQL ODBC 3.51 Driver};SERVER=127.0.0.1:1;DATABASE=shop;USER=u;PASSWORD=Sekrit-pw-99;OPTION=3;");
    EXPECT_LT(seconds, 3.0);
    EXPECT_EQ(message.rfind("Cannot connect to MySQL on 127.0.0.1:1: ", 0), 0u) << message;
    EXPECT_NE(message.find("Can't connect"), std::string::npos) << message;
    EXPECT_EQ(message.find("Sekrit-pw-99"), std::string::npos) << message;
    EXPECT_EQ(message.find('['), std::string::npos) << message;
}

TEST(OdbcConnectFailureTest, MySqlWrongPasswordIsToldWithoutThePassword) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    test::MySqlServer wrong = server;
    wrong.password = "Wrong-pw;{x}";
    auto [message, seconds] = FailToOpen(wrong.ConnectionString());
    EXPECT_LT(seconds, 3.0);
    EXPECT_NE(message.find("Access denied"), std::string::npos) << message;
    EXPECT_EQ(message.find("Wrong-pw"), std::string::npos) << message;
}

}  // namespace
}  // namespace qdt::db
