#include "support/TestEnv.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <random>
#include <sstream>

#include "data/run/ConnectionProfile.h"
#include "db/Connection.h"

namespace fs = std::filesystem;

namespace qdt::test {

std::optional<std::string> SharedFixture(const std::string& relative) {
    // Beside the checkout, or in the workplace's shared folder for a checkout one level deeper.
    for (const fs::path& root : {fs::path(QDT_SOURCE_DIR).parent_path() / "shared", fs::path("/work/shared")}) {
        const fs::path p = root / "fixtures" / relative;
        if (fs::exists(p)) return p.string();
    }
    return std::nullopt;
}

namespace {

struct TempRoot {
    fs::path path;
    TempRoot() {
        std::random_device rd;
        path = fs::temp_directory_path() / ("qdt-tests-" + std::to_string(rd()));
        fs::create_directories(path);
    }
    ~TempRoot() {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::string Env(const char* name, const char* fallback) {
    const char* v = std::getenv(name);
    return v && *v ? v : fallback;
}

}  // namespace

std::string TempDir() {
    static TempRoot root;
    static int counter = 0;
    fs::path p = root.path / std::to_string(++counter);
    fs::create_directories(p);
    return p.string();
}

data::ConnectionProfile MySqlServer::Profile() const {
    data::ConnectionProfile profile;
    profile.Kind = data::kMySql;
    profile.Server = host + ":" + std::to_string(port);
    profile.Database = database;
    profile.User = user;
    profile.Password = password;
    profile.DateDelimiter = "'";
    return profile;
}

std::string MySqlServer::ConnectionString() const {
    data::ConnectionProfile profile = Profile();
    return data::GetConnectionString(profile);
}

bool MySqlRequired() { return Env("QDT_REQUIRE_MYSQL", "0") == "1"; }

std::optional<MySqlServer> TestMySqlServer() {
    static std::once_flag once;
    static std::optional<MySqlServer> found;
    std::call_once(once, [] {
        MySqlServer s;
        s.host = Env("QDT_TEST_MYSQL_HOST", "127.0.0.1");
        s.port = std::atoi(Env("QDT_TEST_MYSQL_PORT", "3307").c_str());
        s.user = Env("QDT_TEST_MYSQL_USER", "qdt");
        s.password = Env("QDT_TEST_MYSQL_PASSWORD", "qdt-test");
        s.database = Env("QDT_TEST_MYSQL_DATABASE", "qdt_test");
        try {
            db::Connection c;
            c.Open(s.ConnectionString());
            c.Close();
            found = s;
        } catch (const std::exception&) {
        }
    });
    return found;
}

namespace {

void Admin(const MySqlServer& server, const std::string& sql) {
    db::Connection c;
    c.Open(server.ConnectionString());
    c.Execute(sql)->Close();
}

}  // namespace

ScratchMySqlDatabase::ScratchMySqlDatabase(const MySqlServer& server, const std::string& suffix)
    : admin_(server), scratch_(server) {
    scratch_.database = server.database + "_" + suffix;
    Admin(admin_, "DROP DATABASE IF EXISTS " + scratch_.database);
    Admin(admin_, "CREATE DATABASE " + scratch_.database + " CHARACTER SET utf8mb4");
}

ScratchMySqlDatabase::~ScratchMySqlDatabase() {
    try {
        Admin(admin_, "DROP DATABASE IF EXISTS " + scratch_.database);
    } catch (const std::exception&) {
    }
}

void WriteFile(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            std::stringstream content;
            content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            files[fs::relative(entry.path(), folder).generic_string()] = content.str();
        }
    return files;
}

}  // namespace qdt::test
