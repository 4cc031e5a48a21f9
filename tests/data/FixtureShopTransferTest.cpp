// Every fixture shop goes through the whole run (check, copy, comparison,
// jobs) into every new shop it may be copied into, on SQLite: the schemas of
// the versions fit together and the sample rows reach every copy rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/ConnectionProfile.h"
#include "data/FixtureShops.h"
#include "db/Connection.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"

namespace qdt::data {
namespace {

struct Pair {
    const char* source;
    const char* destination;
};

ConnectionProfile SqliteSide(const std::string& path) {
    ConnectionProfile p;
    p.Kind = kSqlite;
    p.Database = path;
    p.DeletePrefix = "DELETE FROM ";
    p.DateDelimiter = "'";
    return p;
}

long Count(db::Connection& conn, const std::string& sql) {
    return static_cast<long>(conn.Execute(sql)->Fields(0).Value().ToInteger());
}

std::string Config(db::Connection& conn, const std::string& key) {
    auto rs = conn.Execute("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = '" + key + "'");
    return rs->Eof() ? "<missing>" : rs->Fields(0).Value().ToText();
}

class ShopTransfer : public ::testing::TestWithParam<Pair> {};

TEST_P(ShopTransfer, RunsToTheEndAndCarriesEveryRow) {
    const Pair& pair = GetParam();
    const std::string sourcePath = testing::SqliteShop(pair.source, false);
    const std::string destinationPath = testing::SqliteShop(pair.destination, true);
    if (HasFatalFailure()) return;

    wizard::TextStatus status;
    wizard::RunContext ctx(status);
    ctx.source = SqliteSide(sourcePath);
    ctx.destination = SqliteSide(destinationPath);
    ASSERT_TRUE(wizard::RunConnectionCheck(ctx).succeeded) << status.txtConnect;
    const wizard::StepOutcome run = wizard::RunTransfer(ctx);
    ASSERT_TRUE(run.succeeded) << status.txtStep2;
    // Every default country of the fixtures resolves.
    EXPECT_EQ(ctx.strWarnings, "");

    db::Connection source, destination;
    source.Open("Provider=SQLite;Data Source=" + sourcePath);
    destination.Open("Provider=SQLite;Data Source=" + destinationPath);
    const bool old = ctx.source.Version < 5.0f;
    for (const auto& [table, selected] : ctx.settings.CopyTableList.Entries()) {
        long expected = Count(source, "SELECT COUNT(*) FROM " + table);
        // The jobs add to three tables after the copy.
        if (old && table == "tblQuillmartNews") expected += 16;
        if (old && table == "tblQuillmartShippingMethods") expected += 1;
        if (old && table == "tblQuillmartShippingRates") expected += 1;
        EXPECT_EQ(Count(destination, "SELECT COUNT(*) FROM " + table), expected) << table;
    }
    if (old) {
        // Tables a 4.x shop does not have keep the new shop's rows, except the logins.
        EXPECT_EQ(Count(destination, "SELECT COUNT(*) FROM tblQuillmartLogins WHERE LOGIN_Username = '" +
                                         Config(source, "backendlogin") + "'"),
                  1);
    }
    EXPECT_EQ(Config(destination, "pricesinctax"), ctx.source.Version < 4.7f ? "n" : "y");
    EXPECT_EQ(Config(destination, "productimagefolder"), "http://www.example.com/images/products/");
    EXPECT_EQ(Config(destination, "uploadsfolder"), "http://www.example.com/ASP/uploads/");
    EXPECT_EQ(Config(destination, "defaultcountry"), ctx.source.Version < 4.7f ? "12" : Config(source, "defaultcountry"));
    EXPECT_EQ(Config(destination, "defaultcurrency"), "1");
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

INSTANTIATE_TEST_SUITE_P(Fixtures, ShopTransfer, ::testing::ValuesIn(AllowedPairs()),
                         [](const ::testing::TestParamInfo<Pair>& info) {
                             std::string name = std::string("From") + info.param.source + "To" +
                                                info.param.destination;
                             for (char& c : name)
                                 if (c == '.') c = '_';
                             return name;
                         });

}  // namespace
}  // namespace qdt::data
