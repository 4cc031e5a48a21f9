// Whole flat-file imports through the transfer run, into SQLite and MariaDB.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "data/Detection.h"
#include "data/FixtureShops.h"
#include "data/run/TextStatus.h"
#include "importers/CatalogueShop.h"
#include "importers/CatalogueSheet.h"
#include "support/TestEnv.h"
#include "wizard/TransferRun.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;
using testing::Cells;
using testing::Version;

void Write(const fs::path& path, const std::string& content) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << content;
}

std::map<std::string, std::string> Files(const fs::path& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(folder)) {
        if (!entry.is_regular_file()) continue;
        std::stringstream content;
        content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        files[fs::relative(entry.path(), folder).generic_string()] = content.str();
    }
    return files;
}

std::vector<Cells> Sheet() {
    return {
        Version({"Tea", "Green"}, "Sencha", "S-100",
                {{kCategoryDesc, "Leaves and more"}, {4 + kCategoryDesc, "Green teas"},
                 {kCategoryImage, "images\\tea.gif"}, {kCategoryLargeImage, "C:\\Shop\\images\\tea_large.jpg"},
                 {kProductDesc, "First flush"}, {kProductImage, "products/sencha.png"}, {kVersionImage, "missing1.gif"},
                 {kVersionName, "50 g"}, {kPrice, "4.5"}, {kQuantity, "10"}, {kWeight, "0.1"}, {kRrp, "5"}}),
        Version({"Tea", "Green"}, "Sencha", "S-250",
                {{kVersionName, "100 g"}, {kPrice, "12.50"}, {kVersionImage, "versions\\S250.GIF"}}),
        Version({"Tea", "", "Black"}, "O'Brien's Assam", "A-1",
                {{kVersionName, "250 g"}, {kVersionDesc, "Loose"}, {kProductDesc, "Malty; \"strong\""},
                 {kProductStrapLine, "Strong"}, {kProductSpecTable, "<table/>"}, {kProductHyperlink, "http://x"},
                 {kProductImage, "C:\\pics\\missing2.jpg"}, {kPrice, "3"}, {kWeight, "0.25"}, {kRrp, "3.5"},
                 {kQuantity, "7"}, {kTaxRate, "5"}}),
        Version({"Coffee"}, "Ghost", "", {{kPrice, "n/a"}}),
        Version({"Tea"}, "Gift box", "S-100"),
        Version({"Coffee", "Green"}, "Java", "J-1",
                {{kVersionName, "Beans"}, {kPrice, "9.99"}, {kWeight, "1"}, {kRrp, "11"}, {kQuantity, "2"},
                 {kTaxRate, "17.50"}}),
        Version({}, "Loose spoon", "SP", {{kVersionName, "Spoon"}, {kPrice, "1"}, {kTaxRate, "0"}}),
    };
}

testing::Catalogue Expected() {
    testing::Catalogue c;
    c.categories = {"/Coffee||ydd|0|", "/Coffee/Green||ydd|0|", "/Tea|Leaves and more|ydd|0|", "/Tea/Black||ydd|0|",
                    "/Tea/Green|Green teas|ydd|0|"};
    c.products = {"Gift box|||||y|0|0||d", "Java|||||y|0|0||d", "Loose spoon|||||y|0|0||d",
                  "O'Brien's Assam|Malty; \"strong\"|Strong|<table/>|http://x|y|0|0||d",
                  "Sencha|First flush||||y|0|0||d"};
    c.versions = {"A-1|250 g|Loose|3|0.25|3.5|7|O'Brien's Assam|5|yn0", "J-1|Beans||9.99|1|11|2|Java|17.5|yn0",
                  "S-100|50 g||4.5|0.1|5|10|Sencha|17.5|yn0", "S-250|100 g||12.5|0.5|12|5|Sencha|17.5|yn0",
                  "SP|Spoon||1|0.5|12|5|Loose spoon|0|yn0"};
    c.links = {"Gift box@/Tea", "Java@/Coffee/Green", "Loose spoon@", "O'Brien's Assam@/Tea/Black", "Sencha@/Tea/Green"};
    // "17.50" is the same rate as "17.5"; the bands' 17.5 reuses it.
    c.rates = {"0", "17.5", "5"};
    c.bands = {"orderhandlingchargetaxband=17.5", "shiptaxband=17.5"};
    for (auto* list : {&c.categories, &c.products, &c.versions, &c.links, &c.rates}) std::sort(list->begin(), list->end());
    return c;
}

struct Shop {
    data::ConnectionProfile profile;
    db::Connection Open() const {
        db::Connection c;
        c.Open(profile.ConnectionString);
        return c;
    }
};

