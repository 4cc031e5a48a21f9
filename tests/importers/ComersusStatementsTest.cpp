// The exact statements of a Comersus import, through recording connections.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/run/TextStatus.h"
#include "db/DataType.h"
#include "importers/ComersusImporter.h"
#include "support/RecordingConnection.h"
#include "support/ScriptShop.h"

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

// The rows' values are left to the whole runs; here, the clearing and the
// read-backs in the destination's dialect, which no run on SQLite or MariaDB shows.
TEST(ComersusShopStatements, ClearAndReadBackInTheDestinationsDialect) {
    test::ScriptShop shop{QDT_COMERSUS_SCRIPTS, "comersus-shop.sql", data::kSystemComersus};
    ASSERT_NO_FATAL_FAILURE(shop.Make("sqlite"));
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = shop.profile;
    ctx.destination.Kind = data::kSqlServer;
    // A version's image needs its identity.
    const std::string store = test::TempDir();
    test::WriteFile(store + "/images/mug.gif", "mug");
    ctx.settings.ImageCopySettings[data::kImagesComersus] = {true, store, test::TempDir()};
    test::RecordingConnection destination;
    destination
        .Tables({"tblQuillmartProdType", "tblQuillmartProducts", "tblQuillmartVersions",
                 "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"})
        .AnswerPrefix("SELECT", Id(7));
    db::Connection s = shop.Open(), d = destination.Open();
    ImportComersus(ctx, s, d);

    const std::vector<std::string>& statements = destination.Statements();
    for (const char* expected :
         {"DELETE FROM tblQuillmartProdType", "DELETE FROM tblQuillmartRelatedProducts",
          "SELECT TOP 1 PT_ID FROM tblQuillmartProdType WHERE PT_Name1='Kids'' Hats' ORDER BY PT_ID DESC",
          "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Neill pen' ORDER BY P_ID DESC",
          "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_Name1='Plain mug' ORDER BY V_ID DESC"})
        EXPECT_NE(std::find(statements.begin(), statements.end(), expected), statements.end()) << expected;
    EXPECT_EQ(destination.OpenResults(), 0);
}

// A Yes/No column of an Access file is 1 in its snapshot, not -1.
TEST_F(ComersusStatements, AnAccessSourceLeavesOutHiddenProductsOfEitherForm) {
    ctx.source.Kind = data::kAccess;
    source.AnswerPrefix("SELECT COUNT(*)", {{"Countage"}, {}, {{V::Integer(0)}}});
    Defaults();
    ASSERT_EQ(Import(), "");
    const std::vector<std::string>& read = source.Statements();
    const char* visible = "SELECT * FROM products WHERE listHidden <> -1 AND listHidden <> True";
    EXPECT_NE(std::find(read.begin(), read.end(), visible), read.end());
    EXPECT_EQ(source.OpenResults(), 0);
}

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
