#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/TableCopy.h"
#include "support/PassThroughProvider.h"
#include "support/ShopDatabases.h"

namespace qdt::data::testing {

struct RowCounts {
    std::size_t bound = 0;
    std::size_t asText = 0;
};

// A SQLite file that counts the rows it binds and the INSERTs it runs as
// text; one that does not bind runs every row as its text.
class CountingSqlite : public test::PassThroughProvider {
public:
    CountingSqlite(const std::string& path, bool binds, RowCounts& counts)
        : PassThroughProvider(db::OpenProvider("Provider=SQLite;Data Source=" + path)), binds_(binds), counts_(counts) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override {
        if (sql.rfind("INSERT", 0) == 0) ++counts_.asText;
        return inner_->Execute(sql);
    }
    bool RunRow(const db::InsertRow& row) override {
        const bool bound = binds_ && inner_->RunRow(row);
        counts_.bound += bound ? 1 : 0;
        return bound;
    }

private:
    bool binds_;
    RowCounts& counts_;
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

// On SQLite a copy's rows are bound to a statement prepared once per table
// instead of being compiled from their text. Copies the tables into two
// copies of the database at empty, once bound and once as text, and expects
// the same storage class and bytes or bits in every cell; returns what the
// bound copy counted.
inline RowCounts ExpectBoundAsText(run::RunContext& ctx, db::Connection& source, const std::string& empty,
                                   const std::vector<std::string>& tables) {
    const std::string boundPath = test::NewSqliteFile("bound.sqlite");
    const std::string textPath = test::NewSqliteFile("text.sqlite");
    std::filesystem::copy_file(empty, boundPath, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(empty, textPath, std::filesystem::copy_options::overwrite_existing);
    RowCounts bound;
    RowCounts text;
    db::Connection asBound(std::make_unique<CountingSqlite>(boundPath, true, bound));
    db::Connection asText(std::make_unique<CountingSqlite>(textPath, false, text));
    for (const std::string& table : tables) {
        CopyTable(ctx, table, source, asText);
        CopyTable(ctx, table, source, asBound);
        EXPECT_EQ(TypedDump(asBound, table), TypedDump(asText, table)) << table;
    }
    EXPECT_EQ(bound.bound + bound.asText, text.asText);
    return bound;
}

}  // namespace qdt::data::testing
