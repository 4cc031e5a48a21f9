// The exact statements of a VPASP import, from a real VPASP shop in SQLite
// through a recording destination.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/VpaspImporter.h"
#include "importers/VpaspShop.h"
#include "support/RecordingConnection.h"

namespace qdt::importers {
namespace {

test::CannedResult Id(int id) { return {{"ID"}, {db::kInteger}, {{db::Value::Integer(id)}}}; }

class VpaspStatements : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(source.Make("sqlite"));
        // Two products, Tea with its child Black; Sencha's categories are gone.
        for (const char* sql : {"DELETE FROM products WHERE catalogid > 2", "DELETE FROM categories WHERE categoryid > 4",
                                "DELETE FROM categories WHERE categoryid IN (2, 3)"})
            source.Execute(sql);
        ctx.source = source.profile;
        destination.Tables({"tblQuillmartConfig", "tblQuillmartProdtype", "tblQuillmartProducts",
                            "tblQuillmartVersions", "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts",
                            "tblQuillmartTaxRates"});
        destination.Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'orderhandlingchargetaxband'",
                           {{"CFG_Value"}, {db::kVarWChar}, {{db::Value::Text("2")}}});
        destination.Answer("SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 2",
                           {{"T_TaxRate"}, {db::kDouble}, {{db::Value::Double(17.5)}}});
        destination.Answer("SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
                           {{"CFG_Value"}, {db::kVarWChar}, {}});
    }

    std::vector<std::string> Import() {
        db::Connection s = source.Open(), d = destination.Open();
        ImportVPASP(ctx, s, d);
        return destination.Statements();
    }

    testing::VpaspShop source;
    run::TextStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection destination;
};

