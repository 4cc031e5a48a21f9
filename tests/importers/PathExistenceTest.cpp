#include "importers/PathExistence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TestEnv.h"

namespace qdt::importers {
namespace {

struct Case {
    const char* path;  // under the test folder
    bool folder;       // FolderExists
    int entry;         // FileExists: 1, 0, or -1 when not asked
};

TEST(PathExistence, FoldersFilesAndSeparatorsOfEitherKind) {
    const std::string root = test::TempDir();
    std::filesystem::create_directories(root + "/shopping/images");
    std::filesystem::create_directories(root + "/up");
    std::ofstream(root + "/up/logo.gif") << "GIF89a";
    std::ofstream(root + "/catalogue.csv") << "name\n";
    const Case cases[] = {
        {"/up", true, 1},
        {"/up/", true, -1},
        {"/up\\", true, -1},
        {"/up//", true, -1},
        {"\\shopping\\images\\", true, -1},
        {"/shopping", true, 1},
        // "shopping" exists beside it; "shop" itself does not.
        {"/shop", false, 0},
        {"/shop/", false, 0},
        {"/shop\\", false, 0},
        {"/shoppin", false, 0},
        {"/catalogue.csv", false, 1},
        {"/catalogue.csv/", false, 0},
        {"/up/logo.gif", false, 1},
        {"/up\\logo.gif", false, 1},
        {"/up/logo.png", false, 0},
        {"/missing/", false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderExists(root + c.path), c.folder) << c.path;
        if (c.entry >= 0) {
            EXPECT_EQ(FileExists(root + c.path), c.entry == 1) << c.path;
        }
    }
    EXPECT_TRUE(FolderExists("/"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
}  // namespace qdt::importers
