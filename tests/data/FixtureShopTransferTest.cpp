// Every fixture shop goes through the whole run (check, copy, comparison,
// jobs) into every new shop it may be copied into, on SQLite and MariaDB:
// the schemas of the versions fit together and the sample rows reach every
// copy rule. One shop is read as an Access file's snapshot presents it.
#include <gtest/gtest.h>
#include <mdbtools.h>

#include <string>
#include <vector>

#include "data/BoundRows.h"
#include "data/Detection.h"
#include "data/FixtureShops.h"
#include "db/access/AccessSnapshot.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"
#include "wizard/report/RunReport.h"

namespace qdt::data {
namespace {

using test::Config;
using test::Count;

struct Pair {
    const char* source;
    const char* destination;
    bool accessShaped = false;
};

// The run's report of a successful copy: every selected table listed in copy
// order with the source's rows, matched by the destination's count, and the
// detected versions.
void ExpectReportOfCopy(const wizard::report::RunReport& report, const run::RunContext& ctx, db::Connection& source,
                        const Pair& pair) {
    EXPECT_EQ(report.outcome, wizard::report::Outcome::kSucceeded);
    EXPECT_EQ(report.source.system, "Quillmart");
    EXPECT_EQ(report.source.version, pair.source);
    EXPECT_EQ(report.destination.version, pair.destination);
    const auto& selected = ctx.settings.CopyTableList.Entries();
    ASSERT_EQ(report.tables.size(), selected.size());
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const wizard::report::ReportTable& t = report.tables[i];
        EXPECT_EQ(t.table, selected[i].first);
        EXPECT_EQ(t.rowsRead, Count(source, "SELECT COUNT(*) FROM " + t.table)) << t.table;
        EXPECT_EQ(t.rowsAfter.value_or(-1), t.rowsRead) << t.table;
    }
}

// The columns whose values a copy rule changes on the way.
bool ChangedByARule(const std::string& column) {
    for (const char* c : {"AF_Country", "CD_ShippingCountry", "CD_CardholderCountry", "ML_HTML", "N_content",
                          "V_DownLoadURL", "PT_ShortenedFormat"})
        if (column == c) return true;
    return false;
}

// Every column that keeps its name holds, row by row, the value it had in the
// source (rows matched by their order on the first column).
void ExpectSameValues(db::Connection& source, db::Connection& destination, const std::string& table) {
    const long sourceRows = Count(source, "SELECT COUNT(*) FROM " + table);
    auto src = source.Execute("SELECT * FROM " + table + " ORDER BY 1");
    std::string list;
    {
        auto probe = destination.Execute("SELECT * FROM " + table + " LIMIT 0, 1");
        for (const db::Field& f : src->AllFields()) {
            bool present = false;
            for (const db::Field& g : probe->AllFields()) present |= f.Name() == g.Name();
            if (present && !ChangedByARule(f.Name())) list += (list.empty() ? "" : ", ") + f.Name();
        }
    }
    if (list.empty()) return;
    auto dst = destination.Execute("SELECT " + list + " FROM " + table + " ORDER BY 1 LIMIT " +
                                   std::to_string(sourceRows));
    long row = 0;
    for (; !src->Eof() && !dst->Eof(); src->MoveNext(), dst->MoveNext(), ++row)
        for (const db::Field& f : dst->AllFields())
            EXPECT_EQ(f.Value().ToText(), src->Fields(f.Name()).Value().ToText())
                << table << " row " << row << " column " << f.Name();
    EXPECT_EQ(row, sourceRows) << table;
}

// The Access type a column of the generated shop would have in an Access file.
db::access::MdbColumnInfo AccessColumn(const std::string& name, const std::string& sqliteType) {
    db::access::MdbColumnInfo c;
    c.name = name;
    if (name == "ON_WishList") c.mdbType = MDB_BOOL;
    else if (sqliteType.rfind("VARCHAR(", 0) == 0) c.mdbType = MDB_TEXT, c.length = std::stoi(sqliteType.substr(8));
    else if (sqliteType == "LONGTEXT") c.mdbType = MDB_MEMO;
    else if (sqliteType.rfind("DECIMAL", 0) == 0) c.mdbType = MDB_MONEY;
    else if (sqliteType == "DATETIME") c.mdbType = MDB_DATETIME;
    else if (sqliteType == "DOUBLE") c.mdbType = MDB_DOUBLE;
    else c.mdbType = MDB_LONGINT;
    return c;
}

// A shop laid out as the snapshot of an Access file holds it: each column
// declared as the snapshot declares its Access type (text and memo compared
// without case, currency, yes/no), so the run reads Access type codes.
std::string AccessShapedShop(const std::string& plain) {
    const std::string path = test::NewSqliteFile("access-shaped.sqlite");
    db::Connection conn = test::OpenSqlite(path);
    conn.Execute("ATTACH DATABASE '" + plain + "' AS plain");
    std::vector<std::string> tables;
    for (auto rs = conn.Execute("SELECT name FROM plain.sqlite_master WHERE type = 'table'"); !rs->Eof(); rs->MoveNext())
        tables.push_back(rs->Fields(0).Value().ToText());
    for (const std::string& table : tables) {
        std::string columns;
        for (auto rs = conn.Execute("SELECT name, type FROM pragma_table_info('" + table + "', 'plain')"); !rs->Eof();
             rs->MoveNext()) {
            const std::string name = rs->Fields(0).Value().ToText();
            columns += (columns.empty() ? "" : ", ") + name + " " +
                       db::access::DeclaredType(AccessColumn(name, rs->Fields(1).Value().ToText()));
        }
        conn.Execute("CREATE TABLE " + table + " (" + columns + ")");
        conn.Execute("INSERT INTO " + table + " SELECT * FROM plain." + table);
    }
    return path;
}

// Into MariaDB, whose strict mode refuses what SQLite lets pass: a text in a
// number column, or a column named twice (a 5.0 shop already has the display
// type the 5.0 to 5.1 upgrade adds).
void RunsToTheEndIntoMySql(const Pair& pair, const std::string& sourcePath) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    test::ScratchMySqlDatabase scratch(server, "fixture_transfer");
    {
        db::Connection conn;
        conn.Open(scratch.Server().ConnectionString());
        testing::RunShopScript(conn, testing::ShopScript("mysql", pair.destination, true));
    }
    if (::testing::Test::HasFatalFailure()) return;
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = test::SqliteSide(sourcePath);
    ctx.destination = scratch.Server().Profile();
    EXPECT_TRUE(wizard::RunConnectionCheck(ctx).succeeded) << status.txtConnect;
    EXPECT_EQ(data::FormatVersion(ctx.destination.Version), pair.destination);
    wizard::report::RunReport report;
    EXPECT_TRUE(wizard::RunTransfer(ctx, {false, &report}).succeeded) << status.txtStep2;
    db::Connection source = test::OpenSqlite(sourcePath);
    ExpectReportOfCopy(report, ctx, source, pair);
}

