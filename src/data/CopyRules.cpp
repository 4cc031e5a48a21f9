#include "data/CopyRules.h"

#include <span>

namespace qdt::data {

namespace {

// When an entry applies, by the two schema versions. Versions are the
// single-precision numbers the detection stores, so they are compared with
// single-precision constants.
using Applies = bool (*)(float source, float destination);

constexpr bool Always(float, float) { return true; }
constexpr bool SourceAtLeast46(float s, float) { return s >= 4.6f; }
constexpr bool SourceBelow46(float s, float) { return s < 4.6f; }
constexpr bool Source46(float s, float) { return s == 4.6f; }
constexpr bool Source47(float s, float) { return s == 4.7f; }
constexpr bool SourceNot47(float s, float) { return s != 4.7f; }
constexpr bool Destination5104(float, float d) { return d == 5.104f; }
constexpr bool DestinationNot5104(float, float d) { return d != 5.104f; }
constexpr bool SourceNot47Destination5104(float s, float d) { return s != 4.7f && d == 5.104f; }
constexpr bool SourceNot47DestinationNot5104(float s, float d) { return s != 4.7f && d != 5.104f; }

struct Entry {
    std::string_view column;
    Applies applies;
    CopyRule rule;
};

// The first entry whose column and condition match decides; a column without
// a matching entry is copied as it is.
constexpr Entry kBeforeFive[] = {
    {"AF_Country", Always, {ValueForm::kDestinationNumber, "", ""}},
    {"CD_ShippingCountry", Always, {ValueForm::kDestinationNumber, "", ""}},
    {"CD_CardholderCountry",
     SourceAtLeast46,
     {ValueForm::kDestinationNumber, "CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber", ",'',''"}},
    {"CD_CardholderCountry",
     SourceBelow46,
     {ValueForm::kDestinationNumber,
      "CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber,CD_Card_StartDate", ",'','',''"}},
    {"ML_HTML", Always, {ValueForm::kQuoted, "ML_HTML,ML_Language", ",1"}},
    {"N_content", Always, {ValueForm::kQuoted, "N_content,N_Language", ",1"}},
    {"ON_ID",
     Source47,
     {ValueForm::kQuoted,
      "ON_ID,ON_PaymentGateway,ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,"
      "ON_CurrencyIDGateway,ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail",
      ",'(unknown)','(unknown)',1,1,0,1,0,0,'n'"}},
    {"ON_ID",
     Source46,
     {ValueForm::kQuoted,
      "ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,ON_ReferenceCode,"
      "ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,ON_AffiliatePaymentID,"
      "ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail",
      ",'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n'"}},
    {"ON_ID",
     Always,
     {ValueForm::kQuoted,
      "ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,ON_ReferenceCode,"
      "ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,ON_AffiliatePaymentID,"
      "ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail,ON_WishList",
      ",'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n',0"}},
    // The old flag becomes the product display type; it is not written itself.
    {"PT_ShortenedFormat",
     Always,
     {ValueForm::kShortenedFormat, "PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy",
      ",'n',0,''"}},
    // A 4.7 row gets these columns from PT_ShortenedFormat or V_DownLoadURL instead.
    {"PT_ID",
     SourceNot47,
     {ValueForm::kBare, "PT_ID,PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy",
      ",'n','n',0,''"}},
    {"P_Featured",
     Always,
     {ValueForm::kQuoted, "P_Featured,P_OrderByValue,P_OrderVersionsBy,P_VersionDisplayType", ",0,'','d'"}},
    {"SM_ID", Always, {ValueForm::kBare, "SM_ID,SM_AutoMethod", ",'n'"}},
    {"S_Zone", Source47, {ValueForm::kBare, "S_Zone,S_Live", ",'y'"}},
    {"S_Zone", Always, {ValueForm::kBare, "S_Zone,S_ShippingMethod,S_Live", ",1,'y'"}},
    {"V_DownLoadURL",
     Destination5104,
     {ValueForm::kDownloadUrl, "V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP", ",0,0"}},
    {"V_DownLoadURL",
     DestinationNot5104,
     {ValueForm::kDownloadUrl, "V_DownLoadInfo,V_DownloadType,V_OrderByValue", ",0"}},
    {"V_ID",
     SourceNot47Destination5104,
     {ValueForm::kBare, "V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP", ",'','n',0,0"}},
    {"V_ID",
     SourceNot47DestinationNot5104,
     {ValueForm::kBare, "V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue", ",'','n',0"}},
    {"D_ID", Always, {ValueForm::kBare, "D_ID,D_Live", ",'y'"}},
    {"PT_MasterCategory", Always, {ValueForm::kSkip, "", ""}},
    // The other languages of a country name are unknown rather than empty.
    {"D_Destination", Always, {ValueForm::kLanguagesNull, "", ""}},
    {"PT_Name", Always, {ValueForm::kLanguages, "", ""}},
    {"PT_Desc", Always, {ValueForm::kLanguages, "", ""}},
    {"P_Name", Always, {ValueForm::kLanguages, "", ""}},
    {"P_Desc", Always, {ValueForm::kLanguages, "", ""}},
    {"P_StrapLine", Always, {ValueForm::kLanguages, "", ""}},
    {"P_SpecTable", Always, {ValueForm::kLanguages, "", ""}},
    {"P_Hyperlink", Always, {ValueForm::kLanguages, "", ""}},
    {"SM_Name", Always, {ValueForm::kLanguages, "", ""}},
    {"SM_Description", Always, {ValueForm::kLanguages, "", ""}},
    {"V_Name", Always, {ValueForm::kLanguages, "", ""}},
    {"V_Desc", Always, {ValueForm::kLanguages, "", ""}},
};

constexpr Entry kFiveIntoFiveOne[] = {
    {"LOGIN_ID", Always, {ValueForm::kLoginLanguage, "LOGIN_ID,LOGIN_Language", ""}},
    {"ON_ID", Always, {ValueForm::kBare, "ON_ID, ON_OrderHandlingCharge, ON_OrderHandlingChargeTax", ",0,0"}},
    {"P_ID", Always, {ValueForm::kBare, "P_ID, P_VersionDisplayType", ",'d'"}},
    {"V_ID", Destination5104, {ValueForm::kBare, "V_ID, V_RRP", ",0"}},
};

constexpr Entry kFiveOneIntoFiveOneOFour[] = {
    {"V_ID", Always, {ValueForm::kBare, "V_ID, V_RRP", ",0"}},
};

std::span<const Entry> RuleSetFor(float source, float destination) {
    if (source < 5.0f) return kBeforeFive;
    if (source == 5.0f && destination >= 5.1f) return kFiveIntoFiveOne;
    if (source == 5.1f && destination == 5.104f) return kFiveOneIntoFiveOneOFour;
    return {};
}

}  // namespace

CopyRule FindCopyRule(std::string_view column, float sourceVersion, float destinationVersion) {
    for (const Entry& entry : RuleSetFor(sourceVersion, destinationVersion))
        if (entry.column == column && entry.applies(sourceVersion, destinationVersion)) return entry.rule;
    return {};
}

}  // namespace qdt::data
