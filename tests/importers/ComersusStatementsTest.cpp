// The exact statements of a Comersus import, through recording connections.
#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/ComersusImporter.h"
#include "support/RecordingConnection.h"

namespace qdt::importers {
namespace {

using V = db::Value;

test::CannedResult Id(int id) { return {{"ID"}, {db::kInteger}, {{V::Integer(id)}}}; }

const std::map<std::string, std::vector<std::string>> kSourceColumns = {
    {"categories", {"idCategory", "idParentCategory", "categoryDesc", "imageCategory", "active", "displayOrder"}},
    {"products",
     {"idProduct", "listHidden", "active", "description", "details", "listPrice", "freeShipping", "stock",
      "stockSecurity", "stockLevelAlert", "showInHome", "isBundleMain", "price", "weight", "sku", "smallImageURL",
      "imageURL"}},
    {"categories_products", {"idProduct", "idCategory"}},
    {"relatedProducts", {"idProduct", "idRelatedProduct"}},
    {"bundles", {"mainIdProduct", "idProduct"}},
    {"optionsgroups", {"idOptionGroup", "OptionGroupDesc"}},
    {"optionsgroups_products", {"idOptionGroup", "idProduct"}},
    {"options", {"idOption", "optionDescrip", "priceToAdd", "weight"}},
    {"options_optionsgroups", {"idOption", "idOptionGroup"}},
};

class ComersusStatements : public ::testing::Test {
protected:
    void SetUp() override {
        ctx.source.SystemName = data::kSystemComersus;
        ctx.source.Kind = data::kSqlServer;
        ctx.destination.Kind = data::kSqlServer;
        destination.Tables({"tblQuillmartProdType", "tblQuillmartProducts", "tblQuillmartVersions",
                            "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"});
        std::vector<std::string> tables = {"adminStats"};
        for (const auto& [table, columns] : kSourceColumns) {
            tables.push_back(table);
            source.Answer("SELECT TOP 1 * FROM " + table, {columns, {}, {}});
        }
        source.Tables(tables);
    }

    // The Root category and the destination's tax rate, after what a test put first.
    void Defaults() {
        source.Answer("SELECT * FROM categories WHERE categoryDesc = 'Root'", {{"idCategory"}, {}, {{V::Integer(1)}}});
        destination.Answer("SELECT T_ID FROM tblQuillmartTaxRates", Id(3));
    }

    // Runs the import; the error text when it throws, "" when it succeeds.
    std::string Import() {
        db::Connection s = source.Open(), d = destination.Open();
        try {
            ImportComersus(ctx, s, d);
        } catch (const std::exception& e) {
            return e.what();
        }
        return {};
    }

