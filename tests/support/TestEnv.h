#pragma once

#include <optional>
#include <string>

namespace qdt::data {
struct ConnectionProfile;
}

namespace qdt::test {

// A real file from the workplace's shared fixtures, or nullopt when that
// folder is absent (a checkout outside the workplace).
std::optional<std::string> SharedFixture(const std::string& relative);
// A fresh, empty temporary folder, removed when the process ends.
std::string TempDir();

struct MySqlServer {
    std::string host;
    int port = 3306;
    std::string user;
    std::string password;
    std::string database;
    // The database page filled in for this server, and the connection string the system builds from it.
    data::ConnectionProfile Profile() const;
    std::string ConnectionString() const;
};

// The test MariaDB server described by the QDT_TEST_MYSQL_* variables (set by
// scripts/test-mariadb), when one answers. With QDT_REQUIRE_MYSQL=1 a missing
// server is a failure rather than a reason to skip.
std::optional<MySqlServer> TestMySqlServer();
bool MySqlRequired();

}  // namespace qdt::test

// Skips the current test, saying why, when no test MariaDB server is reachable
// (fails instead when the server is required).
#define QDT_REQUIRE_MYSQL_SERVER(var)                                                              \
    auto var##_opt = ::qdt::test::TestMySqlServer();                                               \
    if (!var##_opt) {                                                                              \
        if (::qdt::test::MySqlRequired()) FAIL() << "The test MariaDB server is not reachable.";   \
        GTEST_SKIP() << "No test MariaDB server is reachable (start one with scripts/test-mariadb start)."; \
    }                                                                                              \
    const ::qdt::test::MySqlServer& var = *var##_opt
