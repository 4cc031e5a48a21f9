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

// Passes everything on and counts the rows bound and the INSERTs run as text.
class Counting : public test::PassThroughProvider {
public:
    Counting(std::unique_ptr<db::ConnectionProvider> inner, std::size_t& bound, std::size_t& asText)
        : PassThroughProvider(std::move(inner)), bound_(bound), asText_(asText) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override {
        if (sql.rfind("INSERT", 0) == 0) ++asText_;
        return inner_->Execute(sql);
    }
    bool RunRow(const db::InsertRow& row) override {
        const bool bound = inner_->RunRow(row);
        bound_ += bound ? 1 : 0;
        return bound;
    }

private:
    std::size_t& bound_;
    std::size_t& asText_;
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
    std::size_t boundRows = 0, textRows = 0;
    db::Connection bound(std::make_unique<Counting>(db::OpenProvider("Provider=SQLite;Data Source=" + boundPath),
                                                    boundRows, textRows));
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
    EXPECT_GT(inserts.size(), 20u);
    EXPECT_EQ(boundRows + textRows, inserts.size());
    EXPECT_GE(boundRows * 10, inserts.size() * 9) << boundRows << " of " << inserts.size();
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
