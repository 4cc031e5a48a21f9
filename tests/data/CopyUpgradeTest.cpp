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
    std::vector<int> types;
    std::vector<Value> row;
    std::string insert;  // columns and values, after "INSERT INTO <table> "
};

void PrintTo(const UpgradeCase& c, std::ostream* os) { *os << c.name; }

class RowUpgrade : public ::testing::TestWithParam<UpgradeCase> {};

TEST_P(RowUpgrade, WritesTheNewSchemaColumns) {
    const UpgradeCase& c = GetParam();
    RecordedTransfer t(kSqlServer, c.sourceVersion, c.destinationVersion);
    t.SourceCountry("United Kingdom", 12);
    t.SourceCountry("Cote d''Ivoire", 31);
    t.SourceTable(c.table, {c.columns, c.types, {c.row}});

    CopyTable(t.ctx, c.table, t.sourceConn, t.destinationConn);

    ASSERT_EQ(t.Written("INSERT").size(), 1u);
    EXPECT_EQ(t.Written("INSERT")[0], std::string("INSERT INTO ") + c.table + " " + c.insert);
}

const int kInt = db::kInteger;
const int kText = db::kVarWChar;

UpgradeCase One(const char* name, float from, float to, const char* table, const char* column, int type, Value v,
                std::string insert) {
    return {name, from, to, table, {column}, {type}, {std::move(v)}, std::move(insert)};
}

