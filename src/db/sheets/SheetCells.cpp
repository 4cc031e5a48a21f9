#include "db/sheets/SheetCells.h"

#include <charconv>
#include <cmath>

#include "db/access/AccessDate.h"

namespace qdt::db::sheets {

double SheetNumber(double v) {
    if (!std::isfinite(v) || v == 0) return v == 0 ? 0 : v;
    // to_chars and from_chars, not printf and strtod: the window's locale may
    // write a decimal comma.
    char buf[64];
    auto written = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 15);
    double rounded = v;
    std::from_chars(buf, written.ptr, rounded);
    return rounded;
}

bool ParseSheetNumber(std::string_view text, double& out) {
    if (!text.empty() && text[0] == '+') text.remove_prefix(1);
    if (text.empty() || text[0] == '+') return false;
    auto r = std::from_chars(text.data(), text.data() + text.size(), out);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(out);
}

std::string SheetNumberText(double v) { return FormatDouble(SheetNumber(v)); }

DateTime DateFromSerial(double serial, bool date1904) {
    if (date1904) serial += 1462;
    // The 1900 system counts a 29 February 1900 that never was: serials below
    // 61 are a day ahead of the calendar.
    else if (serial < 61 && serial >= 1)
        serial += 1;
    return access::DateFromAccessDouble(serial);
}

std::string CellText(const SheetCell& cell) {
    switch (cell.kind) {
        case SheetCell::Kind::Empty: return {};
        case SheetCell::Kind::Number: return SheetNumberText(cell.number);
        case SheetCell::Kind::Text: return cell.text;
        case SheetCell::Kind::Boolean: return cell.number != 0 ? "TRUE" : "FALSE";
        case SheetCell::Kind::Date: {
            std::string full = FormatDateTime(cell.date);
            bool midnight = cell.date.hour == 0 && cell.date.minute == 0 && cell.date.second == 0;
            return midnight ? full.substr(0, 10) : full;
        }
    }
    return {};
}

}  // namespace qdt::db::sheets
