// The exact statements of a Comersus import, through recording connections.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

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

const std::vector<std::string> kDestinationTables = {
    "tblQuillmartProdType",           "tblQuillmartProducts",        "tblQuillmartVersions",
    "tblQuillmartProductProdTypeLink", "tblQuillmartRelatedProducts", "tblQuillmartTaxRates"};

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

// The rows' values are left to the whole runs; here, the read-backs in the
// destination's dialect, which no run on SQLite or MariaDB shows.
TEST(ComersusShopStatements, ReadBackInTheDestinationsDialect) {
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
    destination.Tables(kDestinationTables).AnswerPrefix("SELECT", Id(7));
    db::Connection s = shop.Open(), d = destination.Open();
    ImportComersus(ctx, s, d);
    EXPECT_THAT(destination.Statements(),
                ::testing::IsSupersetOf(
                    {"SELECT TOP 1 PT_ID FROM tblQuillmartProdType WHERE PT_Name1='Kids'' Hats' ORDER BY PT_ID DESC",
                     "SELECT TOP 1 P_ID FROM tblQuillmartProducts WHERE P_Name1='O''Neill pen' ORDER BY P_ID DESC",
                     "SELECT TOP 1 V_ID FROM tblQuillmartVersions WHERE V_Name1='Plain mug' ORDER BY V_ID DESC"}));
    EXPECT_EQ(destination.OpenResults(), 0);
}

// A source of every table and column, whose Root and tax rate a case may take away.
class ComersusStatements : public ::testing::Test {
protected:
    void Prepare(bool root = true, bool taxRate = true) {
        ctx.source.SystemName = data::kSystemComersus;
        ctx.source.Kind = data::kSqlServer;
        ctx.destination.Kind = data::kSqlServer;
        destination.Tables(kDestinationTables);
        std::vector<std::string> tables = {"adminStats"};
        for (const auto& [table, columns] : kSourceColumns) {
            tables.push_back(table);
            source.Answer("SELECT TOP 1 * FROM " + table, {columns, {}, {}});
        }
        test::CannedResult rootRow{{"idCategory"}, {}, {}}, taxRow{{"T_ID"}, {}, {}};
        if (root) rootRow.rows.push_back({V::Integer(1)});
        if (taxRate) taxRow.rows.push_back({V::Integer(3)});
        source.Tables(tables).Answer("SELECT * FROM categories WHERE categoryDesc = 'Root'", rootRow);
        destination.Answer("SELECT T_ID FROM tblQuillmartTaxRates", taxRow);
    }

    // The error text when the import throws, "" when it succeeds.
    std::string Import() {
        db::Connection s = source.Open(), d = destination.Open();
        return test::ErrorText([&] { ImportComersus(ctx, s, d); });
    }

    run::TextStatus status;
    run::RunContext ctx{status};
    test::RecordingConnection source, destination;
};

// A Yes/No column of an Access file is 1 in its snapshot, not -1.
TEST_F(ComersusStatements, AnAccessSourceLeavesOutHiddenProductsOfEitherForm) {
    Prepare();
    ctx.source.Kind = data::kAccess;
    source.AnswerPrefix("SELECT COUNT(*)", {{"Countage"}, {}, {{V::Integer(0)}}});
    ASSERT_EQ(Import(), "(no error)");
    EXPECT_THAT(source.Statements(),
                ::testing::Contains("SELECT * FROM products WHERE listHidden <> -1 AND listHidden <> True"));
    EXPECT_EQ(source.OpenResults(), 0);
}

// Each names what is missing before anything is cleared.
TEST_F(ComersusStatements, RefusalsComeBeforeAnyChange) {
    const std::string nothingChanged = " Nothing was changed.";
    const std::pair<std::string, std::string> cases[] = {
        {"NotAComersusShop",
         "The source database is not a Comersus shop that can be imported: it has no table categories_products, "
         "relatedProducts, bundles, optionsgroups, optionsgroups_products, options or options_optionsgroups and its "
         "table products has no column listHidden, active, details, listPrice, freeShipping, stock, stockSecurity, "
         "stockLevelAlert, showInHome, isBundleMain, weight, sku, smallImageURL or imageURL." + nothingChanged},
        {"NoRootCategory",
         "The Comersus source has no category named Root, the top of its category tree, so there is no tree to "
         "import." + nothingChanged},
        {"NoTaxRate",
         "The destination database has no tax rate in tblQuillmartTaxRates: every imported version takes the first "
         "one as its tax band. Add a tax rate to the shop first." + nothingChanged},
    };
    for (const auto& [what, error] : cases) {
        SCOPED_TRACE(what);
        source = test::RecordingConnection();
        destination = test::RecordingConnection();
        Prepare(what != "NoRootCategory", what != "NoTaxRate");
        if (what == "NotAComersusShop") {
            // An unrelated database that has a table named adminStats.
            source = test::RecordingConnection();
            source.Tables({"adminStats", "Categories", "products", "customers"})
                .Answer("SELECT TOP 1 * FROM categories", {kSourceColumns.at("categories"), {}, {}})
                .Answer("SELECT TOP 1 * FROM products", {{"idProduct", "description", "price"}, {}, {}});
        }
        EXPECT_EQ(Import(), error);
        for (const std::string& sql : destination.Statements()) EXPECT_EQ(sql.rfind("SELECT", 0), 0u) << sql;
        EXPECT_EQ(source.OpenResults(), 0);
        EXPECT_EQ(destination.OpenResults(), 0);
    }
}

}  // namespace
}  // namespace qdt::importers
