#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/Connection.h"
#include "support/PassThroughProvider.h"

namespace qdt::data::testing {

// Passes everything on but groups, so that every statement runs as its text;
// keeps the INSERTs it saw.
class TextOnly : public test::PassThroughProvider {
public:
    TextOnly(std::unique_ptr<db::ConnectionProvider> inner, std::vector<std::string>& inserts)
        : PassThroughProvider(std::move(inner)), inserts_(inserts) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override {
        if (sql.rfind("INSERT", 0) == 0) inserts_.push_back(sql);
        return inner_->Execute(sql);
    }

private:
    std::vector<std::string>& inserts_;
};

// Every cell of a SQLite table as its storage class and exact content
// (bytes in hex, reals to 20 digits), row by row.
inline std::string TypedDump(db::Connection& conn, const std::string& table) {
    std::string cells;
    for (auto rs = conn.Execute("SELECT name FROM pragma_table_info('" + table + "')"); !rs->Eof(); rs->MoveNext()) {
        const std::string c = rs->Fields(0).Value().ToText();
        cells += (cells.empty() ? "" : " || '|' || ") + std::string("typeof(") + c + ") || ':' || CASE typeof(" + c +
                 ") WHEN 'real' THEN printf('%!.20e', " + c + ") ELSE hex(" + c + ") END";
    }
    std::string dump;
    for (auto rs = conn.Execute("SELECT " + cells + " FROM " + table + " ORDER BY rowid"); !rs->Eof(); rs->MoveNext())
        dump += rs->Fields(0).Value().ToText() + "\n";
    return dump;
}

}  // namespace qdt::data::testing
