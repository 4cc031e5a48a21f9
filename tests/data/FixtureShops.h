#pragma once

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "db/Connection.h"
#include "sqlfile/SqlFileRunner.h"
#include "support/ShopDatabases.h"
#include "data/run/RunContext.h"
#include "data/run/TextStatus.h"

namespace qdt::data::testing {

// The Quillmart shop scripts the build generates: dialect "sqlite" or "mysql",
// version "4.5" to "5.104"; blank ones (5 and later) hold a new shop without data.
inline std::string ShopScript(const std::string& dialect, const std::string& version, bool blank) {
    return std::string(QDT_SHOP_SCRIPTS_DIR) + "/" + dialect + "/quillmart-" + version + (blank ? "-blank" : "") +
           ".sql";
}

// Runs a script through the tool's own script runner; a failure names the statement.
inline void RunShopScript(db::Connection& conn, const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    ASSERT_TRUE(file) << "cannot open " << path;
    run::TextStatus status;
    run::RunContext ctx(status);
    try {
        sqlfile::ExecuteSQLFile(ctx, conn, file);
    } catch (const std::exception& e) {
        FAIL() << path << ": " << e.what() << "\nat: " << ctx.strQuery;
    }
}

// A new SQLite file holding a shop; returns its path.
inline std::string SqliteShop(const std::string& version, bool blank) {
    const std::string path = test::NewSqliteFile("quillmart-" + version + (blank ? "-blank" : "") + ".sqlite");
    db::Connection conn = test::OpenSqlite(path);
    RunShopScript(conn, ShopScript("sqlite", version, blank));
    return path;
}

}  // namespace qdt::data::testing
