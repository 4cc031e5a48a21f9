#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "data/FixtureShops.h"
#include "data/run/ConnectionProfile.h"
#include "db/Connection.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::test {

// A source shop built from a generated script, SCRIPTS/<kind>/<file>: a SQLite
// file, or a database of its own on the test MariaDB server ("mysql").
class ScriptShop {
public:
    ScriptShop(std::string scripts, std::string file, std::string systemName)
        : scripts_(std::move(scripts)), file_(std::move(file)), systemName_(std::move(systemName)) {}

    // Call through ASSERT_NO_FATAL_FAILURE: it skips or fails when no server answers.
    void Make(const std::string& kind) {
        if (kind == "mysql") {
            QDT_REQUIRE_MYSQL_SERVER(server);
            db::Connection admin;
            admin.Open(server.ConnectionString());
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            database_ = "qdt_src_" + std::to_string(std::hash<std::string>{}(file_ + info->test_suite_name() +
                                                                              info->name()) %
                                                    1000000);
            admin.Execute("DROP DATABASE IF EXISTS " + database_)->Close();
            admin.Execute("CREATE DATABASE " + database_ + " CHARACTER SET utf8mb4")->Close();
            profile = server.Profile();
            profile.Database = database_;
        } else {
            profile = SqliteSide(NewSqliteFile(file_ + ".sqlite"));
        }
        profile.SystemName = systemName_;
        profile.ConnectionString = data::GetConnectionString(profile);
        db::Connection conn = Open();
        data::testing::RunShopScript(conn, scripts_ + "/" + kind + "/" + file_);
    }
    ~ScriptShop() {
        if (database_.empty()) return;
        db::Connection admin;
        admin.Open(TestMySqlServer()->ConnectionString());
        admin.Execute("DROP DATABASE " + database_)->Close();
    }
    ScriptShop(const ScriptShop&) = delete;
    ScriptShop& operator=(const ScriptShop&) = delete;

    db::Connection Open() const {
        db::Connection conn;
        conn.Open(profile.ConnectionString);
        return conn;
    }
    void Execute(const std::string& sql) const { Open().Execute(sql)->Close(); }

    data::ConnectionProfile profile;

private:
    std::string scripts_, file_, systemName_, database_;
};

}  // namespace qdt::test
