// Detection reads only table names and column names, so a recording
// connection stands in for every engine; the whole-run tests detect real shops.
#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "support/RecordingConnection.h"

namespace qdt::data {
namespace {

using Statements = std::vector<std::string>;

// The newest marker column present names the version; each probe reads one
// row, and the last one stays in strQuery.
TEST(QuillmartVersion, NewestMarkerColumnPresentNamesTheVersion) {
    struct Case {
        DatabaseKind kind;
        std::vector<std::string> orderNumberColumns;
        std::vector<std::string> versionColumns;
        float expected;
    };
    const Case cases[] = {
        {kSqlite, {"ON_ID", "ON_Total"}, {"V_ID"}, 4.5f},
        {kAccess, {"ON_ID", "ON_WishList"}, {"V_ID"}, 4.6f},
        {kSqlServer, {"ON_ID", "ON_WishList", "ON_CouponCode"}, {"V_ID"}, 4.7f},
        {kMySql, {"ON_CouponCode", "ON_WishList"}, {"V_ID"}, 4.7f},
        {kSqlite, {"ON_WishList", "ON_PaymentGateWay", "ON_CouponCode"}, {"V_ID"}, 5.0f},
        {kAccess, {"ON_PaymentGateWay", "ON_OrderHandlingCharge"}, {"V_ID"}, 5.1f},
        {kSqlite, {"ON_ID"}, {"V_ID", "V_RRP"}, 5.104f},
        {kMySql, {"ON_OrderHandlingCharge", "ON_WishList"}, {"V_RRP"}, 5.104f},
        // Column names compare case-sensitively: these are not the marker columns.
        {kSqlServer, {"ON_PaymentGateway", "on_couponcode"}, {"v_rrp"}, 4.5f},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.orderNumberColumns) + ::testing::PrintToString(c.versionColumns));
        const bool limit = c.kind == kMySql || c.kind == kSqlite;
        const std::string orders = limit ? "SELECT * FROM tblQuillmartOrderNumbers LIMIT 0, 1"
                                         : "SELECT TOP 1 * FROM tblQuillmartOrderNumbers";
        const std::string versions =
            limit ? "SELECT * FROM tblQuillmartVersions LIMIT 0, 1" : "SELECT TOP 1 * FROM tblQuillmartVersions";
        test::RecordingConnection rec;
        rec.Answer(orders, {c.orderNumberColumns, {}, {}}).Answer(versions, {c.versionColumns, {}, {}});
        auto conn = rec.Open();
        run::TextStatus status;
        run::RunContext ctx(status);
        ConnectionProfile profile;
        profile.Kind = c.kind;
        profile.SystemName = kSystemQuillmart;
        EXPECT_EQ(GetSchemaVersion(ctx, profile, conn), c.expected);
        EXPECT_EQ(rec.Statements(), (Statements{orders, versions}));
        EXPECT_EQ(ctx.strQuery, versions);
        EXPECT_EQ(rec.OpenResults(), 0);
    }
}

TEST(SchemaVersion, CatalogueSystemsHaveFixedVersionsWithoutAQuery) {
    test::RecordingConnection rec;
    auto conn = rec.Open();
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    const std::tuple<std::string, float, const char*> cases[] = {{"VPASP", 5.0f, "5"},   {"Comersus", 5.0f, "5"},
                                                                 {"Actinic", 61.0f, "61"}, {"Flat File", 0.0f, "0"},
                                                                 {"quillmart", 0.0f, "0"}, {"", 0.0f, "0"}};
    for (const auto& [system, version, shown] : cases) {
        profile.SystemName = system;
        EXPECT_EQ(GetSchemaVersion(ctx, profile, conn), version) << system;
        EXPECT_EQ(FormatVersion(version), shown);
    }
    EXPECT_TRUE(rec.Statements().empty());
}

struct SystemCase {
    std::vector<std::string> tables;  // in the order the schema rowset lists them
    const char* expected;
};

TEST(DetectSourceSystem, TableNamesInTheirOrderDecide) {
    const SystemCase cases[] = {
        {{}, "VPASP"},
        {{"products", "categories"}, "VPASP"},
        {{"TBLQUILLMARTPRODUCTS"}, "Quillmart"},  // the prefix ignores case
        {{"tblQuillmar"}, "VPASP"},              // too short for the prefix
        {{"adminStats", "products"}, "Comersus"},
        {{"AdminStats"}, "VPASP"},  // the markers do not
        {{"catalog section"}, "VPASP"},
        // A later Quillmart or Actinic table overrides adminStats ...
        {{"adminStats", "Catalog section"}, "Actinic"},
        {{"adminStats", "tblquillmartX"}, "Quillmart"},
        // ... and the first Quillmart or Actinic table ends the search.
        {{"Catalog section", "tblQuillmartConfig"}, "Actinic"},
        {{"x", "tblQuillmartConfig", "Catalog section"}, "Quillmart"},
        {{"Catalog section", "adminStats"}, "Actinic"},
    };
    for (const SystemCase& c : cases) {
        test::RecordingConnection rec;
        rec.Tables(c.tables);
        auto conn = rec.Open();
        EXPECT_EQ(DetectSourceSystem(conn), c.expected) << ::testing::PrintToString(c.tables);
        EXPECT_TRUE(rec.Statements().empty());
        EXPECT_EQ(rec.OpenResults(), 0) << "schema rowset left open";
    }
}

}  // namespace
}  // namespace qdt::data
