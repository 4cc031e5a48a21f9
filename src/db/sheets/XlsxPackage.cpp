#include "db/sheets/XlsxPackage.h"

#include <zip.h>

#include <cctype>
#include <filesystem>

#include "db/Error.h"

namespace qdt::db::sheets {

namespace {

[[noreturn]] void Damaged(const std::string& fileName, const std::string& detail) {
    throw DatabaseError("The Excel file '" + fileName + "' is damaged and cannot be read: " + detail + ".");
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

void AppendUtf8(std::string& out, unsigned cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Characters XML cannot carry are written _xHHHH_ (a line feed as _x000D_...).
std::string DecodeEscapes(const std::string& s) {
    if (s.find("_x") == std::string::npos) return s;
    std::string out;
    for (std::size_t i = 0; i < s.size();) {
        if (s.compare(i, 2, "_x") == 0 && i + 6 < s.size() && s[i + 6] == '_') {
            unsigned cp = 0;
            bool hex = true;
            for (std::size_t k = i + 2; k < i + 6; ++k) {
                int h = HexValue(s[k]);
                if (h < 0) hex = false;
                cp = cp * 16 + static_cast<unsigned>(h < 0 ? 0 : h);
            }
            if (hex) {
                AppendUtf8(out, cp);
                i += 7;
                continue;
            }
        }
        out += s[i++];
    }
    return out;
}

void CollectText(pugi::xml_node node, std::string& out) {
    for (pugi::xml_node child : node.children()) {
        std::string_view name = LocalName(child.name());
        if (name == "rPh" || name == "phoneticPr") continue;
        if (name == "t") {
            out += child.text().get();
        } else {
            CollectText(child, out);
        }
    }
}

}  // namespace

XlsxPackage::XlsxPackage(std::string path)
    : path_(std::move(path)), fileName_(std::filesystem::path(path_).filename().string()) {
    int error = 0;
    archive_ = zip_open(path_.c_str(), ZIP_RDONLY | ZIP_CHECKCONS, &error);
    if (!archive_) {
        zip_error_t ze;
        zip_error_init_with_code(&ze, error);
        std::string detail = zip_error_strerror(&ze);
        zip_error_fini(&ze);
        Damaged(fileName_, detail);
    }
}

XlsxPackage::~XlsxPackage() {
    if (archive_) zip_discard(archive_);
}

bool XlsxPackage::Has(const std::string& part) const { return zip_name_locate(archive_, part.c_str(), 0) >= 0; }

std::string XlsxPackage::Read(const std::string& part) const {
    zip_stat_t st;
    if (zip_stat(archive_, part.c_str(), 0, &st) != 0 || !(st.valid & ZIP_STAT_SIZE))
        Damaged(fileName_, "the part '" + part + "' is missing");
    zip_file_t* f = zip_fopen(archive_, part.c_str(), 0);
    if (!f) Damaged(fileName_, "the part '" + part + "' cannot be opened (" + zip_strerror(archive_) + ")");
    std::string data;
    data.resize(static_cast<std::size_t>(st.size));
    zip_int64_t n = data.empty() ? 0 : zip_fread(f, data.data(), data.size());
    std::string detail = n < 0 ? zip_file_strerror(f) : std::string();
    // Reading to the end is what makes libzip check the part's CRC.
    char extra;
    if (n >= 0 && zip_fread(f, &extra, 1) < 0) {
        detail = zip_file_strerror(f);
        n = -1;
    }
    zip_fclose(f);
    if (n < 0 || static_cast<zip_uint64_t>(n) != st.size)
        Damaged(fileName_, "the part '" + part + "' cannot be read" + (detail.empty() ? "" : " (" + detail + ")"));
    return data;
}

pugi::xml_document XlsxPackage::Xml(const std::string& part) const {
    std::string data = Read(part);
    pugi::xml_document doc;
    pugi::xml_parse_result r =
        doc.load_buffer(data.data(), data.size(), pugi::parse_default | pugi::parse_ws_pcdata);
    if (!r) Damaged(fileName_, "the part '" + part + "' is not valid XML (" + r.description() + ")");
    return doc;
}

std::string_view LocalName(const char* name) {
    std::string_view n(name);
    std::size_t colon = n.find(':');
    return colon == std::string_view::npos ? n : n.substr(colon + 1);
}

std::vector<pugi::xml_node> Children(pugi::xml_node node, std::string_view name) {
    std::vector<pugi::xml_node> out;
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && LocalName(c.name()) == name) out.push_back(c);
    return out;
}

pugi::xml_node Child(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_node c : node.children())
        if (c.type() == pugi::node_element && LocalName(c.name()) == name) return c;
    return {};
}

pugi::xml_attribute Attribute(pugi::xml_node node, std::string_view name) {
    for (pugi::xml_attribute a : node.attributes())
        if (LocalName(a.name()) == name && std::string_view(a.name()).substr(0, 5) != "xmlns") return a;
    return {};
}

std::string StringItemText(pugi::xml_node item) {
    std::string out;
    CollectText(item, out);
    return DecodeEscapes(out);
}

bool IsDateFormat(int id, const std::string& code) {
    if ((id >= 14 && id <= 22) || (id >= 45 && id <= 47)) return true;
    if (id < 164 && code.empty()) return false;
    // Only the first section counts; quoted text, escaped characters and
    // [colour] or [$-locale] parts say nothing about dates.
    bool quoted = false;
    for (std::size_t i = 0; i < code.size(); ++i) {
        char c = code[i];
        if (quoted) {
            quoted = c != '"';
            continue;
        }
        if (c == '"') quoted = true;
        else if (c == '\\' || c == '_' || c == '*') ++i;
        else if (c == ';') break;
        else if (c == '[') {
            std::size_t end = code.find(']', i);
            std::string inside = code.substr(i + 1, end == std::string::npos ? std::string::npos : end - i - 1);
            // [h], [mm], [ss]: elapsed time, which is a time.
            if (!inside.empty() && inside.find_first_not_of("hHmMsS") == std::string::npos) return true;
            if (end == std::string::npos) break;
            i = end;
        } else {
            char l = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
            if (l == 'y' || l == 'm' || l == 'd' || l == 'h' || l == 's') return true;
        }
    }
    return false;
}

}  // namespace qdt::db::sheets