class FlatFileRun : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        root_ = test::TempDir();
        images_ = root_ + "/shop";
        uploads_ = root_ + "/uploads";
        Write(images_ + "/images/Tea.GIF", "tea-cat");
        Write(images_ + "/images/tea_large.jpg", "tea-large");
        Write(images_ + "/Products/Sencha.png", "sencha");
        Write(images_ + "/versions/s250.gif", "s250");
        Write(uploads_ + "/images_products/1.gif", "old product");
        Write(uploads_ + "/images_products/keep/x.txt", "kept");
        Write(uploads_ + "/images_categories/9.png", "old category");
        fs::create_directories(uploads_ + "/images_versions_large");

        if (std::string(GetParam()) == "sqlite") {
            shop_.profile.Kind = data::kSqlite;
            shop_.profile.Database = data::testing::SqliteShop("5.104", true);
            shop_.profile.ConnectionString = data::GetConnectionString(shop_.profile);
            Prepare(testing::kSqliteCatalogueColumns);
        } else {
            QDT_REQUIRE_MYSQL_SERVER(server);
            db::Connection admin;
            admin.Open(server.ConnectionString());
            admin.Execute("DROP DATABASE IF EXISTS qdt_importer")->Close();
            admin.Execute("CREATE DATABASE qdt_importer CHARACTER SET utf8mb4")->Close();
            shop_.profile.Kind = data::kMySql;
            shop_.profile.Server = server.host + ":" + std::to_string(server.port);
            shop_.profile.Database = "qdt_importer";
            shop_.profile.User = server.user;
            shop_.profile.Password = server.password;
            shop_.profile.ConnectionString = data::GetConnectionString(shop_.profile);
            db::Connection conn = shop_.Open();
            data::testing::RunShopScript(conn, data::testing::ShopScript("mysql", "5.104", true));
            Prepare(testing::kMySqlCatalogueColumns);
        }
        shop_.profile.DateDelimiter = "'";
    }

    void Prepare(const std::vector<std::string>& statements) {
        db::Connection conn = shop_.Open();
        for (const std::string& sql : statements) conn.Execute(sql)->Close();
    }

    wizard::StepOutcome Import(run::TextStatus& status, const std::vector<Cells>& rows) {
        run::RunContext ctx(status);
        ctx.source.Kind = data::kSqlite;
        ctx.source.Database = testing::SqliteSheet("items", rows);
        ctx.source.ConnectionString = data::GetConnectionString(ctx.source);
        ctx.source.SystemName = data::kSystemFlatFile;
        ctx.source.TextTable = "items";
        ctx.destination = shop_.profile;
        ctx.settings.ImageCopySettings[data::kImagesFlatFile] = {true, images_, uploads_};
        return wizard::RunTransfer(ctx);
    }

    testing::Catalogue Read() {
        db::Connection conn = shop_.Open();
        return testing::ReadCatalogue(conn, "tblQuillmartProdtype");
    }

    std::string root_, images_, uploads_;
    Shop shop_;
};

TEST_P(FlatFileRun, ReplacesTheCatalogueAndItsImages) {
    run::TextStatus status;
    wizard::StepOutcome run = Import(status, Sheet());
    ASSERT_TRUE(run.succeeded) << status.txtStep2;

    const testing::Catalogue catalogue = Read(), expected = Expected();
    EXPECT_EQ(catalogue.categories, expected.categories);
    EXPECT_EQ(catalogue.products, expected.products);
    EXPECT_EQ(catalogue.versions, expected.versions);
    EXPECT_EQ(catalogue.links, expected.links);
    EXPECT_EQ(catalogue.rates, expected.rates);
    EXPECT_EQ(catalogue.bands, expected.bands);

    auto id = [](const std::map<std::string, long long>& ids, const std::string& key) {
        auto found = ids.find(key);
        return found == ids.end() ? std::string("?") : std::to_string(found->second);
    };
    EXPECT_EQ(Files(uploads_), (std::map<std::string, std::string>{
                                   {"images_categories/" + id(catalogue.categoryId, "/Tea") + ".gif", "tea-cat"},
                                   {"images_categories_large/" + id(catalogue.categoryId, "/Tea") + ".jpg", "tea-large"},
                                   {"images_products/" + id(catalogue.productId, "Sencha") + ".png", "sencha"},
                                   {"images_versions/" + id(catalogue.versionId, "S-250") + ".GIF", "s250"},
                                   {"images_products/keep/x.txt", "kept"},
                               }));
    EXPECT_NE(status.txtStep2.find(
                  "\r\nGetting Record Count... 6\r\nDeleting records from destination tables... done.\r\n"
                  "Deleting old category, product and version images... done.\r\nProcessing Records... done.\r\n"),
              std::string::npos)
        << status.txtStep2;
    EXPECT_NE(status.txtStep2.find("\r\nThe following problems were encountered;\r\n2 files named by the catalogue "
                                   "could not be found in the source image folder '" +
                                   images_ + "': missing1.gif and C:\\pics\\missing2.jpg.\r\n"),
              std::string::npos)
        << status.txtStep2;
}

