#pragma once

#include <cstddef>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "importers/SourceFileFinder.h"

namespace qdt::importers {

// The image and download files of one catalogue import, kept to the same
// all-or-nothing promise as its rows. New files are staged in a folder of
// their own inside the uploads folder; only Publish, called once the
// destination's transaction has committed, clears the old files and moves the
// new ones in. Until then the shop's files are untouched, and dropping the
// object (a failed or cancelled import) removes the staging folder.
//
// Target names are relative to the uploads folder and use "\" or "/"
// ("images_products\7"); a missing target subfolder is created on Publish.
class ImageFiles {
public:
    // Creates the staging folder at once, so that an uploads folder that is
    // missing or cannot be written is reported before anything is changed.
    ImageFiles(const std::string& sourceFolder, const std::string& uploadsFolder);
    ~ImageFiles();
    ImageFiles(ImageFiles&&) noexcept;
    ImageFiles& operator=(ImageFiles&&) noexcept;

    // Every file directly in the subfolder goes on Publish (its subfolders
    // stay). An empty or missing subfolder is not an error.
    void DeleteImages(const std::string& subfolder);
    // Stages the file the source names (sourceFile, as the source stored it)
    // as targetName + "." + extension; an empty extension means the source
    // file's own, an empty target name the source file's name. Nothing
    // happens for an empty sourceFile; a file not found is counted.
    void CopyImage(const std::string& sourceFile, std::string targetName, std::string extension = {});
    // Stages a file given by its full path (found as CopyImage finds files)
    // under targetName, which includes its extension. False when not found.
    bool CopyFileToFolder(const std::string& sourcePath, const std::string& targetName);

    // Files named but not found, in the order met.
    std::size_t MissingCount() const { return missingCount_; }
    // Files staged so far, each put in place by Publish.
    std::size_t StagedCount() const { return staged_.size(); }
    // One warning line naming the first few missing files, or "" when none is missing.
    std::string MissingWarning() const;

    // After the commit: clears the subfolders given to DeleteImages (keeping
    // the files about to be replaced until they are), moves the staged files
    // in and removes the staging folder. Never throws: what fails is returned
    // as warning lines, since the rows are already saved.
    std::vector<std::string> Publish();
    // Removes the staging folder and forgets the staged files.
    void Discard();

    const std::filesystem::path& StagingFolder() const { return staging_; }

private:
    void Stage(const std::filesystem::path& from, const std::string& targetName);
    void NoteMissing(const std::string& name);

    std::unique_ptr<SourceFileFinder> finder_;
    std::string sourceFolder_;
    std::filesystem::path uploads_;
    std::filesystem::path staging_;
    std::vector<std::string> clearedSubfolders_;
    // Target (relative, "/"-separated) -> staged copy.
    std::map<std::string, std::filesystem::path> staged_;
    std::size_t missingCount_ = 0;
    std::vector<std::string> firstMissing_;
};

}  // namespace qdt::importers
