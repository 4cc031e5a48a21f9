#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "data/FixtureShops.h"
#include "data/run/TextStatus.h"
#include "db/Connection.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"

namespace qdt::importers::testing {

using Lines = std::vector<std::string>;

using test::Files;
using ::testing::HasSubstr;

// Writes each file, by its path under the folder.
inline void WriteFiles(const std::string& folder, const std::map<std::string, std::string>& files) {
    for (const auto& [path, content] : files) test::WriteFile(folder + "/" + path, content);
}

// What a whole run left: its status lines (the check's, when that failed) and its warnings.
struct Outcome {
    bool succeeded = false;
    std::string log, warnings;
};

// A whole run as the wizard takes it: the check first when the source's system
// is not yet known, then the transfer with the source system's image setting.
inline Outcome Transfer(const data::ConnectionProfile& source, const data::ConnectionProfile& destination,
                        data::ImageSystem system = data::kImagesFlatFile, data::ImageCopySetting images = {}) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = source;
    ctx.destination = destination;
    if (source.SystemName.empty() && !wizard::RunConnectionCheck(ctx).succeeded) return {false, status.txtConnect, ""};
    ctx.settings.ImageCopySettings[system] = std::move(images);
    const bool succeeded = wizard::RunTransfer(ctx).succeeded;
    return {succeeded, status.txtStep2, ctx.strWarnings};
}

inline Lines Rows(db::Connection& conn, const std::string& sql) {
    Lines rows;
    auto rs = conn.Execute(sql);
    for (; !rs->Eof(); rs->MoveNext()) {
        std::string row;
        for (const db::Field& f : rs->AllFields()) row += (row.empty() ? "" : "|") + f.Value().ToText();
        rows.push_back(row);
    }
    return rows;
}

// How many categories, products, versions, category links and related products the shop holds.
inline std::string Counts(db::Connection& conn) {
    return Rows(conn, "SELECT (SELECT COUNT(*) FROM tblQuillmartProdtype), (SELECT COUNT(*) FROM "
                      "tblQuillmartProducts), (SELECT COUNT(*) FROM tblQuillmartVersions), (SELECT COUNT(*) FROM "
                      "tblQuillmartProductProdTypeLink), (SELECT COUNT(*) FROM tblQuillmartRelatedProducts)")
        .at(0);
}

// Every row of every table an import writes.
inline Lines Everything(db::Connection& conn) {
    Lines rows;
    for (const char* table : {"tblQuillmartProdtype", "tblQuillmartProducts", "tblQuillmartVersions",
                              "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates",
                              "tblQuillmartConfig"})
        for (const std::string& row : Rows(conn, std::string("SELECT * FROM ") + table + " ORDER BY 1, 2"))
            rows.push_back(table + ("|" + row));
    return rows;
}

// A blank 5.104 shop to import into: a SQLite file, or a database of its own
// on the test MariaDB server (destination "mysql...").
class ImportShop {
public:
    // Call through ASSERT_NO_FATAL_FAILURE: it skips or fails when no server answers.
    void Make(const std::string& destination) {
        if (destination.rfind("mysql", 0) == 0) {
            QDT_REQUIRE_MYSQL_SERVER(server);
            // One database per test, so that tests run side by side do not meet.
            const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
            database_ = std::make_unique<test::ScratchMySqlDatabase>(
                server, "importer_" + std::to_string(std::hash<std::string>{}(std::string(info->test_suite_name()) +
                                                                                 info->name()) %
                                                         1000000));
            profile = database_->Server().Profile();
            profile.ConnectionString = data::GetConnectionString(profile);
            db::Connection conn = Open();
            data::testing::RunShopScript(conn, data::testing::ShopScript("mysql", "5.104", true));
        } else {
            profile.Kind = data::kSqlite;
            profile.Database = data::testing::SqliteShop("5.104", true);
            profile.ConnectionString = data::GetConnectionString(profile);
        }
    }

    db::Connection Open() const {
        db::Connection conn;
        conn.Open(profile.ConnectionString);
        return conn;
    }

    data::ConnectionProfile profile;

private:
    std::unique_ptr<test::ScratchMySqlDatabase> database_;
};

// The engines of a "source>destination" parameter, and the test's name for it.
inline std::string Source(const std::string& engines) { return engines.substr(0, engines.find('>')); }
inline std::string Destination(const std::string& engines) { return engines.substr(engines.find('>') + 1); }
inline std::string EnginesName(const ::testing::TestParamInfo<std::string>& info) {
    return Source(info.param) + "To" + Destination(info.param);
}

// A whole-run test: its folder, with the source's images in "images" and the
// shop's in "uploads", and the blank shop it imports into.
class RunTest : public ::testing::Test {
protected:
    Outcome Run(const data::ConnectionProfile& source, data::ImageSystem system, bool copyImages = true) const {
        return Transfer(source, shop_.profile, system, {copyImages, root_ + "/images", uploads_});
    }

    const std::string root_ = test::TempDir(), uploads_ = root_ + "/uploads";
    ImportShop shop_;
};

}  // namespace qdt::importers::testing
