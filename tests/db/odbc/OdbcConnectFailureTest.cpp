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
    const std::string message = test::ErrorText<DatabaseError>([&] { Connection().Open(connectionString); });
    return {message, std::chrono::duration<double>(Clock::now() - start).count()};
}

// Nobody listens: the message names the server and the reason, without the
// driver's tags and without the password.
TEST(OdbcConnectFailureTest, AClosedPortFailsFastNamingTheServer) {
    struct Case {
        const char* connection;
        const char* start;
        const char* driverTag;
        double seconds;
    };
    const Case cases[] = {
        {"Provider=sqloledb;Data Source=127.0.0.1,1;Network Library=DBMSSOCN;Initial Catalog=shop;User ID=sa;"
         "Password=Sekrit-pw-99;",
         "Cannot connect to SQL Server on 127.0.0.1,1: ", "[FreeTDS]", 2.0},
        {"DRIVER={MySQL ODBC 3.51 Driver};SERVER=127.0.0.1:1;DATABASE=shop;USER=u;PASSWORD=Sekrit-pw-99;OPTION=3;",
         "Cannot connect to MySQL on 127.0.0.1:1: Can't connect", "[", 3.0},
    };
    for (const Case& c : cases) {
        auto [message, seconds] = FailToOpen(c.connection);
        EXPECT_LT(seconds, c.seconds) << message;
        EXPECT_EQ(message.rfind(c.start, 0), 0u) << message;
        EXPECT_GT(message.size(), std::string(c.start).size() + 5) << message;
        EXPECT_EQ(message.find("Sekrit-pw-99"), std::string::npos) << message;
        EXPECT_EQ(message.find(c.driverTag), std::string::npos) << message;
    }
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
