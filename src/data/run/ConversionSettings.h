#pragma once

#include <array>
#include <string>
#include <utility>
#include <vector>

namespace qdt::data {

// Entries ("tblQuillmartNews", "Add Administrator Login") mapped to "y" or
// "n", kept in the order they were added: that order is the order of the work.
class SelectionList {
public:
    void Add(const std::string& key, const std::string& value) { entries_.emplace_back(key, value); }
    // False when the list has no such entry.
    bool Set(const std::string& key, const std::string& value);
    bool Contains(const std::string& key) const;
    const std::string* Get(const std::string& key) const;
    // Keeps only the entries whose value is "y".
    void RemoveUnselected();
    void Clear() { entries_.clear(); }
    std::size_t Count() const { return entries_.size(); }
    const std::vector<std::pair<std::string, std::string>>& Entries() const { return entries_; }

private:
    std::vector<std::pair<std::string, std::string>> entries_;
};

struct ImageCopySetting {
    bool CopyImages = false;
    std::string SourceDir;
    std::string DestinDir;
};

// The catalogue systems that have image settings, in their fixed order.
enum ImageSystem { kImagesFlatFile = 0, kImagesVpasp = 1, kImagesActinic = 2, kImagesComersus = 3 };

struct ConversionSettings {
    SelectionList CopyTableList;
    SelectionList CompareTableList;
    SelectionList JobList;
    std::array<ImageCopySetting, 4> ImageCopySettings;
};

inline constexpr const char* kJobAdminLogin = "Add Administrator Login";
inline constexpr const char* kJobDownloadShippingRate = "Add Downloadable Shipping Rate";
inline constexpr const char* kJobNewsPlaceholders = "Add News Placeholders For New Languages";

}  // namespace qdt::data
