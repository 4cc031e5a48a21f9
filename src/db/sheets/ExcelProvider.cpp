#include "db/sheets/ExcelProvider.h"

#include <filesystem>
#include <fstream>

#include "db/Error.h"
#include "db/Providers.h"
#include "db/Text.h"
#include "db/sheets/WorkbookReaders.h"
#include "db/sheets/WorksheetTable.h"

namespace qdt::db::sheets {

namespace {

enum class Container { Zip, Compound, Other };

Container ContainerOf(const std::string& path, std::string& head) {
    std::ifstream in(path, std::ios::binary);
    char buf[8] = {};
    in.read(buf, sizeof buf);
    head.assign(buf, static_cast<std::size_t>(in.gcount()));
    if (head.rfind("PK\x03\x04", 0) == 0) return Container::Zip;
    if (head == std::string("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8)) return Container::Compound;
    return Container::Other;
}

// A password-protected .xlsx is a compound file holding the encrypted package
// beside an "EncryptionInfo" stream; the directory names that stream in UTF-16.
bool HoldsEncryptedPackage(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::string needle;
    for (char c : std::string("EncryptionInfo")) needle += {c, '\0'};
    std::string buf(1 << 16, '\0'), carry;
    while (in) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        std::string chunk = carry + buf.substr(0, static_cast<std::size_t>(in.gcount()));
        if (chunk.find(needle) != std::string::npos) return true;
        carry = chunk.size() > needle.size() ? chunk.substr(chunk.size() - needle.size()) : chunk;
    }
    return false;
}

}  // namespace

void ExcelProvider::PrepareTables(const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        if (name.empty() || name.back() != '$') continue;
        bool known = false;
        for (const std::string& t : tables_) known = known || EqualsIgnoreCase(t, name);
        if (!known)
            throw DatabaseError("The Excel file '" + fileName_ + "' has no worksheet named '" +
                                name.substr(0, name.size() - 1) + "'.");
    }
}

std::unique_ptr<ExcelProvider> OpenExcelFile(const std::string& path, const ExcelOptions& options) {
    namespace fs = std::filesystem;
    std::error_code ec;
    if (path.empty()) throw DatabaseError("No Excel file was given.");
    if (!fs::is_regular_file(path, ec)) throw DatabaseError("Could not find the Excel file '" + path + "'.");
    const std::string fileName = fs::path(path).filename().string();
    std::string head;
    Container container = ContainerOf(path, head);
    if (container == Container::Other) {
        if (head.empty()) throw DatabaseError("The Excel file '" + fileName + "' is empty.");
        throw DatabaseError("'" + fileName + "' is not an Excel workbook (.xls or .xlsx), or it is damaged.");
    }

    std::uintmax_t size = fs::file_size(path, ec);
    SheetSnapshot snapshot(ec ? 0 : size, options.place, path);
    sqlite3* db = snapshot.Release();
    auto sqlite = std::make_unique<SqliteProvider>(SqliteHandle(db));
    std::vector<std::string> tables;
    auto sink = [&](Worksheet&& sheet) {
        for (const std::string& t : tables)
            if (EqualsIgnoreCase(t, sheet.name + "$"))
                throw DatabaseError("The Excel file '" + fileName + "' has two sheets named '" + sheet.name + "'.");
        WriteWorksheet(db, sheet, options.headerRow);
        tables.push_back(sheet.name + "$");
    };
    if (container == Container::Zip) {
        ReadXlsxWorkbook(path, sink);
    } else {
        try {
            ReadXlsWorkbook(path, sink);
        } catch (const DatabaseError&) {
            // Only a failed read is worth a look for the encrypted package.
            if (HoldsEncryptedPackage(path))
                throw DatabaseError("The Excel file '" + fileName +
                                    "' is encrypted with a password. Save it without the password and try again.");
            throw;
        }
    }
    ExecSnapshot(db, "PRAGMA query_only=1");
    return std::make_unique<ExcelProvider>(std::move(sqlite), fileName, std::move(tables));
}

}  // namespace qdt::db::sheets

namespace qdt::db {

std::unique_ptr<ConnectionProvider> OpenExcelProvider(const ConnectionStringInfo& info) {
    sheets::ExcelOptions options;
    for (const std::string& part : sheets::SplitExtendedProperties(info.GetOr("Extended Properties", "")))
        if (EqualsIgnoreCase(part, "HDR=no")) options.headerRow = false;
    return sheets::OpenExcelFile(info.GetOr("Data Source", ""), options);
}

}  // namespace qdt::db
