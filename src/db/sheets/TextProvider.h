#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/sheets/SchemaIni.h"
#include "db/sheets/SheetProvider.h"
#include "db/sheets/SheetSnapshot.h"

namespace qdt::db::sheets {

// A folder whose text files are its tables, each named by its file name
// (items.csv). A file is loaded into the snapshot the first time a statement
// names it, so a folder full of other files costs nothing.
class TextProvider : public SheetProvider {
public:
    TextProvider(std::unique_ptr<SqliteProvider> snapshot, std::string folder, TextFormat defaults);

protected:
    // The folder's .txt, .csv, .tab and .asc files, by name.
    std::vector<std::string> TableNames() const override;
    void PrepareTables(const std::vector<std::string>& names) override;

private:
    std::string folder_;
    TextFormat defaults_;
    std::vector<std::string> loaded_;
};

struct TextOptions {
    TextFormat defaults;
    SnapshotPlace place;
};

// Throws DatabaseError naming the folder when it does not exist.
std::unique_ptr<TextProvider> OpenTextFolder(const std::string& folder, const TextOptions& options = {});

}  // namespace qdt::db::sheets
