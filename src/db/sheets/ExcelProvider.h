#pragma once

#include <memory>
#include <string>
#include <vector>

#include "db/sheets/SheetProvider.h"
#include "db/sheets/SheetSnapshot.h"

namespace qdt::db::sheets {

// An Excel workbook (.xls or .xlsx, told apart by their first bytes), loaded
// whole into a snapshot with one table per worksheet named "<sheet>$".
class ExcelProvider : public SheetProvider {
public:
    ExcelProvider(std::unique_ptr<SqliteProvider> snapshot, std::string fileName, std::vector<std::string> tables)
        : SheetProvider(std::move(snapshot), fileName, "Excel files"), fileName_(fileName), tables_(std::move(tables)) {}

protected:
    std::vector<std::string> TableNames() const override { return tables_; }
    // A sheet the workbook does not have is named as such, not as a missing table.
    void PrepareTables(const std::vector<std::string>& names) override;

private:
    std::string fileName_;
    std::vector<std::string> tables_;
};

struct ExcelOptions {
    bool headerRow = true;  // HDR=yes
    SnapshotPlace place;
};

// Throws DatabaseError naming the file when it is missing, encrypted, damaged
// or no workbook.
std::unique_ptr<ExcelProvider> OpenExcelFile(const std::string& path, const ExcelOptions& options = {});

}  // namespace qdt::db::sheets
