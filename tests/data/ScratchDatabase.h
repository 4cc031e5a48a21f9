#pragma once

#include <fstream>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "support/TestEnv.h"

namespace qdt::data::testing {

// A new SQLite database in a fresh folder, opened as the system opens one,
// with the given statements already run on it.
inline db::Connection ScratchDatabase(const std::vector<std::string>& statements = {}) {
    const std::string path = test::TempDir() + "/shop.sqlite";
    std::ofstream(path).close();  // the provider opens existing files only
    db::Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + path);
    for (const std::string& sql : statements) conn.Execute(sql)->Close();
    return conn;
}

}  // namespace qdt::data::testing
