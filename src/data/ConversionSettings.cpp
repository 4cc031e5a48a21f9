#include "data/ConversionSettings.h"

#include <cmath>

#include "data/Detection.h"
#include "data/run/Paths.h"

namespace qdt::data {

namespace {

// Each older schema's tables are a prefix of the next one's list.
const char* const kTables45[] = {
    "tblQuillmartAffiliateLog",        "tblQuillmartAffiliates",     "tblQuillmartCardHolderDetails",
    "tblQuillmartCreditCards",         "tblQuillmartDestination",    "tblQuillmartInvoiceRows",
    "tblQuillmartMailingList",         "tblQuillmartNews",           "tblQuillmartOrderNumbers",
    "tblQuillmartProdtype",            "tblQuillmartProductProdTypeLink", "tblQuillmartProducts",
    "tblQuillmartProductStats",        "tblQuillmartRelatedProducts", "tblQuillmartSaveBasket",
    "tblQuillmartShippingRates",       "tblQuillmartTaxRates",       "tblQuillmartVersions"};
const char* const kTables46[] = {"tblQuillmartWishList"};
const char* const kTables47[] = {"tblQuillmartCoupons", "tblQuillmartShippingMethods"};
const char* const kTables50[] = {"tblQuillmartAffiliatePayments", "tblQuillmartCurrencies", "tblQuillmartLanguages",
                                 "tblQuillmartLogins",            "tblQuillmartUPS",        "tblQuillmartVersionSalesStats"};

template <std::size_t N>
void AddAll(SelectionList& list, const char* const (&names)[N]) {
    for (const char* n : names) list.Add(n, "y");
}

void PrepareQuillmartLists(ConversionSettings& s, float version) {
    s.CopyTableList.Clear();
    s.CompareTableList.Clear();
    s.JobList.Clear();
    // 5.104 rounds to 51 and so shares 5.1's list.
    long tenths = std::lround(version * 10.0f);
    AddAll(s.CopyTableList, kTables45);
    if (tenths >= 46) AddAll(s.CopyTableList, kTables46);
    if (tenths >= 47) AddAll(s.CopyTableList, kTables47);
    if (tenths >= 50) AddAll(s.CopyTableList, kTables50);

    s.CompareTableList.Add("tblQuillmartConfig", "y");
    if (version < 5.0f) {
        s.CompareTableList.Add("tblQuillmartLanguageStrings", "y");
        s.JobList.Add(kJobAdminLogin, "y");
        s.JobList.Add(kJobDownloadShippingRate, "y");
        s.JobList.Add(kJobNewsPlaceholders, "y");
    } else {
        for (int i = 1; i <= 5; ++i) s.CompareTableList.Add("tblQuillmartLanguageStrings" + std::to_string(i), "y");
    }
}

}  // namespace

void PrepareConversionSettings(ConversionSettings& settings, const ConnectionProfile& source,
                               const ConnectionProfile& destination) {
    const std::string& system = source.SystemName;
    if (system == kSystemQuillmart) {
        PrepareQuillmartLists(settings, source.Version);
        return;
    }
    const std::optional<ImageSystem> index = ImageSystemOf(system);
    if (!index) return;
    ImageCopySetting& s = settings.ImageCopySettings[*index];
    s.CopyImages = false;
    s.SourceDir = GetParentFolder(source.Database);
    s.DestinDir = GetParentFolder(destination.Database);
}

std::optional<ImageSystem> ImageSystemOf(const std::string& system) {
    if (system == kSystemVpasp) return kImagesVpasp;
    if (system == kSystemActinic) return kImagesActinic;
    if (system == kSystemComersus) return kImagesComersus;
    if (system == kSystemFlatFile) return kImagesFlatFile;
    return std::nullopt;
}

std::string GetParentFolder(const std::string& path) {
    const std::size_t p = FolderEnd(path, SeparatorRule::kBackslashFirst);
    if (p == std::string::npos) return {};
    return path.substr(0, p);
}

}  // namespace qdt::data
