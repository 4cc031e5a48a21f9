// On SQLite a copy's rows are bound to a statement prepared once per table
// instead of being compiled from their text. Every shop of every version
// pair is copied both ways, and the two destinations must hold the same
// storage class and the same bytes or bits in every cell.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "data/FixtureShops.h"
#include "data/TableCopy.h"
#include "data/TextOnlyConnection.h"
#include "db/sqlite/SqliteInsertCache.h"
#include "support/ShopDatabases.h"
#include "wizard/ConnectionCheck.h"

namespace qdt::data {
namespace {

using testing::TextOnly;
using testing::TypedDump;

struct Pair {
    const char* source;
    const char* destination;
};

class BoundRowsCopy : public ::testing::TestWithParam<Pair> {};

TEST_P(BoundRowsCopy, StoreWhatTheirTextWould) {
    const Pair& pair = GetParam();
    const std::string sourcePath = testing::SqliteShop(pair.source, false);
    const std::string textPath = testing::SqliteShop(pair.destination, true);
    const std::string boundPath = test::NewSqliteFile("bound.sqlite");
    if (HasFatalFailure()) return;
    std::filesystem::copy_file(textPath, boundPath, std::filesystem::copy_options::overwrite_existing);

    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = test::SqliteSide(sourcePath);
    ctx.destination = test::SqliteSide(textPath);
    ASSERT_TRUE(wizard::RunConnectionCheck(ctx).succeeded) << status.txtConnect;

    db::Connection source = test::OpenSqlite(sourcePath);
    std::vector<std::string> inserts;
    db::Connection asText(std::make_unique<TextOnly>(db::OpenProvider("Provider=SQLite;Data Source=" + textPath), inserts));
    db::Connection bound = test::OpenSqlite(boundPath);
    std::vector<std::string> tables;
    for (const auto& [table, selected] : ctx.settings.CopyTableList.Entries()) {
        if (selected != "y") continue;
        tables.push_back(table);
        CopyTable(ctx, table, source, asText);
        CopyTable(ctx, table, source, bound);
    }
    ASSERT_FALSE(tables.empty());
    for (const std::string& table : tables) EXPECT_EQ(TypedDump(bound, table), TypedDump(asText, table)) << table;

    // Nearly all rows took the bound way, so the comparison above means something.
    std::size_t parsed = 0;
    std::string_view head;
    std::vector<db::LiteralValue> values;
    for (const std::string& sql : inserts) parsed += db::ParseLiteralInsert(sql, head, values) ? 1 : 0;
    EXPECT_GT(inserts.size(), 20u);
    EXPECT_GE(parsed * 10, inserts.size() * 9) << parsed << " of " << inserts.size();
}

std::vector<Pair> AllowedPairs() {
    const std::vector<const char*> sources = {"4.5", "4.6", "4.7", "5", "5.1", "5.104"};
    const std::vector<const char*> destinations = {"5", "5.1", "5.104"};
    std::vector<Pair> pairs;
    for (std::size_t s = 0; s < sources.size(); ++s)
        for (std::size_t d = 0; d < destinations.size(); ++d)
            if (s <= d + 3) pairs.push_back({sources[s], destinations[d]});
    return pairs;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, BoundRowsCopy, ::testing::ValuesIn(AllowedPairs()),
                         [](const ::testing::TestParamInfo<Pair>& info) {
                             std::string name = std::string("From") + info.param.source + "To" + info.param.destination;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace qdt::data
