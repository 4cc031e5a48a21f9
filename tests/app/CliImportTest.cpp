// The companion's image options reach the catalogue import: the images go
// from the named folder to the named uploads folder, not to the defaults.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"
#include "support/ShopDatabases.h"

namespace qdt::app {
namespace {

namespace fs = std::filesystem;

TEST(CliImport, ImportsTheDemoCatalogueWithTheNamedImageFolders) {
    const std::string folder = test::TempDir() + "/text";
    fs::create_directories(folder);
    fs::copy_file(QDT_DEMO_CATALOGUE "/catalogue.csv", folder + "/catalogue.csv");
    const std::string shop = data::testing::SqliteShop("5.104", true);
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads);
    // The source named bare, from its own folder: a text source needs the folder its name leaves out.
    const fs::path before = fs::current_path();
    fs::current_path(folder);
    auto r = testing::RunCli({"copy", "--source-kind", "text", "--source-file", "catalogue.csv", "--dest-kind",
                              "sqlite", "--dest-file", shop, "--copy-images", "--image-folder",
                              QDT_DEMO_CATALOGUE "/images", "--uploads-folder", uploads});
    fs::current_path(before);
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(fs::exists(uploads + "/images_products/2.PNG"));
    EXPECT_TRUE(fs::exists(uploads + "/images_versions/1.png"));
    // Nothing went to the defaults, the folders of the two files.
    EXPECT_FALSE(fs::exists(fs::path(shop).parent_path() / "images_products"));
}

// An Actinic catalogue kept in a SQLite file, given as the Access file.
TEST(CliImport, ImportsAnActinicCatalogueFromASqliteFile) {
    const std::string store = test::TempDir();
    fs::create_directories(store + "/images");
    std::ofstream(store + "/kettle.zip") << "kettle";
    std::ofstream(store + "/images/sencha.png") << "sencha";
    const std::string shop = data::testing::SqliteShop("5.104", true);
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads);
    auto r = testing::RunCli({"copy", "--source-kind", "access", "--source-file", QDT_ACTINIC_FIXTURES "/shop.sqlite",
                              "--dest-kind", "sqlite", "--dest-file", shop, "--copy-images", "--image-folder", store,
                              "--uploads-folder", uploads});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Adding products...done."), std::string::npos) << r.out;
    db::Connection c = test::OpenSqlite(shop);
    EXPECT_EQ(test::Count(c, "SELECT COUNT(*) FROM tblQuillmartProducts"), 7);
    EXPECT_EQ(test::Count(c, "SELECT COUNT(*) FROM tblQuillmartVersions WHERE V_DownloadType = 'u'"), 4);
    EXPECT_TRUE(fs::exists(uploads + "/images_products/1.png"));
    std::size_t downloads = 0;
    for (const auto& entry : fs::directory_iterator(uploads + "/files_versions")) downloads += entry.path().extension() == ".zip";
    EXPECT_EQ(downloads, 4u);
}

TEST(CliImport, ImportsAComersusShopWithTheNamedImageFolders) {
    const std::string source = test::NewSqliteFile("comersus.sqlite");
    {
        db::Connection conn = test::OpenSqlite(source);
        data::testing::RunShopScript(conn, QDT_COMERSUS_SCRIPTS "/sqlite/comersus-shop.sql");
    }
    const std::string images = test::TempDir();
    fs::create_directories(images + "/images");
    std::ofstream(images + "/images/hats.gif") << "hats";
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads);
    const std::string shop = data::testing::SqliteShop("5.104", true);
    auto r = testing::RunCli({"copy", "--source-kind", "sqlite", "--source-file", source, "--dest-kind", "sqlite",
                              "--dest-file", shop, "--copy-images", "--image-folder", images, "--uploads-folder",
                              uploads});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Set to Comersus v5"), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(uploads + "/images_categories/1.gif"));
}

}  // namespace
}  // namespace qdt::app