TEST_P(FlatFileRun, AFailurePartWayLeavesRowsAndImagesAsTheyWere) {
    run::TextStatus first;
    ASSERT_TRUE(Import(first, Sheet()).succeeded) << first.txtStep2;
    Prepare({"CREATE UNIQUE INDEX qdt_one_name ON tblQuillmartVersions (V_Name1)"});
    db::Connection conn = shop_.Open();
    const auto rows = testing::Dump(conn, "tblQuillmartProdtype");
    conn.Close();
    const auto files = Files(uploads_);

    // The sixth row's version repeats the first one's name: its insert fails
    // after every other table was written and images were staged.
    std::vector<Cells> sheet = Sheet();
    sheet[5][kVersionName] = "50 g";
    sheet[5][kVersionImage] = "images/tea.gif";
    run::TextStatus status;
    wizard::StepOutcome run = Import(status, sheet);

    EXPECT_FALSE(run.succeeded);
    EXPECT_NE(status.txtStep2.find("\r\nError occurred!\r\n"), std::string::npos);
    EXPECT_NE(status.txtStep2.find("'J-1'"), std::string::npos) << status.txtStep2;
    EXPECT_EQ(status.txtStep2.substr(status.txtStep2.rfind("\r\n")), "\r\nThe destination database was left unchanged.");
    conn = shop_.Open();
    EXPECT_EQ(testing::Dump(conn, "tblQuillmartProdtype"), rows);
    EXPECT_EQ(Files(uploads_), files);
    for (const auto& entry : fs::directory_iterator(uploads_))
        EXPECT_NE(entry.path().filename().string().rfind(".qdt-import", 0), 0u) << "a staging folder is left";
}

INSTANTIATE_TEST_SUITE_P(Destinations, FlatFileRun, ::testing::Values("sqlite", "mysql"));

// A category table whose identity a trigger sets, not the engine's row id:
// the last-insert id would be wrong, and the statement's own answer counts.
TEST(FlatFileIdentities, ATriggerSetIdentityIsReadBack) {
    const std::string shop = data::testing::SqliteShop("5.104", true);
    {
        db::Connection conn;
        conn.Open("Provider=SQLite;Data Source=" + shop);
        for (const std::string& sql : std::vector<std::string>{
                 "DROP TABLE tblQuillmartProdtype",
                 "CREATE TABLE tblQuillmartProdtype (PT_ID INTEGER, PT_MotherProdType INTEGER, PT_Name1 VARCHAR(255), "
                 "PT_Desc1 TEXT, PT_Live VARCHAR(1), PT_ProductDisplayType VARCHAR(1), PT_ProdTypeDisplayType "
                 "VARCHAR(1), PT_OrderByValue INTEGER, PT_OrderProductsBy VARCHAR(50))",
                 "CREATE TRIGGER pt_id AFTER INSERT ON tblQuillmartProdtype BEGIN UPDATE tblQuillmartProdtype SET "
                 "PT_ID = NEW.rowid + 100 WHERE rowid = NEW.rowid; END",
                 testing::kSqliteCatalogueColumns[1]})
            conn.Execute(sql)->Close();
    }
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source.Kind = data::kSqlite;
    ctx.source.Database = testing::SqliteSheet("items", Sheet());
    ctx.source.ConnectionString = data::GetConnectionString(ctx.source);
    ctx.source.SystemName = data::kSystemFlatFile;
    ctx.source.TextTable = "items";
    ctx.destination.Kind = data::kSqlite;
    ctx.destination.Database = shop;
    ctx.destination.ConnectionString = data::GetConnectionString(ctx.destination);
    ASSERT_TRUE(wizard::RunTransfer(ctx).succeeded) << status.txtStep2;

    db::Connection conn;
    conn.Open(ctx.destination.ConnectionString);
    const testing::Catalogue catalogue = testing::ReadCatalogue(conn, "tblQuillmartProdtype");
    EXPECT_EQ(catalogue.categories, Expected().categories);
    EXPECT_EQ(catalogue.links, Expected().links);
    EXPECT_EQ(catalogue.categoryId.at("/Tea"), 101);
}

}  // namespace
}  // namespace qdt::importers
