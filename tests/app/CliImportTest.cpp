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

struct ShopCase {
    const char* name;
    const char* kind;
    const char* script;  // a SQLite script to build the source from, or "" for the file as it is
    const char* file;
    const char* image;     // under the image folder
    const char* uploaded;  // where it lands under the uploads folder
    const char* says;
};

void PrintTo(const ShopCase& c, std::ostream* os) { *os << c.name; }

class CliShopImport : public ::testing::TestWithParam<ShopCase> {};

TEST_P(CliShopImport, TakesTheImagesFromTheNamedFolder) {
    const ShopCase& c = GetParam();
    std::string source = c.file;
    if (*c.script) {
        source = test::NewSqliteFile("shop.sqlite");
        db::Connection conn = test::OpenSqlite(source);
        ASSERT_NO_FATAL_FAILURE(data::testing::RunShopScript(conn, c.script));
    }
    const std::string images = test::TempDir();
    fs::create_directories(images + "/images");
    std::ofstream(images + "/" + c.image) << "picture";
    const std::string uploads = test::TempDir() + "/uploads";
    fs::create_directories(uploads);
    auto r = testing::RunCli({"copy", "--source-kind", c.kind, "--source-file", source, "--dest-kind", "sqlite",
                              "--dest-file", data::testing::SqliteShop("5.104", true), "--copy-images",
                              "--image-folder", images, "--uploads-folder", uploads});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find(c.says), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(uploads + "/" + c.uploaded));
}

INSTANTIATE_TEST_SUITE_P(
    Systems, CliShopImport,
    ::testing::Values(ShopCase{"Vpasp", "sqlite", QDT_VPASP_SCRIPTS_DIR "/sqlite/vpasp-shop.sql", "",
                               "images/sencha.gif", "images_products/1.gif", "Adding related products... done."},
                      ShopCase{"Comersus", "sqlite", QDT_COMERSUS_SCRIPTS "/sqlite/comersus-shop.sql", "",
                               "images/hats.gif", "images_categories/1.gif", "Set to Comersus v5"},
                      // An Actinic catalogue kept in a SQLite file, given as the Access file.
                      ShopCase{"Actinic", "access", "", QDT_ACTINIC_FIXTURES "/shop.sqlite", "images/sencha.png",
                               "images_products/1.png", "Adding products...done."}),
    [](const ::testing::TestParamInfo<ShopCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::app
