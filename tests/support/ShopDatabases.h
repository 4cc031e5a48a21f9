#pragma once

#include <fstream>
#include <map>
#include <string>

#include "data/run/ConnectionProfile.h"
#include "db/Connection.h"
#include "support/TestEnv.h"

// Reading shop databases in tests that run the check and the run on real files.
namespace qdt::test {

// One side of a check or a run: a SQLite file, as the database page fills it in.
inline data::ConnectionProfile SqliteSide(const std::string& path) {
    data::ConnectionProfile p;
    p.Kind = data::kSqlite;
    p.Database = path;
    p.DateDelimiter = "'";
    return p;
}

// A new, empty SQLite file in a fresh folder (the provider opens existing files only); returns its path.
inline std::string NewSqliteFile(const std::string& name = "shop.sqlite") {
    const std::string path = TempDir() + "/" + name;
    std::ofstream(path).close();
    return path;
}

inline db::Connection OpenSqlite(const std::string& path) {
    db::Connection c;
    c.Open("Provider=SQLite;Data Source=" + path);
    return c;
}

// The number a query such as SELECT COUNT(*) gives.
inline long Count(db::Connection& conn, const std::string& sql) {
    return static_cast<long>(conn.Execute(sql)->Fields(0).Value().ToInteger());
}

// A shop setting, or "<missing>" when the shop has no such row.
inline std::string Config(db::Connection& conn, const std::string& key) {
    auto rs = conn.Execute("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = '" + key + "'");
    return rs->Eof() ? "<missing>" : rs->Fields(0).Value().ToText();
}

// Every row of every table of a SQLite file, as text: equal dumps mean an unchanged database.
inline std::map<std::string, std::string> Dump(const std::string& path) {
    db::Connection c = OpenSqlite(path);
    std::map<std::string, std::string> dump;
    auto tables = c.Execute("SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY name");
    for (; !tables->Eof(); tables->MoveNext()) {
        const std::string table = tables->Fields(0).Value().ToText();
        std::string& text = dump[table];
        for (auto rows = c.Execute("SELECT * FROM \"" + table + "\" ORDER BY 1"); !rows->Eof(); rows->MoveNext()) {
            for (const db::Field& f : rows->AllFields())
                text += (f.Value().IsNull() ? "NULL" : f.Value().ToText()) + "|";
            text += "\n";
        }
    }
    return dump;
}

}  // namespace qdt::test
