#pragma once

#include <exception>
#include <filesystem>
#include <map>
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

// A database of its own on the test server, named after the test database
// and the given suffix so that runs beside each other on one server do not
// meet (any earlier one of the name is dropped first); dropped again when
// this goes out of scope.
class ScratchMySqlDatabase {
public:
    ScratchMySqlDatabase(const MySqlServer& server, const std::string& suffix);
    ~ScratchMySqlDatabase();
    ScratchMySqlDatabase(const ScratchMySqlDatabase&) = delete;
    ScratchMySqlDatabase& operator=(const ScratchMySqlDatabase&) = delete;
    // The server with this database chosen.
    const MySqlServer& Server() const { return scratch_; }

private:
    MySqlServer admin_, scratch_;
};

// The message of what f throws (of type E), or "(no error)" when it returns.
template <typename E = std::exception, typename F>
std::string ErrorText(F&& f) {
    try {
        f();
    } catch (const E& e) {
        return e.what();
    }
    return "(no error)";
}

// Writes a file, making its folders.
void WriteFile(const std::filesystem::path& path, const std::string& content);
// Every file under the folder, by its path relative to it, with its bytes.
std::map<std::string, std::string> Files(const std::filesystem::path& folder);

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
