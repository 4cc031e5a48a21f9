// Every fixture shop goes through the whole run (check, copy, comparison,
// jobs) into every new shop it may be copied into, on SQLite: the schemas of
// the versions fit together and the sample rows reach every copy rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/run/ConnectionProfile.h"
#include "data/FixtureShops.h"
#include "db/Connection.h"
#include "support/TestEnv.h"
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

// The columns whose values a copy rule changes on the way.
bool ChangedByARule(const std::string& column) {
    static const char* const kChanged[] = {"AF_Country", "CD_ShippingCountry", "CD_CardholderCountry", "ML_HTML",
                                           "N_content",  "V_DownLoadURL",      "PT_ShortenedFormat"};
    for (const char* c : kChanged)
        if (column == c) return true;
    return false;
}

// Every column that keeps its name holds, row by row, the value it had in the
// source (rows matched by their order on the first column).
void ExpectSameValues(db::Connection& source, db::Connection& destination, const std::string& table,
                      std::size_t sourceRows) {
    auto src = source.Execute("SELECT * FROM " + table + " ORDER BY 1");
    std::vector<std::string> shared;
    {
        auto probe = destination.Execute("SELECT * FROM " + table + " LIMIT 0, 1");
        for (const db::Field& f : src->AllFields()) {
            bool present = false;
            for (const db::Field& g : probe->AllFields()) present |= f.Name() == g.Name();
            if (present && !ChangedByARule(f.Name())) shared.push_back(f.Name());
        }
    }
    if (shared.empty()) return;
    std::string list;
    for (const auto& c : shared) list += (list.empty() ? "" : ", ") + c;
    auto dst = destination.Execute("SELECT " + list + " FROM " + table + " ORDER BY 1 LIMIT " +
                                   std::to_string(sourceRows));
    std::size_t row = 0;
    for (; !src->Eof() && !dst->Eof(); src->MoveNext(), dst->MoveNext(), ++row)
        for (const auto& c : shared)
            EXPECT_EQ(dst->Fields(c).Value().ToText(), src->Fields(c).Value().ToText())
                << table << " row " << row << " column " << c;
    EXPECT_EQ(row, sourceRows) << table;
}

class ShopTransfer : public ::testing::TestWithParam<Pair> {};

TEST_P(ShopTransfer, RunsToTheEndAndCarriesEveryRow) {
    const Pair& pair = GetParam();
    const std::string sourcePath = testing::SqliteShop(pair.source, false);
    const std::string destinationPath = testing::SqliteShop(pair.destination, true);
    if (HasFatalFailure()) return;

    run::TextStatus status;
    run::RunContext ctx(status);
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
        ExpectSameValues(source, destination, table, Count(source, "SELECT COUNT(*) FROM " + table));
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
    EXPECT_EQ(Config(destination, "defaultcountry"),
              ctx.source.Version < 4.7f ? "12" : Config(source, "defaultcountry"));
    EXPECT_EQ(Config(destination, "defaultcurrency"), "1");
}

// Into MariaDB.
class ShopTransferToMySql : public ::testing::TestWithParam<Pair> {};

TEST_P(ShopTransferToMySql, RunsToTheEnd) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    const Pair& pair = GetParam();
    const std::string sourcePath = testing::SqliteShop(pair.source, false);
    if (HasFatalFailure()) return;
    test::MySqlServer scratch = server;
    scratch.database = "qdt_fixture_transfer";
    db::Connection admin;
    admin.Open(server.ConnectionString());
    admin.Execute("DROP DATABASE IF EXISTS qdt_fixture_transfer");
    admin.Execute("CREATE DATABASE qdt_fixture_transfer CHARACTER SET utf8mb4");
    {
        db::Connection conn;
        conn.Open(scratch.ConnectionString());
        testing::RunShopScript(conn, testing::ShopScript("mysql", pair.destination, true));
    }
    if (!HasFatalFailure()) {
        run::TextStatus status;
        run::RunContext ctx(status);
        ctx.source = SqliteSide(sourcePath);
        ctx.destination.Kind = kMySql;
        ctx.destination.Server = scratch.host + ":" + std::to_string(scratch.port);
        ctx.destination.Database = scratch.database;
        ctx.destination.User = scratch.user;
        ctx.destination.Password = scratch.password;
        ctx.destination.DateDelimiter = "'";
        EXPECT_TRUE(wizard::RunConnectionCheck(ctx).succeeded) << status.txtConnect;
        // MariaDB's strict mode refuses what SQLite lets pass: a text in a
        // number column, or a column named twice (a 5.0 shop already has the
        // display type the 5.0 to 5.1 upgrade adds).
        EXPECT_TRUE(wizard::RunTransfer(ctx).succeeded) << status.txtStep2;
    }
    admin.Execute("DROP DATABASE qdt_fixture_transfer");
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

std::string PairName(const ::testing::TestParamInfo<Pair>& info) {
    std::string name = std::string("From") + info.param.source + "To" + info.param.destination;
    for (char& c : name)
        if (c == '.') c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ShopTransfer, ::testing::ValuesIn(AllowedPairs()), PairName);
INSTANTIATE_TEST_SUITE_P(Fixtures, ShopTransferToMySql, ::testing::ValuesIn(AllowedPairs()), PairName);

}  // namespace
}  // namespace qdt::data