// Rows of shops before version 5.
INSTANTIATE_TEST_SUITE_P(
    BeforeFive, RowUpgrade,
    ::testing::Values(
        UpgradeCase{"VersionWithEmptyName45",
                    4.5f,
                    5.104f,
                    "tblQuillmartVersions",
                    {"V_ID", "V_Name"},
                    {kInt, kText},
                    {Value::Integer(7), Value::Text("")},
                    "(V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP,V_Name1,V_Name2,V_Name3,V_Name4,V_Name5) "
                    "VALUES (7,'','n',0,0,'','','','','')"},
        One("VersionInto51", 4.6f, 5.1f, "tblQuillmartVersions", "V_ID", kInt, Value::Integer(7),
            "(V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES (7,'','n',0)"),
        One("VersionFrom47IsPlain", 4.7f, 5.104f, "tblQuillmartVersions", "V_ID", kInt, Value::Integer(7),
            "(V_ID) VALUES (7)"),
        One("ShortenedFormatY", 4.7f, 5.104f, "tblQuillmartProdtype", "PT_ShortenedFormat", kText, Value::Text("y"),
            "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('s','n',0,'')"),
        One("ShortenedFormatUpperY", 4.7f, 5.104f, "tblQuillmartProdtype", "PT_ShortenedFormat", kText,
            Value::Text("Y"),
            "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('n','n',0,'')"),
        One("ShortenedFormatNull", 4.7f, 5.104f, "tblQuillmartProdtype", "PT_ShortenedFormat", kText, Value::Null(),
            "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('n','n',0,'')"),
        One("CategoryId46", 4.6f, 5.104f, "tblQuillmartProdtype", "PT_ID", kInt, Value::Integer(4),
            "(PT_ID,PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) "
            "VALUES (4,'n','n',0,'')"),
        UpgradeCase{"CategoryMasterSkipped47",
                    4.7f,
                    5.1f,
                    "tblQuillmartProdtype",
                    {"PT_ID", "PT_MasterCategory", "PT_Name"},
                    {kInt, kInt, kText},
                    {Value::Integer(4), Value::Integer(1), Value::Text("Shoes")},
                    "(PT_ID,PT_Name1,PT_Name2,PT_Name3,PT_Name4,PT_Name5) VALUES (4,'Shoes','','','','')"},
        One("DownloadUrlNull", 4.7f, 5.104f, "tblQuillmartVersions", "V_DownLoadURL", kText, Value::Null(),
            "(V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES ('','n',0,0)"),
        One("DownloadUrlEmptyInto51", 4.7f, 5.1f, "tblQuillmartVersions", "V_DownLoadURL", kText, Value::Text(""),
            "(V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES ('','n',0)"),
        One("DownloadUrlFilled", 4.7f, 5.104f, "tblQuillmartVersions", "V_DownLoadURL", kText,
            Value::Text("files/manual.pdf"),
            "(V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES ('files/manual.pdf','l',0,0)"),
        // A quote in the address must not end the text early.
        One("DownloadUrlWithQuote", 4.7f, 5.1f, "tblQuillmartVersions", "V_DownLoadURL", kText,
            Value::Text("files/o'brien.pdf"),
            "(V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES ('files/o''brien.pdf','l',0)"),
        One("CardholderCountry46", 4.6f, 5.104f, "tblQuillmartCustomerDetails", "CD_CardholderCountry", kText,
            Value::Text("United Kingdom"),
            "(CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber) VALUES (12,'','')"),
        One("CardholderCountry45", 4.5f, 5.104f, "tblQuillmartCustomerDetails", "CD_CardholderCountry", kText,
            Value::Text("United Kingdom"),
            "(CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber,CD_Card_StartDate) "
            "VALUES (12,'','','')"),
        // The name is doubled once, by the lookup itself.
        One("ShippingCountryWithQuote", 4.6f, 5.104f, "tblQuillmartCustomerDetails", "CD_ShippingCountry", kText,
            Value::Text("Cote d'Ivoire"), "(CD_ShippingCountry) VALUES (31)"),
        One("ShippingCountryUnknown", 4.6f, 5.104f, "tblQuillmartCustomerDetails", "CD_ShippingCountry", kText,
            Value::Text("Atlantis"), "(CD_ShippingCountry) VALUES (0)"),
        One("AffiliateCountryByNumber", 4.5f, 5.104f, "tblQuillmartAffiliates", "AF_Country", kText, Value::Text("44"),
            "(AF_Country) VALUES (44)"),
        One("MailingHtml", 4.6f, 5.104f, "tblQuillmartMailing", "ML_HTML", kText, Value::Text("<p>It's new</p>"),
            "(ML_HTML,ML_Language) VALUES ('<p>It''s new</p>',1)"),
        One("NewsContentNull", 4.6f, 5.104f, "tblQuillmartNews", "N_content", kText, Value::Null(),
            "(N_content,N_Language) VALUES ('',1)"),
        One("OrderNumber47", 4.7f, 5.104f, "tblQuillmartOrderNumbers", "ON_ID", kInt, Value::Integer(1001),
            "(ON_ID,ON_PaymentGateway,ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,"
            "ON_CurrencyIDGateway,ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail) "
            "VALUES (1001,'(unknown)','(unknown)',1,1,0,1,0,0,'n')"),
        One("OrderNumber46", 4.6f, 5.104f, "tblQuillmartOrderNumbers", "ON_ID", kInt, Value::Integer(1001),
            "(ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,"
            "ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,"
            "ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail) "
            "VALUES (1001,'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n')"),
        One("OrderNumber45", 4.5f, 5.104f, "tblQuillmartOrderNumbers", "ON_ID", kInt, Value::Integer(1001),
            "(ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,"
            "ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,"
            "ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail,ON_WishList) "
            "VALUES (1001,'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n',0)"),
        One("FeaturedProduct", 4.6f, 5.104f, "tblQuillmartProducts", "P_Featured", kText, Value::Text("y"),
            "(P_Featured,P_OrderByValue,P_OrderVersionsBy,P_VersionDisplayType) VALUES ('y',0,'','d')"),
        One("ProductNameWithQuote", 4.6f, 5.104f, "tblQuillmartProducts", "P_Name", kText, Value::Text("O'Neill"),
            "(P_Name1,P_Name2,P_Name3,P_Name4,P_Name5) VALUES ('O''Neill','','','','')"),
        One("ShippingMethod", 4.6f, 5.104f, "tblQuillmartShippingMethods", "SM_ID", kInt, Value::Integer(2),
            "(SM_ID,SM_AutoMethod) VALUES (2,'n')"),
        One("ShippingZone47", 4.7f, 5.104f, "tblQuillmartShippingRates", "S_Zone", kInt, Value::Integer(3),
            "(S_Zone,S_Live) VALUES (3,'y')"),
        One("ShippingZone46", 4.6f, 5.104f, "tblQuillmartShippingRates", "S_Zone", kInt, Value::Integer(3),
            "(S_Zone,S_ShippingMethod,S_Live) VALUES (3,1,'y')"),
        UpgradeCase{"CountryRow",
                    4.6f,
                    5.104f,
                    "tblQuillmartDestination",
                    {"D_ID", "D_Destination"},
                    {kInt, kText},
                    {Value::Integer(12), Value::Text("United Kingdom")},
                    "(D_ID,D_Live,D_Destination1,D_Destination2,D_Destination3,D_Destination4,D_Destination5) "
                    "VALUES (12,'y','United Kingdom',NULL,NULL,NULL,NULL)"},
        One("CountryWithoutName", 4.6f, 5.104f, "tblQuillmartDestination", "D_Destination", kText, Value::Null(),
            "(D_Destination1,D_Destination2,D_Destination3,D_Destination4,D_Destination5) "
            "VALUES (NULL,NULL,NULL,NULL,NULL)"),
        // Column names are matched exactly as the source spells them.
        One("OtherCaseIsPlain", 4.6f, 5.104f, "tblQuillmartVersions", "v_id", kInt, Value::Integer(7),
            "(v_id) VALUES (7)")),
    [](const ::testing::TestParamInfo<UpgradeCase>& info) { return std::string(info.param.name); });

