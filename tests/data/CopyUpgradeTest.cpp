#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/TableCopy.h"

namespace qdt::data {
namespace {

using db::Value;
using testing::RecordedTransfer;

// One source row copied between two schema versions, and the insert it must become.
struct UpgradeCase {
    const char* name;
    float sourceVersion;
    float destinationVersion;
    const char* table;
    std::vector<std::string> columns;
    std::vector<Value> row;  // whole numbers come from number columns, the rest from text columns
    std::string insert;      // columns and values, after "INSERT INTO <table> "
};

void PrintTo(const UpgradeCase& c, std::ostream* os) { *os << c.name; }

class RowUpgrade : public ::testing::TestWithParam<UpgradeCase> {};

TEST_P(RowUpgrade, WritesTheNewSchemaColumns) {
    const UpgradeCase& c = GetParam();
    RecordedTransfer t(kSqlServer, c.sourceVersion, c.destinationVersion);
    t.SourceCountry("United Kingdom", 12);
    t.SourceCountry("Cote d''Ivoire", 31);
    t.SourceSetting("backendlanguage", "2");
    std::vector<int> types;
    for (const Value& v : c.row) types.push_back(v.kind() == Value::Kind::Integer ? db::kInteger : db::kVarWChar);
    t.SourceTable(c.table, {c.columns, types, {c.row}});

    CopyTable(t.ctx, c.table, t.sourceConn, t.destinationConn);

    ASSERT_EQ(t.Written("INSERT").size(), 1u);
    EXPECT_EQ(t.Written("INSERT")[0], std::string("INSERT INTO ") + c.table + " " + c.insert);
}

Value I(long v) { return Value::Integer(v); }
Value T(const char* text) { return Value::Text(text); }
const Value kNull = Value::Null();

// Rows of shops before version 5.
const UpgradeCase kBeforeFive[] = {
    {"VersionWithEmptyName45", 4.5f, 5.104f, "tblQuillmartVersions", {"V_ID", "V_Name"}, {I(7), T("")},
     "(V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP,V_Name1,V_Name2,V_Name3,V_Name4,V_Name5) "
     "VALUES (7,'','n',0,0,'','','','','')"},
    {"VersionInto51", 4.6f, 5.1f, "tblQuillmartVersions", {"V_ID"}, {I(7)},
     "(V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES (7,'','n',0)"},
    {"VersionFrom47IsPlain", 4.7f, 5.104f, "tblQuillmartVersions", {"V_ID"}, {I(7)}, "(V_ID) VALUES (7)"},
    {"ShortenedFormatY", 4.7f, 5.104f, "tblQuillmartProdtype", {"PT_ShortenedFormat"}, {T("y")},
     "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('s','n',0,'')"},
    {"ShortenedFormatUpperY", 4.7f, 5.104f, "tblQuillmartProdtype", {"PT_ShortenedFormat"}, {T("Y")},
     "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('n','n',0,'')"},
    {"ShortenedFormatNull", 4.7f, 5.104f, "tblQuillmartProdtype", {"PT_ShortenedFormat"}, {kNull},
     "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('n','n',0,'')"},
    {"CategoryId46", 4.6f, 5.104f, "tblQuillmartProdtype", {"PT_ID"}, {I(4)},
     "(PT_ID,PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES (4,'n','n',0,'')"},
    {"CategoryMasterSkipped47", 4.7f, 5.1f, "tblQuillmartProdtype", {"PT_ID", "PT_MasterCategory", "PT_Name"},
     {I(4), I(1), T("Shoes")}, "(PT_ID,PT_Name1,PT_Name2,PT_Name3,PT_Name4,PT_Name5) VALUES (4,'Shoes','','','','')"},
    {"DownloadUrlNull", 4.7f, 5.104f, "tblQuillmartVersions", {"V_DownLoadURL"}, {kNull},
     "(V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES ('','n',0,0)"},
    {"DownloadUrlEmptyInto51", 4.7f, 5.1f, "tblQuillmartVersions", {"V_DownLoadURL"}, {T("")},
     "(V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES ('','n',0)"},
    {"DownloadUrlFilled", 4.7f, 5.104f, "tblQuillmartVersions", {"V_DownLoadURL"}, {T("files/manual.pdf")},
     "(V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES ('files/manual.pdf','l',0,0)"},
    // A quote in the address must not end the text early.
    {"DownloadUrlWithQuote", 4.7f, 5.1f, "tblQuillmartVersions", {"V_DownLoadURL"}, {T("files/o'brien.pdf")},
     "(V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES ('files/o''brien.pdf','l',0)"},
    {"CardholderCountry46", 4.6f, 5.104f, "tblQuillmartCustomerDetails", {"CD_CardholderCountry"},
     {T("United Kingdom")}, "(CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber) VALUES (12,'','')"},
    {"CardholderCountry45", 4.5f, 5.104f, "tblQuillmartCustomerDetails", {"CD_CardholderCountry"},
     {T("United Kingdom")},
     "(CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber,CD_Card_StartDate) VALUES (12,'','','')"},
    // The name is doubled once, by the lookup itself.
    {"ShippingCountryWithQuote", 4.6f, 5.104f, "tblQuillmartCustomerDetails", {"CD_ShippingCountry"},
     {T("Cote d'Ivoire")}, "(CD_ShippingCountry) VALUES (31)"},
    {"ShippingCountryUnknown", 4.6f, 5.104f, "tblQuillmartCustomerDetails", {"CD_ShippingCountry"}, {T("Atlantis")},
     "(CD_ShippingCountry) VALUES (0)"},
    {"AffiliateCountryByNumber", 4.5f, 5.104f, "tblQuillmartAffiliates", {"AF_Country"}, {T("44")},
     "(AF_Country) VALUES (44)"},
    {"MailingHtml", 4.6f, 5.104f, "tblQuillmartMailing", {"ML_HTML"}, {T("<p>It's new</p>")},
     "(ML_HTML,ML_Language) VALUES ('<p>It''s new</p>',1)"},
    {"NewsContentNull", 4.6f, 5.104f, "tblQuillmartNews", {"N_content"}, {kNull},
     "(N_content,N_Language) VALUES ('',1)"},
    {"OrderNumber47", 4.7f, 5.104f, "tblQuillmartOrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID,ON_PaymentGateway,ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,"
     "ON_CurrencyIDGateway,ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail) "
     "VALUES (1001,'(unknown)','(unknown)',1,1,0,1,0,0,'n')"},
    {"OrderNumber46", 4.6f, 5.104f, "tblQuillmartOrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,"
     "ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,"
     "ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail) "
     "VALUES (1001,'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n')"},
    {"OrderNumber45", 4.5f, 5.104f, "tblQuillmartOrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,"
     "ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,"
     "ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail,ON_WishList) "
     "VALUES (1001,'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n',0)"},
    {"FeaturedProduct", 4.6f, 5.104f, "tblQuillmartProducts", {"P_Featured"}, {T("y")},
     "(P_Featured,P_OrderByValue,P_OrderVersionsBy,P_VersionDisplayType) VALUES ('y',0,'','d')"},
    {"ProductNameWithQuote", 4.6f, 5.104f, "tblQuillmartProducts", {"P_Name"}, {T("O'Neill")},
     "(P_Name1,P_Name2,P_Name3,P_Name4,P_Name5) VALUES ('O''Neill','','','','')"},
    {"ShippingMethod", 4.6f, 5.104f, "tblQuillmartShippingMethods", {"SM_ID"}, {I(2)},
     "(SM_ID,SM_AutoMethod) VALUES (2,'n')"},
    {"ShippingZone47", 4.7f, 5.104f, "tblQuillmartShippingRates", {"S_Zone"}, {I(3)}, "(S_Zone,S_Live) VALUES (3,'y')"},
    {"ShippingZone46", 4.6f, 5.104f, "tblQuillmartShippingRates", {"S_Zone"}, {I(3)},
     "(S_Zone,S_ShippingMethod,S_Live) VALUES (3,1,'y')"},
    {"CountryRow", 4.6f, 5.104f, "tblQuillmartDestination", {"D_ID", "D_Destination"}, {I(12), T("United Kingdom")},
     "(D_ID,D_Live,D_Destination1,D_Destination2,D_Destination3,D_Destination4,D_Destination5) "
     "VALUES (12,'y','United Kingdom',NULL,NULL,NULL,NULL)"},
    {"CountryWithoutName", 4.6f, 5.104f, "tblQuillmartDestination", {"D_Destination"}, {kNull},
     "(D_Destination1,D_Destination2,D_Destination3,D_Destination4,D_Destination5) VALUES (NULL,NULL,NULL,NULL,NULL)"},
    // Column names are matched exactly as the source spells them.
    {"OtherCaseIsPlain", 4.6f, 5.104f, "tblQuillmartVersions", {"v_id"}, {I(7)}, "(v_id) VALUES (7)"},
};

// Rows of version 5 and 5.1 shops; the blanks after the commas are part of the texts.
const UpgradeCase kFiveAndLater[] = {
    {"OrderNumber5", 5.0f, 5.1f, "tblQuillmartOrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID, ON_OrderHandlingCharge, ON_OrderHandlingChargeTax) VALUES (1001,0,0)"},
    {"Product5", 5.0f, 5.104f, "tblQuillmartProducts", {"P_ID"}, {I(5)}, "(P_ID, P_VersionDisplayType) VALUES (5,'d')"},
    // A 5.0 shop may already have the display type the upgrade adds: its own value is kept, named once.
    {"Product5WithDisplayType", 5.0f, 5.1f, "tblQuillmartProducts", {"P_ID", "P_VersionDisplayType"}, {I(3), T("r")},
     "(P_ID,P_VersionDisplayType) VALUES (3,'r')"},
    {"Version5Into5104", 5.0f, 5.104f, "tblQuillmartVersions", {"V_ID"}, {I(7)}, "(V_ID, V_RRP) VALUES (7,0)"},
    {"Version5Into51IsPlain", 5.0f, 5.1f, "tblQuillmartVersions", {"V_ID"}, {I(7)}, "(V_ID) VALUES (7)"},
    {"Order5Into5IsPlain", 5.0f, 5.0f, "tblQuillmartOrderNumbers", {"ON_ID"}, {I(1001)}, "(ON_ID) VALUES (1001)"},
    {"Version51Into5104", 5.1f, 5.104f, "tblQuillmartVersions", {"V_ID"}, {I(7)}, "(V_ID, V_RRP) VALUES (7,0)"},
    {"Order51Into5104IsPlain", 5.1f, 5.104f, "tblQuillmartOrderNumbers", {"ON_ID"}, {I(1001)}, "(ON_ID) VALUES (1001)"},
    {"Version51Into51IsPlain", 5.1f, 5.1f, "tblQuillmartVersions", {"V_ID"}, {I(7)}, "(V_ID) VALUES (7)"},
    {"Version5104IsPlain", 5.104f, 5.104f, "tblQuillmartVersions", {"V_ID"}, {I(7)}, "(V_ID) VALUES (7)"},
    // A 5.0 login gets the back-office language in a newer shop.
    {"Login5", 5.0f, 5.104f, "tblQuillmartLogins", {"LOGIN_ID", "LOGIN_Username"}, {I(1), T("admin")},
     "(LOGIN_ID,LOGIN_Language,LOGIN_Username) VALUES (1,2,'admin')"},
    {"Login5Into5IsPlain", 5.0f, 5.0f, "tblQuillmartLogins", {"LOGIN_ID"}, {I(1)}, "(LOGIN_ID) VALUES (1)"},
    // The old-schema rules are for old sources only.
    {"Name5IsPlain", 5.0f, 5.104f, "tblQuillmartVersions", {"V_Name1"}, {T("Red")}, "(V_Name1) VALUES ('Red')"},
    {"ShortenedFormat5IsPlain", 5.0f, 5.104f, "tblQuillmartProdtype", {"PT_ShortenedFormat"}, {T("y")},
     "(PT_ShortenedFormat) VALUES ('y')"},
};

std::string CaseName(const ::testing::TestParamInfo<UpgradeCase>& info) { return info.param.name; }

INSTANTIATE_TEST_SUITE_P(BeforeFive, RowUpgrade, ::testing::ValuesIn(kBeforeFive), CaseName);
INSTANTIATE_TEST_SUITE_P(FiveAndLater, RowUpgrade, ::testing::ValuesIn(kFiveAndLater), CaseName);

}  // namespace
}  // namespace qdt::data
