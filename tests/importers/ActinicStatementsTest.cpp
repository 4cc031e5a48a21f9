// The exact statements an Actinic import sends to each kind of destination,
// through a recording destination and a small Actinic catalogue.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "data/run/ConnectionProfile.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/ActinicImporter.h"
#include "support/RecordingConnection.h"
#include "support/ShopDatabases.h"

namespace qdt::importers {
namespace {

test::CannedResult Id(int id) { return {{"ID"}, {db::kInteger}, {{db::Value::Integer(id)}}}; }

// One section, one product with a download file kept on another disk.
std::string TinyCatalogue() {
    const std::string path = test::NewSqliteFile("tiny.sqlite");
    db::Connection c = test::OpenSqlite(path);
    for (const char* sql :
         {"CREATE TABLE \"Catalog section\" (nSectionID INTEGER, nParentSectionID INTEGER, \"Section text\" TEXT, "
          "sSectionDescription TEXT, bHideOnWebSite BOOLEAN, nPrintSequence INTEGER, sSectionImageFile TEXT)",
          "INSERT INTO \"Catalog section\" VALUES (4, 0, 'Tea''s', '!!<Green>!!', 1, 2, NULL)",
          "CREATE TABLE Product (\"Product reference\" TEXT, \"Short description\" TEXT, \"Full description\" TEXT, "
          "\"Product sequence\" INTEGER, nParentSectionID INTEGER, price INTEGER, \"Image FileName\" TEXT, "
          "sExtendedInfoImage TEXT, bStockEnabled BOOLEAN, nStockOnHand INTEGER, nStockWarn INTEGER, "
          "nStockSuspend INTEGER, nPricingModel INTEGER, ShippingOpaqueData TEXT, bHasSubItems BOOLEAN, "
          "sDDFileName TEXT, sTax1OpaqueData TEXT, Status TEXT, \"Can be ordered online\" BOOLEAN, "
          "bSuppressHTML BOOLEAN)",
          "INSERT INTO Product VALUES ('7', 'Sencha', 'Fresh', 1, 4, 450, '', '', 1, 9, 3, 1, 0, NULL, 0, "
          "'D:\\Downloads\\Guide.pdf', '1=1750=0', 'N', 1, 0)",
          "CREATE TABLE productproperties (nPropertyID INTEGER, nParentPropertyID INTEGER, sProductRef TEXT, "
          "sStatus TEXT, ntype INTEGER, sString1 TEXT, sString2 TEXT, sString3 TEXT, nValue1 DOUBLE, nValue2 INTEGER, "
          "nValue3 INTEGER, nSequence INTEGER, bFlag2 BOOLEAN, bFlag4 BOOLEAN)"})
        c.Execute(sql)->Close();
    return path;
}

struct DestinationCase {
    const char* name;
    data::DatabaseKind kind;
    // How each kind limits a read-back to its newest row.
    const char* ptReadBack;
    const char* pReadBack;
    const char* vReadBack;
};

class ActinicStatements : public ::testing::TestWithParam<DestinationCase> {};

TEST_P(ActinicStatements, FollowTheDestinationsDialect) {
    const DestinationCase& c = GetParam();
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.destination.Kind = c.kind;
    const std::string store = test::TempDir();
    std::ofstream(store + "/guide.PDF") << "guide";
    ctx.settings.ImageCopySettings[data::kImagesActinic] = {true, store, test::TempDir()};

    test::RecordingConnection destination;
    destination.Tables({"tblQuillmartConfig", "tblQuillmartProdType", "tblQuillmartProducts", "tblQuillmartVersions",
                        "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"});
    destination.Answer(c.ptReadBack, Id(11))
        .Answer("SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5", Id(41))
        .Answer(c.pReadBack, Id(21))
        .Answer(c.vReadBack, Id(31))
        // The tax bands, empty in this shop, are set to a rate of 0 at the end.
        .AnswerPrefix("SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0", Id(42))
        .AnswerPrefix("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0", Id(42));
    data::ConnectionProfile catalogue;
    catalogue.Kind = data::kAccess;
    catalogue.Database = TinyCatalogue();
    db::Connection source;
    source.Open(data::GetConnectionString(catalogue));
    db::Connection d = destination.Open();
    RandomName names(5), same(5);
    ImportActinic(ctx, source, d, {}, &names);
    const std::string random = same.Next(8);

    const std::vector<std::string>& all = destination.Statements();
    const auto first = std::find(all.begin(), all.end(), "DELETE FROM tblQuillmartProdType");
    ASSERT_NE(first, all.end());
    const std::vector<std::string> expected = {
        "DELETE FROM tblQuillmartProdType",
        "DELETE FROM tblQuillmartProducts",
        "DELETE FROM tblQuillmartVersions",
        "DELETE FROM tblQuillmartProductProdTypeLink",
        "DELETE FROM tblQuillmartRelatedProducts",
        "DELETE FROM tblQuillmartTaxRates",
        "INSERT INTO tblQuillmartProdType (PT_MotherProdType,PT_Live,PT_Name1,PT_Desc1,PT_ProductDisplayType,"
        "PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES (0,'n','Tea''s','Green','d','n',2,"
        "'P_OrderByValue')",
        c.ptReadBack,
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (17.5)",
        "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
        "INSERT INTO tblQuillmartProducts (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, "
        "P_OrderByValue, P_OrderVersionsBy, P_VersionDisplayType) VALUES ('y','Sencha','Fresh','','',0,1,"
        "'V_OrderByValue','o')",
        c.pReadBack,
        "INSERT INTO tblQuillmartProductProdTypeLink (PPT_ProductID, PPT_ProdTypeID) VALUES(21,11)",
        "UPDATE tblQuillmartProducts SET P_VersionDisplayType = 'n' WHERE P_ID = 21",
        "INSERT INTO tblQuillmartVersions (V_Name1,V_CodeNumber,V_Price,V_Tax,V_Weight,V_Quantity,"
        "V_QuantityWarnLevel,V_Desc1,V_Product,V_Live,V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES "
        "('Sencha','1-1',4.5,41,0,8,3,'',21,'y','','n',0,0)",
        c.vReadBack,
        "UPDATE tblQuillmartVersions SET V_DownloadInfo = 'pdf|" + random +
            "', V_DownloadType = 'u' WHERE V_ID = 31"};
    ASSERT_GE(static_cast<std::size_t>(all.end() - first), expected.size());
    EXPECT_EQ(std::vector<std::string>(first, first + static_cast<std::ptrdiff_t>(expected.size())), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ActinicStatements,
    ::testing::Values(
        DestinationCase{"SqlServer", data::kSqlServer,
                        "SELECT TOP 1 PT_ID FROM tblQuillmartProdType WHERE PT_Name1='Tea''s' ORDER BY PT_ID DESC",
                        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='Sencha' ORDER BY P_ID DESC",
                        "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_Name1='Sencha' ORDER BY V_ID DESC"},
        DestinationCase{"MySql", data::kMySql,
                        "SELECT PT_ID FROM tblQuillmartProdType WHERE PT_Name1='Tea''s' ORDER BY PT_ID DESC LIMIT 0, 1",
                        "SELECT P_ID FROM tblQuillmartProducts WHERE P_Name1='Sencha' ORDER BY P_ID DESC LIMIT 0, 1",
                        "SELECT V_ID FROM tblQuillmartVersions WHERE V_Name1='Sencha' ORDER BY V_ID DESC LIMIT 0, 1"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::importers
