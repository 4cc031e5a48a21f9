#pragma once

#include <pugixml.hpp>

#include <string>
#include <string_view>
#include <vector>

struct zip;

namespace qdt::db::sheets {

// The zip package of an .xlsx workbook, its parts read through libzip.
class XlsxPackage {
public:
    // Throws DatabaseError naming the file when it is not a readable zip.
    explicit XlsxPackage(std::string path);
    ~XlsxPackage();
    XlsxPackage(const XlsxPackage&) = delete;
    XlsxPackage& operator=(const XlsxPackage&) = delete;

    bool Has(const std::string& part) const;
    // Parses a part; throws DatabaseError when it is missing or not XML.
    pugi::xml_document Xml(const std::string& part) const;
    const std::string& FileName() const { return fileName_; }

private:
    std::string Read(const std::string& part) const;
    std::string path_;
    std::string fileName_;
    zip* archive_ = nullptr;
};

// Element and attribute names without their namespace prefix ("x:row" -> "row"):
// writers differ in the prefixes they use.
std::string_view LocalName(const char* name);
// The children of node whose local name is name.
std::vector<pugi::xml_node> Children(pugi::xml_node node, std::string_view name);
pugi::xml_node Child(pugi::xml_node node, std::string_view name);
// The attribute whose local name is name (r:id is found as "id").
pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view name);

// The text of a string item: its <t>, or its runs' <t> joined, without the
// phonetic <rPh> parts, with _xHHHH_ escapes decoded.
std::string StringItemText(pugi::xml_node item);

// Whether a number format shows a date or time (built-in ids and format codes).
bool IsDateFormat(int numFmtId, const std::string& formatCode);

}  // namespace qdt::db::sheets
