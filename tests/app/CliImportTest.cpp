// The companion's image options reach the catalogue import: the images go
// from the named folder to the named uploads folder, not to the defaults.
#include <gtest/gtest.h>

#include <filesystem>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"

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

}  // namespace
}  // namespace qdt::app
