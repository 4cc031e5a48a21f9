#include "importers/PathExistence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "support/TestEnv.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;

class BrowseTest : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::TempDir();
        fs::create_directories(root_ + "/shopping/images");
        fs::create_directories(root_ + "/up");
        std::ofstream(root_ + "/up/logo.gif") << "GIF89a";
        std::ofstream(root_ + "/catalogue.csv") << "name\n";
    }
    std::string root_;
};

TEST_F(BrowseTest, FolderExistsWithOrWithoutFinalSeparator) {
    EXPECT_TRUE(FolderExists(root_ + "/up"));
    EXPECT_TRUE(FolderExists(root_ + "/up/"));
    EXPECT_TRUE(FolderExists(root_ + "/up\\"));
    EXPECT_TRUE(FolderExists(root_ + "/up//"));
    EXPECT_TRUE(FolderExists(root_ + "\\shopping\\images\\"));
    EXPECT_TRUE(FolderExists("/"));
}

TEST_F(BrowseTest, FolderExistsIsNotFooledByASiblingThatSharesTheName) {
    // "shopping" exists beside it; "shop" itself does not.
    EXPECT_FALSE(FolderExists(root_ + "/shop"));
    EXPECT_FALSE(FolderExists(root_ + "/shop/"));
    EXPECT_FALSE(FolderExists(root_ + "/shop\\"));
    EXPECT_FALSE(FolderExists(root_ + "/shoppin"));
}

TEST_F(BrowseTest, FolderExistsIsFalseForFilesAndNothing) {
    EXPECT_FALSE(FolderExists(root_ + "/catalogue.csv"));
    EXPECT_FALSE(FolderExists(root_ + "/catalogue.csv/"));
    EXPECT_FALSE(FolderExists(root_ + "/missing/"));
    EXPECT_FALSE(FolderExists(""));
}

TEST_F(BrowseTest, FileExistsFindsFilesAndFolders) {
    EXPECT_TRUE(FileExists(root_ + "/catalogue.csv"));
    EXPECT_TRUE(FileExists(root_ + "/up/logo.gif"));
    EXPECT_TRUE(FileExists(root_ + "/up\\logo.gif"));
    EXPECT_TRUE(FileExists(root_ + "/shopping"));
}

TEST_F(BrowseTest, FileExistsIsFalseForMissingEntries) {
    EXPECT_FALSE(FileExists(root_ + "/up/logo.png"));
    EXPECT_FALSE(FileExists(root_ + "/shop"));
    EXPECT_FALSE(FileExists(root_ + "/catalogue.csv/"));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
}  // namespace qdt::importers
