#include <cstdlib>
#include <filesystem>
#include <map>

#include "db/Error.h"
#include "db/sheets/WorkbookReaders.h"
#include "db/sheets/XlsxPackage.h"

namespace qdt::db::sheets {

namespace {

struct SheetPart {
    std::string name;
    std::string part;
};

// "worksheets/sheet1.xml" beside xl/workbook.xml, or an absolute "/xl/...".
std::string ResolvePart(const std::string& target) {
    if (!target.empty() && target[0] == '/') return target.substr(1);
    return (std::filesystem::path("xl") / target).lexically_normal().generic_string();
}

class XlsxWorkbook {
public:
    explicit XlsxWorkbook(const std::string& path) : package_(path) {
        if (!package_.Has("xl/workbook.xml"))
            throw DatabaseError("'" + package_.FileName() + "' is a zip file but not an Excel workbook.");
        ReadWorkbook();
        ReadSharedStrings();
        ReadStyles();
    }

    void ForEachSheet(const SheetSink& sink) {
        for (const SheetPart& s : sheets_) sink(ReadSheet(s));
    }

private:
    void ReadWorkbook() {
        std::map<std::string, std::string> targets;
        if (package_.Has("xl/_rels/workbook.xml.rels")) {
            auto rels = package_.Xml("xl/_rels/workbook.xml.rels");
            for (pugi::xml_node r : Children(Child(rels, "Relationships"), "Relationship")) {
                std::string type = Attribute(r, "Type").as_string();
                // Chart and macro sheets hold no table.
                if (type.size() >= 10 && type.compare(type.size() - 10, 10, "/worksheet") == 0)
                    targets[Attribute(r, "Id").as_string()] = ResolvePart(Attribute(r, "Target").as_string());
            }
        }
        auto doc = package_.Xml("xl/workbook.xml");
        pugi::xml_node wb = Child(doc, "workbook");
        date1904_ = Attribute(Child(wb, "workbookPr"), "date1904").as_bool();
        for (pugi::xml_node s : Children(Child(wb, "sheets"), "sheet")) {
            auto it = targets.find(Attribute(s, "id").as_string());
            if (it == targets.end()) continue;
            sheets_.push_back({Attribute(s, "name").as_string(), it->second});
        }
    }

    void ReadSharedStrings() {
        if (!package_.Has("xl/sharedStrings.xml")) return;
        auto doc = package_.Xml("xl/sharedStrings.xml");
        for (pugi::xml_node si : Children(Child(doc, "sst"), "si")) strings_.push_back(StringItemText(si));
    }

    void ReadStyles() {
        if (!package_.Has("xl/styles.xml")) return;
        auto doc = package_.Xml("xl/styles.xml");
        pugi::xml_node root = Child(doc, "styleSheet");
        std::map<int, std::string> codes;
        for (pugi::xml_node f : Children(Child(root, "numFmts"), "numFmt"))
            codes[Attribute(f, "numFmtId").as_int()] = Attribute(f, "formatCode").as_string();
        for (pugi::xml_node xf : Children(Child(root, "cellXfs"), "xf")) {
            int id = Attribute(xf, "numFmtId").as_int();
            auto code = codes.find(id);
            dateStyles_.push_back(IsDateFormat(id, code == codes.end() ? std::string() : code->second));
        }
    }

    [[noreturn]] void BadCell(const std::string& sheet, const std::string& ref, const std::string& what) const {
        throw DatabaseError("The Excel file '" + package_.FileName() + "' is damaged: cell " + ref + " of sheet '" +
                            sheet + "' " + what + ".");
    }

    double Number(const std::string& sheet, const std::string& ref, const char* text) const {
        double v = 0;
        if (!ParseSheetNumber(text, v)) BadCell(sheet, ref, "holds '" + std::string(text) + "' as a number");
        return v;
    }

    SheetCell Cell(const std::string& sheet, const std::string& ref, pugi::xml_node c) const {
        std::string type = Attribute(c, "t").as_string();
        pugi::xml_node v = Child(c, "v");
        if (type == "inlineStr") return SheetCell::Text(StringItemText(Child(c, "is")));
        const char* text = v.text().get();
        if (!v || (*text == '\0' && type != "str")) return {};
        if (type == "s") {
            char* end = nullptr;
            unsigned long index = std::strtoul(text, &end, 10);
            if (end == text || index >= strings_.size()) BadCell(sheet, ref, "names a string that is not there");
            return SheetCell::Text(strings_[index]);
        }
        if (type == "str" || type == "e") return SheetCell::Text(text);
        if (type == "b") return SheetCell::Boolean(std::string_view(text) == "1");
        if (type == "d") {
            DateTime d;
            std::string iso = text;
            if (iso.size() > 10 && iso[10] == 'T') iso[10] = ' ';
            if (!iso.empty() && iso.back() == 'Z') iso.pop_back();
            if (!ParseDateTime(iso, d)) BadCell(sheet, ref, "holds '" + std::string(text) + "' as a date");
            return SheetCell::Date(d);
        }
        double number = Number(sheet, ref, text);
        std::size_t style = Attribute(c, "s").as_uint();
        // Dates run from serial 0 to 9999-12-31; a date format on another number shows no date.
        bool date = style < dateStyles_.size() && dateStyles_[style] && number >= 0 && number < 2958466;
        if (date) return SheetCell::Date(DateFromSerial(number, date1904_));
        return SheetCell::Number(number);
    }

    // "C12" -> column 2 (0-based); -1 when the reference is missing.
    static long ColumnOf(const std::string& ref) {
        long col = 0;
        std::size_t i = 0;
        for (; i < ref.size() && std::isalpha(static_cast<unsigned char>(ref[i])); ++i)
            col = col * 26 + (std::toupper(static_cast<unsigned char>(ref[i])) - 'A' + 1);
        return i == 0 ? -1 : col - 1;
    }

    Worksheet ReadSheet(const SheetPart& part) const {
        Worksheet sheet;
        sheet.name = part.name;
        {
            auto doc = package_.Xml(part.part);
            pugi::xml_node data = Child(Child(doc, "worksheet"), "sheetData");
            std::size_t next = 0;
            for (pugi::xml_node row : Children(data, "row")) {
                std::size_t r = Attribute(row, "r") ? Attribute(row, "r").as_uint() : next + 1;
                if (r == 0 || r > 1048576) BadCell(part.name, "row " + std::to_string(r), "is outside the sheet");
                next = r;
                if (sheet.rows.size() < r) sheet.rows.resize(r);
                auto& cells = sheet.rows[r - 1];
                long column = -1;
                for (pugi::xml_node c : Children(row, "c")) {
                    std::string ref = Attribute(c, "r").as_string();
                    long at = ColumnOf(ref);
                    column = at >= 0 ? at : column + 1;
                    if (column >= 16384) BadCell(part.name, ref, "is outside the sheet");
                    if (ref.empty()) ref = "in row " + std::to_string(r);
                    if (cells.size() <= static_cast<std::size_t>(column)) cells.resize(column + 1);
                    cells[column] = Cell(part.name, ref, c);
                }
            }
        }
        return sheet;
    }

    XlsxPackage package_;
    std::vector<SheetPart> sheets_;
    std::vector<std::string> strings_;
    std::vector<bool> dateStyles_;
    bool date1904_ = false;
};

}  // namespace

void ReadXlsxWorkbook(const std::string& path, const SheetSink& sink) { XlsxWorkbook(path).ForEachSheet(sink); }

}  // namespace qdt::db::sheets
