// The companion reaches the VPASP import, with its image options.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "app/CliRunner.h"
#include "data/FixtureShops.h"

namespace qdt::app {
namespace {

namespace fs = std::filesystem;

TEST(CliVpasp, ImportsAVpaspShopWithTheNamedImageFolders) {
    const std::string source = test::NewSqliteFile("vpasp.sqlite");
    {
        db::Connection conn = test::OpenSqlite(source);
        ASSERT_NO_FATAL_FAILURE(data::testing::RunShopScript(conn, QDT_VPASP_SCRIPTS_DIR "/sqlite/vpasp-shop.sql"));
    }
    const std::string images = test::TempDir();
    fs::create_directories(images + "/images");
    std::ofstream(images + "/images/sencha.gif") << "sencha";
    const std::string uploads = test::TempDir();
    const std::string shop = data::testing::SqliteShop("5.104", true);

    auto r = testing::RunCli({"copy", "--source-kind", "sqlite", "--source-file", source, "--dest-kind", "sqlite",
                              "--dest-file", shop, "--copy-images", "--image-folder", images, "--uploads-folder",
                              uploads});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("Adding related products... done."), std::string::npos) << r.out;
    EXPECT_TRUE(fs::exists(uploads + "/images_products/1.gif"));
    db::Connection conn = test::OpenSqlite(shop);
    EXPECT_EQ(test::Count(conn, "SELECT COUNT(*) FROM tblQuillmartVersions"), 22);
}

}  // namespace
}  // namespace qdt::app
