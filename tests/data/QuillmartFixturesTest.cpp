// The Quillmart shop scripts in tests/fixtures/quillmart load through the
// tool's own script runner, are recognised as the version they claim to be,
// and hold the rows the copy, comparison and job tests rely on.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "data/ConversionSettings.h"
#include "data/Detection.h"
#include "data/FixtureShops.h"
#include "db/Connection.h"
#include "support/TestEnv.h"
#include "data/run/TextStatus.h"

namespace qdt::data {
namespace {

using testing::RunShopScript;
using testing::ShopScript;

struct Script {
    const char* version;
    float expected;
    bool blank;

    std::string File(const std::string& dialect) const { return ShopScript(dialect, version, blank); }
    std::string Name() const {
        std::string name = std::string("V") + version + (blank ? "Blank" : "");
        for (char& c : name)
            if (c == '.') c = '_';
        return name;
    }
};

const std::vector<Script> kScripts = {
    {"4.5", 4.5f, false},     {"4.6", 4.6f, false}, {"4.7", 4.7f, false}, {"5", 5.0f, false},      {"5.1", 5.1f, false},
    {"5.104", 5.104f, false}, {"5", 5.0f, true},    {"5.1", 5.1f, true},  {"5.104", 5.104f, true},
};

// The tables a run copies from and compares with a shop of this version.
ConversionSettings SettingsFor(float version) {
    ConnectionProfile source, destination;
    source.SystemName = kSystemQuillmart;
    source.Version = version;
    destination.Version = 5.104f;
    ConversionSettings settings;
    PrepareConversionSettings(settings, source, destination);
    return settings;
}

db::Connection LoadSqlite(const Script& s) {
    db::Connection conn;
    conn.Open("Provider=SQLite;Data Source=" + testing::SqliteShop(s.version, s.blank));
    return conn;
}

float DetectedVersion(db::Connection& conn, DatabaseKind kind) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    profile.Kind = kind;
    return GetQuillmartVersion(ctx, profile, conn);
}

long Count(db::Connection& conn, const std::string& sql) {
    auto rs = conn.Execute(sql);
    return static_cast<long>(rs->Fields(0).Value().ToInteger());
}

std::string Config(db::Connection& conn, const std::string& key) {
    auto rs = conn.Execute("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = '" + key + "'");
    return rs->Eof() ? "<missing>" : rs->Fields(0).Value().ToText();
}

class SqliteScript : public ::testing::TestWithParam<Script> {};

TEST_P(SqliteScript, LoadsAndIsDetectedAsItsVersion) {
    const Script& s = GetParam();
    db::Connection conn = LoadSqlite(s);
    if (HasFatalFailure()) return;
    EXPECT_EQ(DetectSourceSystem(conn), kSystemQuillmart);
    EXPECT_EQ(DetectedVersion(conn, kSqlite), s.expected);
}

TEST_P(SqliteScript, HasEveryTableTheRunReadsOrWrites) {
    const Script& s = GetParam();
    db::Connection conn = LoadSqlite(s);
    if (HasFatalFailure()) return;
    const ConversionSettings settings = SettingsFor(s.expected);
    ASSERT_GT(settings.CopyTableList.Count(), 0u);
    for (const auto& [table, selected] : settings.CopyTableList.Entries()) {
        const long rows = Count(conn, "SELECT COUNT(*) FROM " + table);
        // A shop has rows in every copied table, so no copy rule goes untried.
        if (!s.blank) {
            EXPECT_GT(rows, 0) << table;
        }
    }
    for (const auto& [table, selected] : settings.CompareTableList.Entries()) {
        EXPECT_GT(Count(conn, "SELECT COUNT(*) FROM " + table), 0) << table;
    }
    const std::vector<std::string> keys = {"defaultcountry", "backendlogin", "backendpassword", "pricesinctax"};
    for (const std::string& key : keys) EXPECT_NE(Config(conn, key), "<missing>") << key;
    if (s.expected >= 5.0f) {
        EXPECT_NE(Config(conn, "backendlanguage"), "<missing>");
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, SqliteScript, ::testing::ValuesIn(kScripts),
                         [](const ::testing::TestParamInfo<Script>& info) { return info.param.Name(); });

std::multiset<std::string> Column(db::Connection& conn, const std::string& sql) {
    std::multiset<std::string> values;
    for (auto rs = conn.Execute(sql); !rs->Eof(); rs->MoveNext())
        values.insert(rs->Fields(0).Value().IsNull() ? "<null>" : rs->Fields(0).Value().ToText());
    return values;
}

TEST(QuillmartShopRows, OldShopsGiveCountriesByNameByNumberAndUnknown) {
    for (const char* version : {"4.5", "4.6", "4.7"}) {
        db::Connection conn = LoadSqlite({version, 0, false});
        if (HasFatalFailure()) return;
        std::set<std::string> countries;
        for (const char* sql : {"SELECT AF_Country FROM tblQuillmartAffiliates",
                                "SELECT CD_ShippingCountry FROM tblQuillmartCardHolderDetails",
                                "SELECT CD_CardholderCountry FROM tblQuillmartCardHolderDetails"})
            for (const std::string& c : Column(conn, sql)) countries.insert(c);
        bool known = false, number = false, unknown = false;
        for (const std::string& c : countries) {
            if (!c.empty() && c.find_first_not_of("0123456789") == std::string::npos)
                number = true;
            else if (Count(conn, "SELECT COUNT(*) FROM tblQuillmartDestination WHERE D_Destination = '" + c + "'") > 0)
                known = true;
            else
                unknown = true;
        }
        EXPECT_TRUE(known && number && unknown) << version;
        EXPECT_EQ(Column(conn, "SELECT D_ID FROM tblQuillmartDestination WHERE D_Destination = 'United Kingdom'"),
                  std::multiset<std::string>{"12"})
            << version;
    }
}

TEST(QuillmartShopRows, Version47HasEveryDisplayAndDownloadCase) {
    db::Connection conn = LoadSqlite({"4.7", 4.7f, false});
    if (HasFatalFailure()) return;
    EXPECT_EQ(Column(conn, "SELECT PT_ShortenedFormat FROM tblQuillmartProdtype"),
              (std::multiset<std::string>{"y", "n", "<null>"}));
    auto urls = Column(conn, "SELECT V_DownLoadURL FROM tblQuillmartVersions");
    EXPECT_EQ(urls.count(""), 1u);
    EXPECT_GE(urls.count("<null>"), 1u);
    EXPECT_EQ(urls.count("http://downloads.example.com/tea-guide.pdf"), 1u);
}

TEST(QuillmartShopRows, SettingsThatTheComparisonTreatsSpecially) {
    db::Connection v46 = LoadSqlite({"4.6", 4.6f, false});
    db::Connection v47 = LoadSqlite({"4.7", 4.7f, false});
    if (HasFatalFailure()) return;
    EXPECT_EQ(Config(v46, "defaultcountry"), "United Kingdom");
    EXPECT_EQ(Config(v47, "defaultcountry"), "5");
    EXPECT_EQ(Config(v46, "backendpassword"), "o'brien46");
    EXPECT_NE(Config(v46, "productimagefolder").find("/asp/images/"), std::string::npos);
    EXPECT_NE(Config(v46, "uploadsfolder").find("/ASP/"), std::string::npos);
}

// A comparison only updates rows the new shop already has, so a blank shop
// must carry the keys of the older ones.
TEST(QuillmartShopRows, BlankShopsHoldTheKeysOfOlderShops) {
    db::Connection old = LoadSqlite({"4.7", 4.7f, false});
    if (HasFatalFailure()) return;
    const auto oldKeys = Column(old, "SELECT CFG_Name FROM tblQuillmartConfig WHERE CFG_Name <> 'stylesheet'");
    const auto oldStrings = Column(old, "SELECT LS_ID FROM tblQuillmartLanguageStrings WHERE LS_ID <> 99");
    for (const Script& s : kScripts) {
        if (!s.blank) continue;
        db::Connection blank = LoadSqlite(s);
        if (HasFatalFailure()) return;
        const auto keys = Column(blank, "SELECT CFG_Name FROM tblQuillmartConfig");
        for (const std::string& key : oldKeys) EXPECT_EQ(keys.count(key), 1u) << s.version << " " << key;
        for (int k = 1; k <= 5; ++k) {
            const auto ids = Column(blank, "SELECT LS_ID FROM tblQuillmartLanguageStrings" + std::to_string(k));
            for (const std::string& id : oldStrings) EXPECT_EQ(ids.count(id), 1u) << s.version << " " << k << " " << id;
        }
    }
}

class MySqlScript : public ::testing::TestWithParam<Script> {};

TEST_P(MySqlScript, LoadsAndIsDetectedAsItsVersion) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    test::MySqlServer scratch = server;
    scratch.database = "qdt_fixtures";
    {
        db::Connection admin;
        admin.Open(server.ConnectionString());
        admin.Execute("DROP DATABASE IF EXISTS qdt_fixtures");
        admin.Execute("CREATE DATABASE qdt_fixtures CHARACTER SET utf8mb4");
    }
    {
        db::Connection conn;
        conn.Open(scratch.ConnectionString());
        RunShopScript(conn, GetParam().File("mysql"));
        if (!HasFatalFailure()) {
            EXPECT_EQ(DetectSourceSystem(conn), kSystemQuillmart);
            EXPECT_EQ(DetectedVersion(conn, kMySql), GetParam().expected);
            if (!GetParam().blank) {
                // Quotes and accents arrive intact through the runner and the driver.
                auto rs = conn.Execute("SELECT * FROM tblQuillmartDestination WHERE D_ID = 7");
                const char* column = GetParam().expected < 5.0f ? "D_Destination" : "D_Destination1";
                EXPECT_EQ(rs->Eof() ? "<missing>" : rs->Fields(column).Value().ToText(), "C\xC3\xB4te d'Ivoire");
            }
        }
    }
    db::Connection admin;
    admin.Open(server.ConnectionString());
    admin.Execute("DROP DATABASE qdt_fixtures");
}

INSTANTIATE_TEST_SUITE_P(Fixtures, MySqlScript, ::testing::ValuesIn(kScripts),
                         [](const ::testing::TestParamInfo<Script>& info) { return info.param.Name(); });

}  // namespace
}  // namespace qdt::data
