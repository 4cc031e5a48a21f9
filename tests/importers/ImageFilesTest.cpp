#include "importers/ImageFiles.h"
#include "importers/PathExistence.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "support/TestEnv.h"

namespace qdt::importers {
namespace {

namespace fs = std::filesystem;

using test::Files;

class Images : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = test::TempDir();
        source_ = root_ + "/shop";
        uploads_ = root_ + "/uploads";
        for (const auto& [path, content] : std::map<std::string, std::string>{
                 {"shop/a.gif", "a"}, {"shop/images/Tea.GIF", "tea"}, {"shop/images/sub/Green.png", "green"},
                 {"shop/Shop/Images/deep.jpg", "deep"}, {"shop/noext", "noext"},
                 {"uploads/images_products/3.gif", "old 3"}, {"uploads/images_products/7.gif", "old 7"},
                 {"uploads/images_products/kept/x.gif", "a subfolder's file"},
                 {"uploads/images_versions/1.gif", "not cleared"}})
            test::WriteFile(root_ + "/" + path, content);
        fs::create_directories(uploads_ + "/images_products_large");
    }
    std::string root_, source_, uploads_;
};

// Paths as shops on Windows store them, looked up in the chosen source folder:
// what each finds, relative to it ("" when nothing is found).
TEST_F(Images, SourcePathsAreFoundAsAWindowsShopMeantThem) {
    SourceFileFinder finder(source_);
    const std::pair<const char*, const char*> cases[] = {
        {"a.gif", "a.gif"}, {"images\\Tea.GIF", "images/Tea.GIF"}, {"IMAGES/tea.gif", "images/Tea.GIF"},
        {"images\\SUB\\green.PNG", "images/sub/Green.png"}, {".\\images//Tea.GIF", "images/Tea.GIF"},
        // A drive letter path: its trailing parts under the source folder, longest first.
        {"C:\\shop\\images\\tea.gif", "images/Tea.GIF"}, {"C:\\Shop\\Images\\deep.jpg", "Shop/Images/deep.jpg"},
        {"D:\\elsewhere\\A.GIF", "a.gif"}, {"c:/x/a.gif", "a.gif"}, {"\\\\server\\share\\a.gif", "a.gif"},
        {"images/missing.gif", ""}, {"images", ""}, {"C:\\x\\nothing.gif", ""}, {"", ""}};
    for (const auto& [stored, expected] : cases) {
        const auto found = finder.Find(stored);
        EXPECT_EQ(found ? fs::relative(*found, source_).generic_string() : "", expected) << stored;
    }
}

TEST_F(Images, WithoutASourceFolderOnlyAnAbsolutePathIsFound) {
    SourceFileFinder finder("");
    EXPECT_FALSE(finder.Find("a.gif"));
    EXPECT_FALSE(finder.Find("C:\\shop\\a.gif"));
    EXPECT_TRUE(finder.Find(source_ + "/images/tea.gif"));
    // A source folder typed with "\" is read as it was meant.
    SourceFileFinder typed(root_ + "\\shop\\");
    EXPECT_TRUE(typed.Find("images\\Tea.GIF"));
}

TEST_F(Images, PublishReplacesTheClearedFoldersAndLeavesTheRest) {
    {
        ImageFiles files(source_, uploads_);
        files.DeleteImages("images_products");
        files.DeleteImages("images_products_large");
        files.DeleteImages("images_categories");  // missing: nothing to clear
        files.CopyImage("images\\Tea.GIF", "images_products\\7");
        files.CopyImage("a.gif", "images_products_large\\7");
        files.CopyImage("noext", "images_categories\\12");  // created on publish
        files.CopyImage("images/sub/Green.png", "images_versions\\1", "gif");
        files.CopyFileToFolder("C:\\Actinic\\shop\\images\\deep.jpg", "files_versions\\4_abc.jpg");
        EXPECT_EQ(Files(uploads_).count("images_products/7.GIF"), 0u) << "nothing moves before the commit";
        EXPECT_TRUE(files.Publish().empty());
        EXPECT_FALSE(fs::exists(files.StagingFolder()));
    }
    EXPECT_EQ(Files(uploads_), (std::map<std::string, std::string>{
                                   {"images_products/7.GIF", "tea"}, {"images_products_large/7.gif", "a"},
                                   {"images_products/kept/x.gif", "a subfolder's file"},
                                   {"images_categories/12.noext", "noext"}, {"images_versions/1.gif", "green"},
                                   {"files_versions/4_abc.jpg", "deep"}}));
    EXPECT_EQ(std::distance(fs::directory_iterator(uploads_), fs::directory_iterator()), 5);
}

TEST_F(Images, AMissingUploadsFolderIsRefusedAtOnce) {
    EXPECT_EQ(test::ErrorText<std::runtime_error>([&] { ImageFiles files(source_, root_ + "/no-uploads"); }),
              "The uploads folder '" + root_ +
                  "/no-uploads' does not exist. Please choose the destination shop's uploads folder in the settings, "
                  "or untick Copy Images.");
    // A target the importer made must stay inside the uploads folder.
    ImageFiles files(source_, uploads_);
    for (const std::string target : {"..\\..\\etc\\7", "/etc/7", "C:\\images\\7"})
        EXPECT_EQ(test::ErrorText<std::runtime_error>([&] { files.CopyImage("a.gif", target); }),
                  "The file name '" + target + ".gif' points outside the uploads folder.");
    EXPECT_EQ(test::ErrorText<std::runtime_error>([&] { files.CopyFileToFolder("a.gif", ""); }),
              "An image was to be copied without a file name.");
}

TEST_F(Images, MissingFilesAreReportedOnceNamingTheFirstFew) {
    ImageFiles files(source_, uploads_);
    files.CopyImage("a.gif", "images_products\\0");
    files.CopyImage("", "images_products\\99");  // no file named: nothing missing
    EXPECT_EQ(files.MissingWarning(), "");
    for (int i = 1; i <= 7; ++i) files.CopyImage(std::to_string(i), "images_products\\" + std::to_string(i));
    EXPECT_EQ(files.MissingWarning(), "7 files named by the catalogue could not be found in the source image folder '" +
                                          source_ + "': 1, 2, 3, 4, 5 and 2 more.");
}

struct Case {
    const char* path;  // under the test folder
    bool folder;       // FolderExists
    int entry;         // FileExists: 1, 0, or -1 when not asked
};

TEST_F(Images, FoldersAndFilesExistWithSeparatorsOfEitherKind) {
    const Case cases[] = {
        {"/uploads", true, 1},
        {"/uploads/", true, -1},
        {"/uploads\\", true, -1},
        {"/uploads//", true, -1},
        {"\\shop\\images\\", true, -1},
        // "shop" exists beside it; "sho" itself does not.
        {"/sho", false, 0},
        {"/sho/", false, 0},
        {"/sho\\", false, 0},
        {"/shop/a.gif", false, 1},
        {"/shop/a.gif/", false, 0},
        {"/shop\\images\\Tea.GIF", false, 1},
        {"/shop/b.gif", false, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(FolderExists(root_ + c.path), c.folder) << c.path;
        if (c.entry >= 0) {
            EXPECT_EQ(FileExists(root_ + c.path), c.entry == 1) << c.path;
        }
    }
    EXPECT_TRUE(FolderExists("/"));
    EXPECT_FALSE(FolderExists(""));
    EXPECT_FALSE(FileExists(""));
}

}  // namespace
}  // namespace qdt::importers
