#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/SetupJobs.h"
#include "db/Error.h"

namespace qdt::data {
namespace {

using db::Value;
using testing::RecordedTransfer;
using Statements = std::vector<std::string>;

const char* kLogin50 =
    "INSERT INTO tblQuillmartLogins (LOGIN_Username, LOGIN_Password, LOGIN_Live, LOGIN_Orders, LOGIN_Products, "
    "LOGIN_Config, LOGIN_Protected) VALUES ('admin', 'pa''ss', 'y','y','y','y','y')";
const char* kLogin51 =
    "INSERT INTO tblQuillmartLogins (LOGIN_Username, LOGIN_Password, LOGIN_Live, LOGIN_Orders, LOGIN_Products, "
    "LOGIN_Config, LOGIN_Protected, LOGIN_Language) VALUES ('admin', 'pa''ss', 'y','y','y','y','y',1)";
const char* kMethod50 =
    "INSERT INTO tblQuillmartShippingMethods (SM_Name1, SM_Description1, SM_AutoMethod) VALUES ('No Shipping "
    "Required', 'Your products will be available for download in the shipping area when the purchase is complete.', "
    "'y')";
const char* kMethod51 =
    "INSERT INTO tblQuillmartShippingMethods (SM_Name1, SM_Description1, SM_AutoMethod) VALUES ('No Shipping "
    "Required', 'All products are not applicable to shipping.', 'y')";
const char* kNewestMethod =
    "SELECT SM_ID FROM tblQuillmartShippingMethods WHERE SM_AutoMethod = 'y' ORDER BY SM_ID DESC";

TEST(AdminLoginStatements, VariantByDestinationVersionAndKind) {
    struct Case {
        DatabaseKind kind;
        float version;
        Statements expected;
    };
    for (const Case& c : {Case{kAccess, 5.0f, {"DELETE * FROM tblQuillmartLogins", kLogin50}},
                          Case{kSqlServer, 5.1f, {"DELETE FROM tblQuillmartLogins", kLogin51}},
                          Case{kMySql, 5.104f, {"DELETE FROM tblQuillmartLogins", kLogin51}}}) {
        RecordedTransfer t(c.kind, 4.6f, c.version);
        t.SourceSetting("backendlogin", "admin");
        t.SourceSetting("backendpassword", "pa'ss");
        AddAdminLogin(t.ctx, t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.destination.Statements(), c.expected) << c.version;
    }
}

TEST(AdminLoginStatements, MissingPasswordEndsTheJobAfterTheLoginsAreGone) {
    RecordedTransfer t(kSqlServer, 4.6f, 5.104f);
    t.SourceSetting("backendlogin", "admin");
    EXPECT_THROW(AddAdminLogin(t.ctx, t.sourceConn, t.destinationConn), db::DatabaseError);
    EXPECT_EQ(t.destination.Statements(), (Statements{"DELETE FROM tblQuillmartLogins"}));
    EXPECT_EQ(t.ctx.strQuery, "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendpassword'");
}

TEST(ShippingRateStatements, RateAttachedToTheNumberFound) {
    for (float version : {5.0f, 5.1f}) {
        RecordedTransfer t(kSqlServer, 4.6f, version);
        t.destination.Answer(kNewestMethod, {{"SM_ID"}, {db::kInteger}, {{Value::Integer(9)}, {Value::Integer(4)}}});
        AddDownloadShippingRate(t.ctx, t.destinationConn);
        EXPECT_EQ(t.destination.Statements(),
                  (Statements{version >= 5.1f ? kMethod51 : kMethod50, kNewestMethod,
                              "INSERT INTO tblQuillmartShippingRates (S_ShippingRate, S_Boundary, S_Zone, "
                              "S_ShippingMethod, S_Live) VALUES (0, 999999, 1, 9, 'y')"}))
            << version;
    }
}

TEST(NewsPlaceholderStatements, FourPerLanguageInLanguageOrder) {
    RecordedTransfer t(kAccess, 4.6f, 5.104f);
    AddNewsPlaceholders(t.ctx, t.destinationConn);
    Statements expected;
    for (int language = 2; language <= 5; ++language)
        for (int i = 0; i < 4; ++i)
            expected.push_back("INSERT INTO tblQuillmartNews (N_headline, N_content, N_language) VALUES ('',''," +
                               std::to_string(language) + ")");
    EXPECT_EQ(t.destination.Statements(), expected);
    EXPECT_EQ(t.status.yields, 16);
    EXPECT_EQ(t.status.txtStep2, "\r\nAdding News Placeholders...done.");
}

}  // namespace
}  // namespace qdt::data