    run::TextStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection source, destination;
};

const char* const kChildren =
    "SELECT idCategory, categoryDesc, imageCategory, active, displayOrder FROM categories WHERE idParentCategory = ";
const std::vector<std::string> kCategoryColumns = {"idCategory", "categoryDesc", "imageCategory", "active",
                                                   "displayOrder"};

struct KindCase {
    data::DatabaseKind source;
    data::DatabaseKind destination;
    const char* visible;
    // The read-back of a new row's identity by name.
    std::string (*readBack)(const std::string& id, const std::string& table, const std::string& column,
                            const std::string& literal);
};

std::string Top(const std::string& id, const std::string& table, const std::string& column, const std::string& lit) {
    return "SELECT TOP 1 " + id + " FROM " + table + " WHERE " + column + "=" + lit + " ORDER BY " + id + " DESC";
}
std::string Limit(const std::string& id, const std::string& table, const std::string& column,
                  const std::string& lit) {
    return "SELECT " + id + " FROM " + table + " WHERE " + column + "=" + lit + " ORDER BY " + id +
           " DESC LIMIT 0, 1";
}

class ComersusStatementsByKind : public ComersusStatements, public ::testing::WithParamInterface<KindCase> {};

TEST_P(ComersusStatementsByKind, WriteTheTreeProductVersionsLinksAndRelatedOnce) {
    const KindCase& k = GetParam();
    ctx.source.Kind = k.source;
    ctx.destination.Kind = k.destination;
    const std::string pt = "tblQuillmartProdType", p = "tblQuillmartProducts";
    source.Answer("SELECT COUNT(*) As Countage FROM categories WHERE categoryDesc <> 'Root'",
                  {{"Countage"}, {}, {{V::Integer(2)}}})
        // Kids' Boots (2) sits under Shoes (10): a child with the smaller id.
        .Answer(kChildren + std::string("1 AND categoryDesc <> 'Root'"),
                {kCategoryColumns, {}, {{V::Integer(10), V::Text("Shoes"), V::Null(), V::Integer(-1), V::Integer(1)}}})
        .Answer(kChildren + std::string("10 AND categoryDesc <> 'Root'"),
                {kCategoryColumns,
                 {},
                 {{V::Integer(2), V::Text("Kids' Boots"), V::Text("b.gif"), V::Integer(0), V::Null()}}})
        .Answer(std::string("SELECT COUNT(*) As Countage FROM products WHERE ") + k.visible,
                {{"Countage"}, {}, {{V::Integer(1)}}})
        .Answer(std::string("SELECT * FROM products WHERE ") + k.visible,
                {kSourceColumns.at("products"),
                 {},
                 {{V::Integer(7), V::Integer(0), V::Boolean(true), V::Text("Tee"), V::Text("Cotton"),
                   V::Text("24.99"), V::Integer(-1), V::Integer(10), V::Integer(2), V::Null(), V::Integer(-1),
                   V::Integer(0), V::Single(19.99f), V::Double(0.1), V::Text("TEE"), V::Text(""), V::Null()}}})
        // Root (1) is not a category of the shop; 2 and 2 again are one link.
        .Answer("SELECT idCategory FROM categories_products WHERE idProduct = 7",
                {{"idCategory"}, {}, {{V::Integer(2)}, {V::Integer(1)}, {V::Integer(2)}}})
        .Answer("SELECT idRelatedProduct FROM relatedProducts WHERE idProduct = 7",
                {{"idRelatedProduct"}, {}, {{V::Integer(9)}, {V::Integer(7)}}})
        .AnswerPrefix("SELECT optionsgroups.idOptionGroup, optionsgroups.OptionGroupDesc FROM optionsgroups",
                      {{"idOptionGroup", "OptionGroupDesc"}, {}, {{V::Integer(5), V::Text("Size")}}})
        .AnswerPrefix("SELECT options.idOption, options.optionDescrip, options.priceToAdd, options.weight",
                      {{"idOption", "optionDescrip", "priceToAdd", "weight"},
                       {},
                       {{V::Integer(1), V::Text("S"), V::Integer(0), V::Integer(0)},
                        {V::Integer(2), V::Text("XL"), V::Double(0.01), V::Double(0.2)}}});
    destination.Answer(k.readBack("PT_ID", pt, "PT_Name1", "'Shoes'"), Id(41))
        .Answer(k.readBack("PT_ID", pt, "PT_Name1", "'Kids'' Boots'"), Id(42))
        .Answer(k.readBack("P_ID", p, "P_Name1", "'Tee'"), Id(51));
    Defaults();

    ASSERT_EQ(Import(), "");

    const std::string ptInsert =
        "INSERT INTO tblQuillmartProdType (PT_MotherProdType,PT_Live,PT_Name1,PT_Desc1,PT_ProductDisplayType,"
        "PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES (";
    const std::string vInsert =
        "INSERT INTO tblQuillmartVersions (V_Name1,V_CodeNumber,V_Price,V_Tax,V_Weight,V_Quantity,"
        "V_QuantityWarnLevel,V_Desc1,V_Product,V_Live,V_DownLoadInfo,V_DownloadType,V_OrderByValue, V_RRP) VALUES (";
    const std::string deleteFrom = k.destination == data::kAccess ? "DELETE * FROM " : "DELETE FROM ";
    const std::vector<std::string> expected = {
        "SELECT T_ID FROM tblQuillmartTaxRates",
        deleteFrom + "tblQuillmartProdType",
        deleteFrom + "tblQuillmartProducts",
        deleteFrom + "tblQuillmartVersions",
        deleteFrom + "tblQuillmartProductProdTypeLink",
        deleteFrom + "tblQuillmartRelatedProducts",
        ptInsert + "0,'y','Shoes','Shoes','e','n',1,'')",
        k.readBack("PT_ID", pt, "PT_Name1", "'Shoes'"),
        ptInsert + "41,'n','Kids'' Boots','Kids'' Boots','e','n',0,'')",
        k.readBack("PT_ID", pt, "PT_Name1", "'Kids'' Boots'"),
        "INSERT INTO tblQuillmartProducts (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, "
        "P_OrderByValue, P_OrderVersionsBy, P_VersionDisplayType) VALUES ('y','Tee','Cotton','','',1,0,"
        "'V_OrderByValue','o')",
        k.readBack("P_ID", p, "P_Name1", "'Tee'"),
        "INSERT INTO tblQuillmartProductProdTypeLink (PPT_ProductID, PPT_ProdTypeID) VALUES(51,42)",
        vInsert + "'Tee','TEE-1',19.99,3,0.1,8,0,'',51,'y','','f',0,24.99)",
        vInsert + "'S','TEE-2',19.99,3,0.1,8,0,'',51,'y','','f',1,24.99)",
        vInsert + "'XL','TEE-3',20,3,0.3,8,0,'',51,'y','','f',1,24.99)",
        "UPDATE tblQuillmartProducts SET P_VersionDisplayType = 'p' WHERE P_ID = 51",
        "INSERT INTO tblQuillmartRelatedProducts (RP_ParentID, RP_ChildID) VALUES (51,51)",
    };
    EXPECT_EQ(destination.Statements(), expected);
    EXPECT_EQ(status.txtStep2,
              "\r\n\r\nDeleting catalogue tables... done.\r\nAdding categories... done.\r\nGetting record count... "
              "1\r\nAdding products...done.\r\nAdding related products... done.");
    EXPECT_EQ(ctx.strWarnings,
              "The Comersus product 7 ('Tee') was not linked to the category 1: no such category was imported (Root "
              "and the categories it does not reach are not).\r\nThe Comersus product 7 ('Tee') was not related to "
              "the product 9: no such product was imported (hidden products are not).\r\n");
    EXPECT_EQ(source.OpenResults(), 0);
    EXPECT_EQ(destination.OpenResults(), 0);
}

INSTANTIATE_TEST_SUITE_P(Kinds, ComersusStatementsByKind,
                         ::testing::Values(KindCase{data::kSqlServer, data::kSqlServer, "listHidden <> -1", Top},
                                           // A Yes/No column of an Access file is 1 in its snapshot.
                                           KindCase{data::kAccess, data::kMySql,
                                                    "listHidden <> -1 AND listHidden <> True", Limit}));

struct RefusalCase {
    const char* what;
    void (*change)(test::RecordingConnection& source, test::RecordingConnection& destination);
    const char* error;
};

class ComersusRefusals : public ComersusStatements, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(ComersusRefusals, NameWhatIsMissingBeforeAnythingIsCleared) {
    GetParam().change(source, destination);
    Defaults();
    EXPECT_EQ(Import(), GetParam().error);
    for (const std::string& sql : destination.Statements())
        EXPECT_EQ(sql.rfind("SELECT", 0), 0u) << sql;
    EXPECT_EQ(source.OpenResults(), 0);
    EXPECT_EQ(destination.OpenResults(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Sources, ComersusRefusals,
    ::testing::Values(
        // An unrelated database that has a table named adminStats.
        RefusalCase{"NotAComersusShop",
                    [](test::RecordingConnection& s, test::RecordingConnection&) {
                        s = test::RecordingConnection();
                        s.Tables({"adminStats", "Categories", "products", "customers"});
                        s.Answer("SELECT TOP 1 * FROM categories", {kSourceColumns.at("categories"), {}, {}});
                        s.Answer("SELECT TOP 1 * FROM products", {{"idProduct", "description", "price"}, {}, {}});
                    },
                    "The source database is not a Comersus shop that can be imported: it has no table "
                    "categories_products, relatedProducts, bundles, optionsgroups, optionsgroups_products, options or "
                    "options_optionsgroups and its table products has no column listHidden, active, details, "
                    "listPrice, freeShipping, stock, stockSecurity, stockLevelAlert, showInHome, isBundleMain, "
                    "weight, sku, smallImageURL or imageURL. Nothing was changed."},
        RefusalCase{"NoRootCategory",
                    [](test::RecordingConnection& s, test::RecordingConnection&) {
                        s.Answer("SELECT * FROM categories WHERE categoryDesc = 'Root'", {{"idCategory"}, {}, {}});
                    },
                    "The Comersus source has no category named Root, the top of its category tree, so there is no "
                    "tree to import. Nothing was changed."},
        RefusalCase{"NoTaxRate",
                    [](test::RecordingConnection&, test::RecordingConnection& d) {
                        d.Answer("SELECT T_ID FROM tblQuillmartTaxRates", {{"T_ID"}, {}, {}});
                    },
                    "The destination database has no tax rate in tblQuillmartTaxRates: every imported version takes "
                    "the first one as its tax band. Add a tax rate to the shop first. Nothing was changed."}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return std::string(info.param.what); });

}  // namespace
}  // namespace qdt::importers
