#include "importers/ImageFiles.h"

#include <random>
#include <stdexcept>
#include <system_error>

namespace qdt::importers {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kMissingNamed = 5;

// "images_products\7.gif" -> "images_products/7.gif". A target comes from
// the importer and must stay inside the uploads folder.
std::string RelativeTarget(const std::string& target) {
    std::string relative;
    for (const std::string& part : PathParts(target)) {
        if (part == ".." || (part.size() >= 2 && part[1] == ':'))
            throw std::runtime_error("The file name '" + target + "' points outside the uploads folder.");
        relative += (relative.empty() ? "" : "/") + part;
    }
    if (relative.empty()) throw std::runtime_error("An image was to be copied without a file name.");
    if (!target.empty() && target.front() == '/')
        throw std::runtime_error("The file name '" + target + "' points outside the uploads folder.");
    return relative;
}

std::string StagingName() {
    std::random_device random;
    const char* hex = "0123456789abcdef";
    std::string name = ".qdt-import-";
    for (int i = 0; i < 12; ++i) name += hex[random() % 16];
    return name;
}

// Replaces target by from; a rename when both lie on one file system.
void MoveOver(const fs::path& from, const fs::path& target) {
    std::error_code error;
    fs::rename(from, target, error);
    if (!error) return;
    fs::copy_file(from, target, fs::copy_options::overwrite_existing);
    fs::remove(from);
}

}  // namespace

ImageFiles::ImageFiles(const std::string& sourceFolder, const std::string& uploadsFolder)
    : finder_(std::make_unique<SourceFileFinder>(sourceFolder)), sourceFolder_(sourceFolder) {
    std::error_code error;
    uploads_ = uploadsFolder.empty() ? fs::path() : LocalFolder(uploadsFolder);
    if (uploadsFolder.empty() || !fs::is_directory(uploads_, error))
        throw std::runtime_error("The uploads folder '" + uploadsFolder +
                                 "' does not exist. Please choose the destination shop's uploads folder in the "
                                 "settings, or untick Copy Images.");
    staging_ = uploads_ / StagingName();
    if (!fs::create_directory(staging_, error) || error)
        throw std::runtime_error("The uploads folder '" + uploadsFolder + "' cannot be written to: " +
                                 (error ? error.message() : "the staging folder exists") + ".");
}

ImageFiles::~ImageFiles() { Discard(); }

ImageFiles::ImageFiles(ImageFiles&& other) noexcept { *this = std::move(other); }

ImageFiles& ImageFiles::operator=(ImageFiles&& other) noexcept {
    if (this == &other) return *this;
    Discard();
    finder_ = std::move(other.finder_);
    sourceFolder_ = std::move(other.sourceFolder_);
    uploads_ = std::move(other.uploads_);
    staging_ = std::move(other.staging_);
    clearedSubfolders_ = std::move(other.clearedSubfolders_);
    staged_ = std::move(other.staged_);
    missingCount_ = other.missingCount_;
    firstMissing_ = std::move(other.firstMissing_);
    other.staging_.clear();
    other.staged_.clear();
    return *this;
}

void ImageFiles::DeleteImages(const std::string& subfolder) {
    const std::string relative = RelativeTarget(subfolder);
    for (const std::string& known : clearedSubfolders_)
        if (known == relative) return;
    clearedSubfolders_.push_back(relative);
}

void ImageFiles::CopyImage(const std::string& sourceFile, std::string targetName, std::string extension) {
    if (sourceFile.empty()) return;
    if (targetName.empty()) targetName = sourceFile;
    if (extension.empty()) extension = SourceExtension(sourceFile);
    auto found = finder_->Find(sourceFile);
    if (!found) {
        NoteMissing(sourceFile);
        return;
    }
    Stage(*found, targetName + "." + extension);
}

bool ImageFiles::CopyFileToFolder(const std::string& sourcePath, const std::string& targetName) {
    if (sourcePath.empty()) return false;
    auto found = finder_->Find(sourcePath);
    if (!found) {
        NoteMissing(sourcePath);
        return false;
    }
    Stage(*found, targetName);
    return true;
}

void ImageFiles::Stage(const fs::path& from, const std::string& targetName) {
    if (staging_.empty()) throw std::runtime_error("The import's image files have already been put in place.");
    const std::string relative = RelativeTarget(targetName);
    const fs::path staged = staging_ / relative;
    fs::create_directories(staged.parent_path());
    fs::copy_file(from, staged, fs::copy_options::overwrite_existing);
    staged_[relative] = staged;
}

void ImageFiles::NoteMissing(const std::string& name) {
    ++missingCount_;
    if (firstMissing_.size() < kMissingNamed) firstMissing_.push_back(name);
}

std::string ImageFiles::MissingWarning() const {
    if (missingCount_ == 0) return {};
    std::string names;
    for (std::size_t i = 0; i < firstMissing_.size(); ++i) {
        if (i > 0) names += i + 1 == firstMissing_.size() && missingCount_ == firstMissing_.size() ? " and " : ", ";
        names += firstMissing_[i];
    }
    if (missingCount_ > firstMissing_.size())
        names += " and " + std::to_string(missingCount_ - firstMissing_.size()) + " more";
    const std::string where = sourceFolder_.empty() ? " (no source image folder was given)"
                                                    : " in the source image folder '" + sourceFolder_ + "'";
    return std::to_string(missingCount_) + (missingCount_ == 1 ? " file" : " files") +
           " named by the catalogue could not be found" + where + ": " + names + ".";
}

std::vector<std::string> ImageFiles::Publish() {
    std::vector<std::string> problems;
    if (staging_.empty()) return problems;
    std::size_t notRemoved = 0, notMoved = 0;
    std::string removeError, moveError;

    // Old files that a new one replaces stay until the rename swaps them, so
    // the shop never shows a missing picture for a row that has one.
    for (const std::string& subfolder : clearedSubfolders_) {
        std::error_code error;
        for (fs::directory_iterator it(uploads_ / subfolder, error), end; !error && it != end; it.increment(error)) {
            std::error_code kind;
            if (it->is_directory(kind)) continue;
            if (staged_.count(subfolder + "/" + it->path().filename().string())) continue;
            std::error_code removal;
            fs::remove(it->path(), removal);
            if (removal && notRemoved++ == 0) removeError = it->path().string() + ": " + removal.message();
        }
    }
    for (const auto& [relative, staged] : staged_) {
        const fs::path target = uploads_ / relative;
        try {
            fs::create_directories(target.parent_path());
            MoveOver(staged, target);
        } catch (const std::exception& e) {
            if (notMoved++ == 0) moveError = e.what();
        }
    }
    if (notRemoved > 0)
        problems.push_back(std::to_string(notRemoved) + " old image files in '" + uploads_.string() +
                           "' could not be removed (" + removeError + ").");
    if (notMoved > 0) {
        // The copies that did not move are the only ones: keep them.
        problems.push_back("The catalogue was saved, but " + std::to_string(notMoved) + " of its " +
                           std::to_string(staged_.size()) + " image files could not be put in '" + uploads_.string() +
                           "' (" + moveError + "); they are kept in '" + staging_.string() + "'.");
    } else {
        std::error_code error;
        fs::remove_all(staging_, error);
    }
    staging_.clear();
    staged_.clear();
    return problems;
}

void ImageFiles::Discard() {
    if (staging_.empty()) return;
    std::error_code error;
    fs::remove_all(staging_, error);
    staging_.clear();
    staged_.clear();
}

}  // namespace qdt::importers
