#include "db/sheets/TextProvider.h"

#include <algorithm>
#include <filesystem>

#include "db/Error.h"
#include "db/Providers.h"
#include "db/Text.h"
#include "db/sheets/TextTable.h"

namespace qdt::db::sheets {

namespace {

namespace fs = std::filesystem;

bool IsTextFile(const fs::path& p) {
    std::string ext = ToLowerAscii(p.extension().string());
    return ext == ".txt" || ext == ".csv" || ext == ".tab" || ext == ".asc";
}

// The file a table name stands for: its exact name, or else one that differs
// only in letter case, as on the systems these files come from.
std::optional<std::string> FindFile(const std::string& folder, const std::string& name) {
    std::error_code ec;
    if (name.find('/') != std::string::npos || name.find('\\') != std::string::npos) return std::nullopt;
    if (fs::is_regular_file(fs::path(folder) / name, ec)) return name;
    for (const auto& entry : fs::directory_iterator(folder, ec)) {
        std::string file = entry.path().filename().string();
        if (EqualsIgnoreCase(file, name) && entry.is_regular_file(ec)) return file;
    }
    return std::nullopt;
}

}  // namespace

TextProvider::TextProvider(std::unique_ptr<SqliteProvider> snapshot, std::string folder, TextFormat defaults)
    : SheetProvider(std::move(snapshot), folder, "Text files"), folder_(std::move(folder)),
      defaults_(std::move(defaults)) {}

std::vector<std::string> TextProvider::TableNames() const {
    std::vector<std::string> names;
    std::error_code ec;
    for (const auto& entry : fs::directory_iterator(folder_, ec))
        if (entry.is_regular_file(ec) && IsTextFile(entry.path())) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

void TextProvider::PrepareTables(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        bool loaded = std::any_of(loaded_.begin(), loaded_.end(),
                                  [&](const std::string& t) { return EqualsIgnoreCase(t, name); });
        if (loaded) continue;
        std::optional<std::string> file = FindFile(folder_, name);
        if (!file) {
            // A name without an extension may still be a table of SQLite's own.
            if (fs::path(name).has_extension())
                throw DatabaseError("Could not find the text file '" + name + "' in the folder '" + folder_ + "'.");
            continue;
        }
        ExecSnapshot(Handle(), "PRAGMA query_only=0");
        std::vector<std::string> warnings;
        try {
            LoadTextTable(Handle(), folder_, *file, name, defaults_, warnings);
        } catch (...) {
            ExecSnapshot(Handle(), "PRAGMA query_only=1");
            throw;
        }
        ExecSnapshot(Handle(), "PRAGMA query_only=1");
        for (auto& w : warnings) AddWarning(std::move(w));
        loaded_.push_back(name);
    }
}

std::unique_ptr<TextProvider> OpenTextFolder(const std::string& folder, const TextOptions& options) {
    std::error_code ec;
    if (folder.empty()) throw DatabaseError("No folder of text files was given.");
    if (!fs::is_directory(folder, ec)) throw DatabaseError("Could not find the folder '" + folder + "'.");
    // The snapshot goes to a temporary file when any text file here is big.
    std::uintmax_t largest = 0;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (entry.is_regular_file(ec) && IsTextFile(entry.path())) largest = std::max(largest, entry.file_size(ec));
    SheetSnapshot snapshot(largest, options.place, folder);
    auto sqlite = std::make_unique<SqliteProvider>(SqliteHandle(snapshot.Release()));
    ExecSnapshot(sqlite->Handle(), "PRAGMA query_only=1");
    return std::make_unique<TextProvider>(std::move(sqlite), folder, options.defaults);
}

}  // namespace qdt::db::sheets

namespace qdt::db {

std::unique_ptr<ConnectionProvider> OpenTextProvider(const ConnectionStringInfo& info) {
    sheets::TextOptions options;
    for (const std::string& part : sheets::SplitExtendedProperties(info.GetOr("Extended Properties", ""))) {
        std::size_t eq = part.find('=');
        if (eq == std::string::npos) continue;
        std::string key = part.substr(0, eq), value = part.substr(eq + 1);
        if (EqualsIgnoreCase(key, "HDR")) options.defaults.header = !EqualsIgnoreCase(value, "no");
        if (EqualsIgnoreCase(key, "FMT") && !sheets::ParseTextFormat(value, options.defaults.delimiter))
            throw DatabaseError("The text format '" + value + "' is not known: use CSVDelimited, TabDelimited or "
                                "Delimited(c).");
        if (EqualsIgnoreCase(key, "CharacterSet")) {
            options.defaults.charset = sheets::CharsetFromSetting(value);
            if (options.defaults.charset.empty())
                throw DatabaseError("The character set '" + value + "' is not known.");
        }
    }
    return sheets::OpenTextFolder(info.GetOr("Data Source", ""), options);
}

}  // namespace qdt::db
