#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "data/FixtureShops.h"
#include "data/run/ConnectionProfile.h"
#include "db/Connection.h"
#include "support/TestEnv.h"

namespace qdt::importers::testing {

// The VPASP test shop the build generates (tests/fixtures/vpasp): a SQLite
// file, or a database of its own on the test MariaDB server ("mysql").
class VpaspShop {
public:
    // Call through ASSERT_NO_FATAL_FAILURE: it skips or fails when no server answers.
    void Make(const std::string& kind) {
        if (kind == "mysql") {
            QDT_REQUIRE_MYSQL_SERVER(server);
            db::Connection admin;
            admin.Open(server.ConnectionString());
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            database_ = "qdt_vpasp_" + std::to_string(std::hash<std::string>{}(std::string(info->test_suite_name()) +
                                                                               info->name()) %
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
            profile.Database = test::NewSqliteFile("vpasp.sqlite");
        }
        profile.ConnectionString = data::GetConnectionString(profile);
        profile.SystemName = "VPASP";
        db::Connection conn = Open();
        data::testing::RunShopScript(conn, std::string(QDT_VPASP_SCRIPTS_DIR) + "/" +
                                               (kind == "mysql" ? "mysql" : "sqlite") + "/vpasp-shop.sql");
    }
    ~VpaspShop() {
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
    void Execute(const std::string& sql) const { Open().Execute(sql)->Close(); }

    data::ConnectionProfile profile;

private:
    std::string database_;
};

}  // namespace qdt::importers::testing