class ShopTransfer : public ::testing::TestWithParam<Pair> {};

TEST_P(ShopTransfer, RunsToTheEndAndCarriesEveryRow) {
    const Pair& pair = GetParam();
    const std::string plainPath = testing::SqliteShop(pair.source, false);
    const std::string sourcePath = pair.accessShaped ? AccessShapedShop(plainPath) : plainPath;
    const std::string destinationPath = testing::SqliteShop(pair.destination, true);
    if (HasFatalFailure()) return;

    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = test::SqliteSide(sourcePath);
    ctx.destination = test::SqliteSide(destinationPath);
    ASSERT_TRUE(wizard::RunConnectionCheck(ctx).succeeded) << status.txtConnect;
    EXPECT_EQ(data::FormatVersion(ctx.source.Version), pair.source);
    EXPECT_EQ(data::FormatVersion(ctx.destination.Version), pair.destination);
    std::vector<std::string> tables;
    for (const auto& entry : ctx.settings.CopyTableList.Entries()) tables.push_back(entry.first);
    {
        run::RunContext copying = ctx;
        db::Connection read = test::OpenSqlite(sourcePath);
        const testing::RowCounts counts = testing::ExpectBoundAsText(copying, read, destinationPath, tables);
        // Nearly all rows take the bound way, so the comparison means something.
        EXPECT_GT(counts.bound, 20u);
        EXPECT_GE(counts.bound * 10, (counts.bound + counts.asText) * 9) << counts.asText << " as text";
    }
    wizard::report::RunReport report;
    ASSERT_TRUE(wizard::RunTransfer(ctx, {false, &report}).succeeded) << status.txtStep2;
    // Every default country of the fixtures resolves.
    EXPECT_EQ(ctx.strWarnings, "");

    // The values as the script wrote them, read without the Access types.
    db::Connection source = test::OpenSqlite(plainPath);
    db::Connection destination = test::OpenSqlite(destinationPath);
    const bool old = ctx.source.Version < 5.0f;
    for (const std::string& table : tables) {
        long expected = Count(source, "SELECT COUNT(*) FROM " + table);
        // The jobs add to three tables after the copy.
        if (old && table == "tblQuillmartNews") expected += 16;
        if (old && (table == "tblQuillmartShippingMethods" || table == "tblQuillmartShippingRates")) expected += 1;
        EXPECT_EQ(Count(destination, "SELECT COUNT(*) FROM " + table), expected) << table;
        ExpectSameValues(source, destination, table);
    }
    ExpectReportOfCopy(report, ctx, source, pair);
    if (old) {
        // The jobs: the old shop's login replaces every login of the new one,
        // and the download rate belongs to the method added with it.
        EXPECT_EQ(Count(destination, "SELECT COUNT(*) FROM tblQuillmartLogins"), 1);
        EXPECT_EQ(Count(destination, "SELECT COUNT(*) FROM tblQuillmartLogins WHERE LOGIN_Username = '" +
                                         Config(source, "backendlogin") + "'"),
                  1);
        EXPECT_EQ(Count(destination,
                        "SELECT COUNT(*) FROM tblQuillmartShippingRates r JOIN tblQuillmartShippingMethods m "
                        "ON r.S_ShippingMethod = m.SM_ID WHERE m.SM_Name1 = 'No Shipping Required' "
                        "AND r.S_Boundary = 999999"),
                  1);
    }
    EXPECT_EQ(Config(destination, "pricesinctax"), ctx.source.Version < 4.7f ? "n" : "y");
    EXPECT_EQ(Config(destination, "productimagefolder"), "http://www.example.com/images/products/");
    EXPECT_EQ(Config(destination, "uploadsfolder"), "http://www.example.com/ASP/uploads/");
    EXPECT_EQ(Config(destination, "defaultcountry"),
              ctx.source.Version < 4.7f ? "12" : Config(source, "defaultcountry"));
    EXPECT_EQ(Config(destination, "defaultcurrency"), "1");

    RunsToTheEndIntoMySql(pair, sourcePath);
}

// Every allowed pair, and the Access-typed shops into the newest shop.
std::vector<Pair> PairsToRun() {
    const std::vector<const char*> sources = {"4.5", "4.6", "4.7", "5", "5.1", "5.104"};
    const std::vector<const char*> destinations = {"5", "5.1", "5.104"};
    std::vector<Pair> pairs;
    for (std::size_t s = 0; s < sources.size(); ++s)
        for (std::size_t d = 0; d < destinations.size(); ++d)
            if (s <= d + 3) pairs.push_back({sources[s], destinations[d]});
    pairs.push_back({"4.6", "5.104", true});
    pairs.push_back({"5.1", "5.104", true});
    return pairs;
}

std::string PairName(const ::testing::TestParamInfo<Pair>& info) {
    std::string name = std::string(info.param.accessShaped ? "AccessShaped" : "") + "From" + info.param.source +
                       "To" + info.param.destination;
    for (char& c : name)
        if (c == '.') c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ShopTransfer, ::testing::ValuesIn(PairsToRun()), PairName);

}  // namespace
}  // namespace qdt::data