// Rows of version 5 and 5.1 shops; the blanks after the commas are part of the texts.
INSTANTIATE_TEST_SUITE_P(
    FiveAndLater, RowUpgrade,
    ::testing::Values(One("OrderNumber5", 5.0f, 5.1f, "tblQuillmartOrderNumbers", "ON_ID", kInt, Value::Integer(1001),
                          "(ON_ID, ON_OrderHandlingCharge, ON_OrderHandlingChargeTax) VALUES (1001,0,0)"),
                      One("Product5", 5.0f, 5.104f, "tblQuillmartProducts", "P_ID", kInt, Value::Integer(5),
                          "(P_ID, P_VersionDisplayType) VALUES (5,'d')"),
                      One("Version5Into5104", 5.0f, 5.104f, "tblQuillmartVersions", "V_ID", kInt, Value::Integer(7),
                          "(V_ID, V_RRP) VALUES (7,0)"),
                      One("Version5Into51IsPlain", 5.0f, 5.1f, "tblQuillmartVersions", "V_ID", kInt, Value::Integer(7),
                          "(V_ID) VALUES (7)"),
                      One("Order5Into5IsPlain", 5.0f, 5.0f, "tblQuillmartOrderNumbers", "ON_ID", kInt,
                          Value::Integer(1001), "(ON_ID) VALUES (1001)"),
                      One("Version51Into5104", 5.1f, 5.104f, "tblQuillmartVersions", "V_ID", kInt, Value::Integer(7),
                          "(V_ID, V_RRP) VALUES (7,0)"),
                      One("Order51Into5104IsPlain", 5.1f, 5.104f, "tblQuillmartOrderNumbers", "ON_ID", kInt,
                          Value::Integer(1001), "(ON_ID) VALUES (1001)"),
                      One("Version51Into51IsPlain", 5.1f, 5.1f, "tblQuillmartVersions", "V_ID", kInt, Value::Integer(7),
                          "(V_ID) VALUES (7)"),
                      One("Version5104IsPlain", 5.104f, 5.104f, "tblQuillmartVersions", "V_ID", kInt, Value::Integer(7),
                          "(V_ID) VALUES (7)"),
                      // The old-schema rules are for old sources only.
                      One("Name5IsPlain", 5.0f, 5.104f, "tblQuillmartVersions", "V_Name1", kText, Value::Text("Red"),
                          "(V_Name1) VALUES ('Red')"),
                      One("ShortenedFormat5IsPlain", 5.0f, 5.104f, "tblQuillmartProdtype", "PT_ShortenedFormat", kText,
                          Value::Text("y"), "(PT_ShortenedFormat) VALUES ('y')")),
    [](const ::testing::TestParamInfo<UpgradeCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::data