TEST_F(VpaspStatements, SqlServerImportWritesTheTreeProductsVersionsRatesAndRelations) {
    ctx.destination.Kind = data::kSqlServer;
    destination.Answer("SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1='Tea' ORDER BY PT_ID DESC", Id(11))
        .Answer("SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1='Black' ORDER BY PT_ID DESC", Id(12))
        .Answer("SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='Sencha' ORDER BY P_ID DESC", Id(21))
        .Answer("SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Brien''s Assam' ORDER BY P_ID DESC",
                Id(22))
        .Answer("SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5", Id(41))
        .Answer("SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5", Id(42))
        .Answer("SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0", Id(43));

    const std::string ptInsert =
        "INSERT INTO tblQuillmartProdtype (PT_MotherProdType,PT_Live,PT_Name1,PT_Desc1,PT_ProductDisplayType,"
        "PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES (";
    const std::string pInsert =
        "INSERT INTO tblQuillmartProducts (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, "
        "P_OrderByValue, P_OrderVersionsBy, P_VersionDisplayType) VALUES (";
    const std::string vInsert =
        "INSERT INTO tblQuillmartVersions (V_Name1,V_CodeNumber,V_Price,V_Tax,V_Weight,V_Quantity,"
        "V_QuantityWarnLevel,V_Desc1,V_Product,V_Live,V_DownLoadInfo,V_DownloadType,V_OrderByValue, V_RRP) VALUES (";
    const std::string related = "INSERT INTO tblQuillmartRelatedProducts (RP_ParentID, RP_ChildID) VALUES (";
    const std::vector<std::string> expected = {
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'orderhandlingchargetaxband'",
        "SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = 2",
        "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'shiptaxband'",
        "DELETE FROM tblQuillmartProdtype",
        "DELETE FROM tblQuillmartProducts",
        "DELETE FROM tblQuillmartVersions",
        "DELETE FROM tblQuillmartProductProdTypeLink",
        "DELETE FROM tblQuillmartRelatedProducts",
        "DELETE FROM tblQuillmartTaxRates",
        ptInsert + "0,'y','Tea','Leaves and more','e','n',0,'')",
        "SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1='Tea' ORDER BY PT_ID DESC",
        ptInsert + "11,'y','Black','','e','n',0,'')",
        "SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1='Black' ORDER BY PT_ID DESC",
        // The rate is found without TOP or LIMIT, for every destination kind.
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (17.5)",
        "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5",
        pInsert + "'y','Sencha','First flush','Fresh','http://example.com/sencha',0,0,'','o')",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='Sencha' ORDER BY P_ID DESC",
        vInsert + "'Sencha','SEN-1',4.5,41,0.1,10,0,'',21,'y','','n',0,5)",
        "UPDATE tblQuillmartProducts SET P_VersionDisplayType = 'n' WHERE P_ID = 21",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (5)",
        "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5",
        pInsert + "'y','O''Brien''s Assam','Malty','','',0,0,'','o')",
        "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Brien''s Assam' ORDER BY P_ID DESC",
        "INSERT INTO tblQuillmartProductProdTypeLink (PPT_ProductID, PPT_ProdTypeID) VALUES(22,12)",
        vInsert + "'100 g','ASM-1',19.99,42,0,0,0,'',22,'y','','n',0,0)",
        vInsert + "'250 g','ASM-2',22.49,42,0,0,0,'',22,'y','','n',0,0)",
        vInsert + "'500 g','ASM-3',24.24,42,0,0,0,'',22,'y','','n',0,0)",
        "UPDATE tblQuillmartProducts SET P_VersionDisplayType = 'p' WHERE P_ID = 22",
        // Sencha's "2,3" and Assam's "1, 3,,99": one piece each names an imported product.
        related + "21,22)",
        related + "22,21)",
        "UPDATE tblQuillmartConfig SET CFG_Value='41' WHERE CFG_Name = 'orderhandlingchargetaxband'",
        "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (0)",
        "SELECT TOP 1 T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 0",
        "UPDATE tblQuillmartConfig SET CFG_Value='43' WHERE CFG_Name = 'shiptaxband'",
    };
    EXPECT_EQ(Import(), expected);
    EXPECT_EQ(destination.OpenResults(), 0);
    EXPECT_EQ(ctx.strWarnings,
              "The VPASP product 1 (Sencha) lists cross-selling products that were not imported: '3'; they were "
              "skipped.\r\n"
              "The VPASP product 2 (O'Brien's Assam) lists cross-selling products that were not imported: ' 3', '', "
              "'99'; they were skipped.\r\n");
}

struct KindCase {
    data::DatabaseKind kind;
    std::vector<std::string> statements;
};

class VpaspStatementsPerKind : public VpaspStatements, public ::testing::WithParamInterface<KindCase> {};

TEST_P(VpaspStatementsPerKind, ClearAndReadBackInTheDestinationsDialect) {
    ctx.destination.Kind = GetParam().kind;
    destination.AnswerPrefix("SELECT", Id(7));
    const auto statements = Import();
    for (const std::string& expected : GetParam().statements)
        EXPECT_NE(std::find(statements.begin(), statements.end(), expected), statements.end()) << expected;
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, VpaspStatementsPerKind,
    ::testing::Values(
        KindCase{data::kMySql,
                 {"DELETE FROM tblQuillmartProdtype",
                  "SELECT PT_ID FROM tblQuillmartProdtype WHERE PT_Name1='Tea' ORDER BY PT_ID DESC LIMIT 0, 1",
                  "SELECT P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Brien''s Assam' ORDER BY P_ID DESC "
                  "LIMIT 0, 1",
                  "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 17.5"}},
        KindCase{data::kAccess,
                 {"DELETE * FROM tblQuillmartRelatedProducts",
                  "SELECT TOP 1 PT_ID FROM tblQuillmartProdtype WHERE PT_Name1='Tea' ORDER BY PT_ID DESC",
                  "SELECT T_ID FROM tblQuillmartTaxRates WHERE T_TaxRate = 5"}}));

}  // namespace
}  // namespace qdt::importers
