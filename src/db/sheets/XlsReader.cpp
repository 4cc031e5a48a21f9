#include <freexl.h>

#include <filesystem>

#include "db/Error.h"
#include "db/sheets/WorkbookReaders.h"

namespace qdt::db::sheets {

namespace {

class XlsHandle {
public:
    explicit XlsHandle(const std::string& path) : path_(path) {
        int rc = freexl_open(path.c_str(), &handle_);
        if (rc != FREEXL_OK) {
            if (handle_) freexl_close(handle_);
            handle_ = nullptr;
            Fail(rc);
        }
    }
    ~XlsHandle() {
        if (handle_) freexl_close(handle_);
    }
    XlsHandle(const XlsHandle&) = delete;
    XlsHandle& operator=(const XlsHandle&) = delete;

    const void* get() const { return handle_; }
    unsigned Info(unsigned short what) const {
        unsigned value = 0;
        int rc = freexl_get_info(handle_, what, &value);
        if (rc != FREEXL_OK) Fail(rc);
        return value;
    }
    [[noreturn]] void Fail(int rc) const {
        std::string name = std::filesystem::path(path_).filename().string();
        if (rc == FREEXL_FILE_NOT_FOUND)
            throw DatabaseError("The Excel file '" + path_ + "' could not be opened for reading.");
        if (rc == FREEXL_INSUFFICIENT_MEMORY)
            throw DatabaseError("There is not enough memory to read the Excel file '" + name + "'.");
        if (rc == FREEXL_BIFF_WORKBOOK_NOT_FOUND)
            throw DatabaseError("The Excel file '" + name + "' is damaged or holds no workbook (it may be "
                                "encrypted, or another kind of Office file).");
        throw DatabaseError("The Excel file '" + name + "' is damaged and cannot be read (FreeXL error " +
                            std::to_string(rc) + ").");
    }

private:
    std::string path_;
    const void* handle_ = nullptr;
};

DateTime ParseFreeXlDate(const char* text, unsigned type) {
    DateTime d;
    std::string t = text ? text : "";
    if (type == FREEXL_CELL_TIME) t = "1899-12-30 " + t;
    ParseDateTime(t, d);
    return d;
}

SheetCell ReadCell(const XlsHandle& xls, unsigned row, unsigned short column) {
    FreeXL_CellValue v;
    int rc = freexl_get_cell_value(xls.get(), row, column, &v);
    if (rc != FREEXL_OK) xls.Fail(rc);
    switch (v.type) {
        case FREEXL_CELL_INT: return SheetCell::Number(v.value.int_value);
        case FREEXL_CELL_DOUBLE: return SheetCell::Number(v.value.double_value);
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT: return SheetCell::Text(v.value.text_value ? v.value.text_value : "");
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME: return SheetCell::Date(ParseFreeXlDate(v.value.text_value, v.type));
        default: return {};
    }
}

}  // namespace

void ReadXlsWorkbook(const std::string& path, const SheetSink& sink) {
    XlsHandle xls(path);
    if (xls.Info(FREEXL_BIFF_PASSWORD) == FREEXL_BIFF_OBFUSCATED)
        throw DatabaseError("The Excel file '" + std::filesystem::path(path).filename().string() +
                            "' is protected by a password. Save it without the password and try again.");
    unsigned count = xls.Info(FREEXL_BIFF_SHEET_COUNT);
    for (unsigned s = 0; s < count; ++s) {
        Worksheet sheet;
        const char* name = nullptr;
        int rc = freexl_get_worksheet_name(xls.get(), static_cast<unsigned short>(s), &name);
        if (rc != FREEXL_OK) xls.Fail(rc);
        sheet.name = name ? name : "";
        rc = freexl_select_active_worksheet(xls.get(), static_cast<unsigned short>(s));
        if (rc != FREEXL_OK) xls.Fail(rc);
        unsigned rows = 0;
        unsigned short columns = 0;
        rc = freexl_worksheet_dimensions(xls.get(), &rows, &columns);
        if (rc != FREEXL_OK) xls.Fail(rc);
        sheet.rows.resize(rows);
        for (unsigned r = 0; r < rows; ++r) {
            auto& row = sheet.rows[r];
            row.reserve(columns);
            for (unsigned short c = 0; c < columns; ++c) row.push_back(ReadCell(xls, r, c));
        }
        sink(std::move(sheet));
    }
}

}  // namespace qdt::db::sheets
