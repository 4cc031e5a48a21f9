#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/ScratchDatabase.h"
#include "db/Error.h"
#include "support/RecordingConnection.h"
#include "data/run/TextStatus.h"

namespace qdt::data {
namespace {

using testing::ScratchDatabase;

struct VersionCase {
    const char* name;
    std::string orderNumberColumns;
    std::string versionColumns;
    float expected;
};

class QuillmartVersionOnSqlite : public ::testing::TestWithParam<VersionCase> {};

TEST_P(QuillmartVersionOnSqlite, NewestColumnPresentNamesTheVersion) {
    const VersionCase& c = GetParam();
    auto conn = ScratchDatabase({"CREATE TABLE tblQuillmartOrderNumbers (" + c.orderNumberColumns + ")",
                                 "CREATE TABLE tblQuillmartVersions (" + c.versionColumns + ")"});
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    profile.Kind = kSqlite;
    EXPECT_EQ(GetQuillmartVersion(ctx, profile, conn), c.expected);
    EXPECT_EQ(ctx.strQuery, "SELECT * FROM tblQuillmartVersions LIMIT 0, 1");
}

INSTANTIATE_TEST_SUITE_P(
    DecisionTable, QuillmartVersionOnSqlite,
    ::testing::Values(
        VersionCase{"None", "ON_ID INTEGER, ON_Total DOUBLE", "V_ID INTEGER", 4.5f},
        VersionCase{"WishList", "ON_ID INTEGER, ON_WishList INTEGER", "V_ID INTEGER", 4.6f},
        VersionCase{"WishListAndCoupon", "ON_ID INTEGER, ON_WishList INTEGER, ON_CouponCode TEXT", "V_ID INTEGER",
                    4.7f},
        VersionCase{"CouponBeforeWishList", "ON_CouponCode TEXT, ON_WishList INTEGER", "V_ID INTEGER", 4.7f},
        VersionCase{"Gateway", "ON_WishList INTEGER, ON_PaymentGateWay TEXT, ON_CouponCode TEXT", "V_ID INTEGER",
                    5.0f},
        VersionCase{"HandlingCharge", "ON_PaymentGateWay TEXT, ON_OrderHandlingCharge DOUBLE", "V_ID INTEGER",
                    5.1f},
        VersionCase{"RrpWinsOverOldOrders", "ON_ID INTEGER", "V_ID INTEGER, V_RRP DOUBLE", 5.104f},
        VersionCase{"RrpWithEverything", "ON_OrderHandlingCharge DOUBLE, ON_WishList INTEGER", "V_RRP DOUBLE",
                    5.104f},
        // Column names compare case-sensitively: these are not the marker columns.
        VersionCase{"OtherCaseGateway", "ON_PaymentGateway TEXT, on_couponcode TEXT", "v_rrp DOUBLE", 4.5f}),
    [](const ::testing::TestParamInfo<VersionCase>& info) { return std::string(info.param.name); });

TEST(QuillmartVersion, MissingTableFailsAndLeavesTheStatement) {
    auto conn = ScratchDatabase({"CREATE TABLE tblQuillmartOrderNumbers (ON_ID INTEGER)"});
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    profile.Kind = kSqlite;
    EXPECT_THROW(GetQuillmartVersion(ctx, profile, conn), db::DatabaseError);
    EXPECT_EQ(ctx.strQuery, "SELECT * FROM tblQuillmartVersions LIMIT 0, 1");
}

TEST(QuillmartVersion, RowsInTheTablesDoNotMatter) {
    auto conn = ScratchDatabase({"CREATE TABLE tblQuillmartOrderNumbers (ON_ID INTEGER, ON_CouponCode TEXT)",
                                 "INSERT INTO tblQuillmartOrderNumbers VALUES (1, 'A'), (2, 'B')",
                                 "CREATE TABLE tblQuillmartVersions (V_ID INTEGER)"});
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    profile.Kind = kSqlite;
    EXPECT_EQ(GetQuillmartVersion(ctx, profile, conn), 4.7f);
}

// The probes are checked as texts: the engines that take them are not all here.
class ProbeTexts : public ::testing::Test {
protected:
    std::vector<std::string> ProbesFor(DatabaseKind kind) {
        test::RecordingConnection rec;
        rec.AnswerPrefix("SELECT TOP 1 * FROM tblQuillmartOrderNumbers", {{"ON_ID", "ON_WishList"}, {3, 3}, {}})
            .AnswerPrefix("SELECT * FROM tblQuillmartOrderNumbers", {{"ON_ID", "ON_WishList"}, {3, 3}, {}})
            .AnswerPrefix("SELECT TOP 1 * FROM tblQuillmartVersions", {{"V_ID"}, {3}, {}})
            .AnswerPrefix("SELECT * FROM tblQuillmartVersions", {{"V_ID"}, {3}, {}});
        auto conn = rec.Open();
        run::TextStatus status;
        run::RunContext ctx(status);
        ConnectionProfile profile;
        profile.Kind = kind;
        EXPECT_EQ(GetQuillmartVersion(ctx, profile, conn), 4.6f) << kind;
        EXPECT_EQ(rec.OpenResults(), 0) << "probes left open for kind " << kind;
        return rec.Statements();
    }
};

TEST_F(ProbeTexts, LimitFormOnlyForMySqlAndSqlite) {
    const std::vector<std::string> top = {"SELECT TOP 1 * FROM tblQuillmartOrderNumbers",
                                          "SELECT TOP 1 * FROM tblQuillmartVersions"};
    const std::vector<std::string> limit = {"SELECT * FROM tblQuillmartOrderNumbers LIMIT 0, 1",
                                            "SELECT * FROM tblQuillmartVersions LIMIT 0, 1"};
    EXPECT_EQ(ProbesFor(kAccess), top);
    EXPECT_EQ(ProbesFor(kSqlServer), top);
    EXPECT_EQ(ProbesFor(kMySql), limit);
    EXPECT_EQ(ProbesFor(kSqlite), limit);
}

TEST(QuillmartVersion, ProviderErrorPassesThrough) {
    test::RecordingConnection rec;
    rec.Fail("SELECT TOP 1 * FROM tblQuillmartVersions", "Invalid object name 'tblQuillmartVersions'.");
    auto conn = rec.Open();
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    profile.Kind = kSqlServer;
    try {
        GetQuillmartVersion(ctx, profile, conn);
        FAIL() << "expected the provider's error";
    } catch (const db::DatabaseError& e) {
        EXPECT_EQ(e.Description(), "Invalid object name 'tblQuillmartVersions'.");
    }
    EXPECT_EQ(ctx.strQuery, "SELECT TOP 1 * FROM tblQuillmartVersions");
}

std::string DetectOnSqlite(const std::vector<std::string>& tables) {
    std::vector<std::string> ddl;
    for (const auto& t : tables) ddl.push_back("CREATE TABLE \"" + t + "\" (id INTEGER)");
    auto conn = ScratchDatabase(ddl);
    return DetectSourceSystem(conn);
}

TEST(DetectSourceSystem, TableNamesDecideOnSqlite) {
    EXPECT_EQ(DetectOnSqlite({}), "VPASP");
    EXPECT_EQ(DetectOnSqlite({"products", "categories"}), "VPASP");
    EXPECT_EQ(DetectOnSqlite({"tblQuillmartConfig"}), "Quillmart");
    EXPECT_EQ(DetectOnSqlite({"TBLQUILLMARTPRODUCTS"}), "Quillmart");
    EXPECT_EQ(DetectOnSqlite({"adminStats", "tblQuillmartConfig"}), "Quillmart");
    EXPECT_EQ(DetectOnSqlite({"adminStats", "products"}), "Comersus");
    EXPECT_EQ(DetectOnSqlite({"Catalog section", "product"}), "Actinic");
}

TEST(DetectSourceSystem, MarkerNamesAreCaseSensitive) {
    EXPECT_EQ(DetectOnSqlite({"AdminStats"}), "VPASP");
    EXPECT_EQ(DetectOnSqlite({"catalog section"}), "VPASP");
    EXPECT_EQ(DetectOnSqlite({"tblQuillmar"}), "VPASP");  // too short for the prefix
}

std::string DetectInOrder(const std::vector<std::string>& tables, int* openAfter = nullptr) {
    test::RecordingConnection rec;
    rec.Tables(tables);
    auto conn = rec.Open();
    std::string system = DetectSourceSystem(conn);
    if (openAfter) *openAfter = rec.OpenResults();
    EXPECT_TRUE(rec.Statements().empty());
    return system;
}

TEST(DetectSourceSystem, OrderOfTheSchemaRows) {
    // A later Quillmart or Actinic table overrides adminStats ...
    EXPECT_EQ(DetectInOrder({"adminStats", "Catalog section"}), "Actinic");
    EXPECT_EQ(DetectInOrder({"adminStats", "tblquillmartX"}), "Quillmart");
    // ... and the first Quillmart or Actinic table ends the search.
    EXPECT_EQ(DetectInOrder({"Catalog section", "tblQuillmartConfig"}), "Actinic");
    EXPECT_EQ(DetectInOrder({"tblQuillmartConfig", "Catalog section"}), "Quillmart");
    EXPECT_EQ(DetectInOrder({"Catalog section", "adminStats"}), "Actinic");
}

TEST(DetectSourceSystem, ClosesTheSchemaRowset) {
    int open = -1;
    DetectInOrder({"x", "tblQuillmartConfig", "y"}, &open);
    EXPECT_EQ(open, 0);
    DetectInOrder({"x", "y"}, &open);
    EXPECT_EQ(open, 0);
}

TEST(SchemaVersion, FixedVersionsOfCatalogueSystemsNeedNoQuery) {
    test::RecordingConnection rec;
    auto conn = rec.Open();
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    profile.Kind = kMySql;
    const std::vector<std::pair<std::string, float>> cases = {
        {"VPASP", 5.0f}, {"Comersus", 5.0f}, {"Actinic", 61.0f}, {"Flat File", 0.0f}, {"quillmart", 0.0f}, {"", 0.0f}};
    for (const auto& [system, version] : cases) {
        profile.SystemName = system;
        EXPECT_EQ(GetSchemaVersion(ctx, profile, conn), version) << system;
    }
    EXPECT_TRUE(rec.Statements().empty());
}

TEST(SchemaVersion, QuillmartIsProbed) {
    auto conn = ScratchDatabase({"CREATE TABLE tblQuillmartOrderNumbers (ON_PaymentGateWay TEXT)",
                                 "CREATE TABLE tblQuillmartVersions (V_ID INTEGER)"});
    run::TextStatus status;
    run::RunContext ctx(status);
    ConnectionProfile profile;
    profile.Kind = kSqlite;
    profile.SystemName = "Quillmart";
    EXPECT_EQ(GetSchemaVersion(ctx, profile, conn), 5.0f);
}

TEST(FormatVersion, ShortestForm) {
    EXPECT_EQ(FormatVersion(4.5f), "4.5");
    EXPECT_EQ(FormatVersion(4.7f), "4.7");
    EXPECT_EQ(FormatVersion(5.0f), "5");
    EXPECT_EQ(FormatVersion(5.1f), "5.1");
    EXPECT_EQ(FormatVersion(5.104f), "5.104");
    EXPECT_EQ(FormatVersion(61.0f), "61");
    EXPECT_EQ(FormatVersion(0.0f), "0");
}

}  // namespace
}  // namespace qdt::data
