#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "data/FixtureShops.h"
#include "db/Connection.h"
#include "support/TestEnv.h"

namespace qdt::importers::testing {

using Lines = std::vector<std::string>;

inline void Write(const std::filesystem::path& path, const std::string& content) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

// Every file under the folder, by its path relative to it, with its bytes.
inline std::map<std::string, std::string> Files(const std::filesystem::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file()) {
            std::stringstream content;
            content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
            files[std::filesystem::relative(entry.path(), folder).generic_string()] = content.str();
        }
    return files;
}

inline Lines Rows(db::Connection& conn, const std::string& sql) {
    Lines rows;
    auto rs = conn.Execute(sql);
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string row;
        for (const db::Field& f : rs->AllFields()) row += (row.empty() ? "" : "|") + f.Value().ToText();
        rows.push_back(row);
    }
    return rows;
}

// A blank 5.104 shop to import into: a SQLite file, or a database of its own
// on the test MariaDB server (destination "mysql...").
class ImportShop {
public:
    // Call through ASSERT_NO_FATAL_FAILURE: it skips or fails when no server answers.
    void Make(const std::string& destination) {
        if (destination.rfind("mysql", 0) == 0) {
            QDT_REQUIRE_MYSQL_SERVER(server);
            db::Connection admin;
            admin.Open(server.ConnectionString());
            // One database per test, so that tests run side by side do not meet.
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            database_ = "qdt_importer_" +
                        std::to_string(std::hash<std::string>{}(std::string(info->test_suite_name()) + info->name()) %
                                       1000000);
            admin.Execute("DROP DATABASE IF EXISTS " + database_)->Close();
            admin.Execute("CREATE DATABASE " + database_ + " CHARACTER SET utf8mb4")->Close();
            profile.Kind = data::kMySql;
            profile.Server = server.host + ":" + std::to_string(server.port);
            profile.Database = database_;
            profile.User = server.user;
            profile.Password = server.password;
        } else {
            profile.Kind = data::kSqlite;
            profile.Database = data::testing::SqliteShop("5.104", true);
        }
        profile.ConnectionString = data::GetConnectionString(profile);
        if (profile.Kind == data::kMySql) {
            db::Connection conn = Open();
            data::testing::RunShopScript(conn, data::testing::ShopScript("mysql", "5.104", true));
        }
    }

    ~ImportShop() {
        if (database_.empty()) return;
        db::Connection admin;
        admin.Open(test::TestMySqlServer()->ConnectionString());
        admin.Execute("DROP DATABASE " + database_)->Close();
    }

    db::Connection Open() const {
        db::Connection conn;
        conn.Open(profile.ConnectionString);
        return conn;
    }

    data::ConnectionProfile profile;

private:
    std::string database_;
};

}  // namespace qdt::importers::testing
