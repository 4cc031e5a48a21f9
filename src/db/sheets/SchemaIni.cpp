#include "db/sheets/SchemaIni.h"

#include <cctype>
#include <filesystem>
#include <fstream>

#include "db/Error.h"
#include "db/Text.h"

namespace qdt::db::sheets {

namespace {

namespace fs = std::filesystem;

std::optional<fs::path> FindSchemaIni(const std::string& folder) {
    std::error_code ec;
    fs::path exact = fs::path(folder) / "schema.ini";
    if (fs::is_regular_file(exact, ec)) return exact;
    for (const auto& entry : fs::directory_iterator(folder, ec))
        if (EqualsIgnoreCase(entry.path().filename().string(), "schema.ini") && entry.is_regular_file(ec))
            return entry.path();
    return std::nullopt;
}

std::string Upper(std::string s) {
    for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

std::optional<TextColumnType> ColumnType(const std::string& word) {
    static const std::map<std::string, TextColumnType> kTypes = {
        {"TEXT", TextColumnType::Text},         {"CHAR", TextColumnType::Text},
        {"MEMO", TextColumnType::Memo},         {"LONGCHAR", TextColumnType::Memo},
        {"BIT", TextColumnType::Boolean},       {"BYTE", TextColumnType::Byte},
        {"SHORT", TextColumnType::Short},       {"LONG", TextColumnType::Long},
        {"INTEGER", TextColumnType::Long},      {"CURRENCY", TextColumnType::Currency},
        {"SINGLE", TextColumnType::Single},     {"DOUBLE", TextColumnType::Double},
        {"FLOAT", TextColumnType::Double},      {"DATETIME", TextColumnType::Date},
        {"DATE", TextColumnType::Date}};
    auto it = kTypes.find(Upper(word));
    if (it == kTypes.end()) return std::nullopt;
    return it->second;
}

class Section {
public:
    Section(std::string file, std::string section, TextFormat& format, std::vector<std::string>& warnings)
        : file_(std::move(file)), section_(std::move(section)), format_(format), warnings_(warnings) {}

    void Apply(const std::string& key, const std::string& value, int line) {
        line_ = line;
        std::string k = Upper(key);
        if (k == "FORMAT") {
            if (Upper(value) == "FIXEDLENGTH") Refuse(key, value, "fixed-length files are not supported");
            if (!ParseTextFormat(value, format_.delimiter))
                Refuse(key, value, "use CSVDelimited, TabDelimited or Delimited(c)");
        } else if (k == "COLNAMEHEADER") {
            if (EqualsIgnoreCase(value, "true")) format_.header = true;
            else if (EqualsIgnoreCase(value, "false")) format_.header = false;
            else Refuse(key, value, "use True or False");
        } else if (k == "CHARACTERSET") {
            format_.charset = CharsetFromSetting(value);
            if (format_.charset.empty()) Refuse(key, value, "use ANSI, OEM, UTF-8 or a code page number");
        } else if (k == "TEXTDELIMITER") {
            if (EqualsIgnoreCase(value, "none")) format_.quote.reset();
            else if (value.size() == 1) format_.quote = value[0];
            else Refuse(key, value, "use one character, or none");
        } else if (k.size() > 3 && k.size() <= 8 && k.compare(0, 3, "COL") == 0 &&
                   k.find_first_not_of("0123456789", 3) == std::string::npos) {
            Column(key, std::stoul(k.substr(3)), value);
        } else {
            warnings_.push_back(file_ + ": the key '" + key + "' in [" + section_ + "] is not used and was ignored.");
        }
    }

private:
    [[noreturn]] void Refuse(const std::string& key, const std::string& value, const std::string& why) {
        throw DatabaseError(file_ + ", line " + std::to_string(line_) + ": " + key + "=" + value + " in [" +
                            section_ + "] cannot be used: " + why + ".");
    }

    // Col2="Product Name" Text Width 50
    void Column(const std::string& key, std::size_t n, const std::string& value) {
        if (n == 0) Refuse(key, value, "columns are counted from 1");
        std::string rest = Trim(value);
        TextColumnSpec column;
        std::size_t end;
        if (!rest.empty() && rest[0] == '"') {
            end = rest.find('"', 1);
            if (end == std::string::npos) Refuse(key, value, "the quoted name is not closed");
            column.name = rest.substr(1, end - 1);
            ++end;
        } else {
            end = rest.find_first_of(" \t");
            column.name = rest.substr(0, end);
        }
        rest = end == std::string::npos ? std::string() : Trim(rest.substr(end));
        std::string type = rest.substr(0, rest.find_first_of(" \t"));
        if (column.name.empty()) Refuse(key, value, "the column has no name");
        if (!type.empty()) {
            auto t = ColumnType(type);
            if (!t) Refuse(key, value, "'" + type + "' is not a column type (use Text, Memo, Bit, Byte, Short, Long, "
                                                   "Currency, Single, Double or DateTime)");
            column.type = *t;
        }
        format_.columns[n] = column;
    }

    std::string file_;
    std::string section_;
    TextFormat& format_;
    std::vector<std::string>& warnings_;
    int line_ = 0;
};

}  // namespace

bool ParseTextFormat(const std::string& value, char& delimiter) {
    std::string v = Trim(value);
    if (EqualsIgnoreCase(v, "CSVDelimited")) delimiter = ',';
    else if (EqualsIgnoreCase(v, "TabDelimited")) delimiter = '\t';
    else if (v.size() == 12 && EqualsIgnoreCase(v.substr(0, 10), "Delimited(") && v[11] == ')' && v[10] != '"')
        delimiter = v[10];
    else
        return false;
    return true;
}

std::string CharsetFromSetting(const std::string& value) {
    std::string v = Upper(Trim(value));
    if (v == "ANSI" || v == "1252") return "WINDOWS-1252";
    // The OEM code page of a Western European Windows.
    if (v == "OEM") return "CP850";
    if (v == "UTF-8" || v == "UTF8" || v == "65001") return "UTF-8";
    if (!v.empty() && v.size() <= 5 && v.find_first_not_of("0123456789") == std::string::npos) return "CP" + v;
    return {};
}

void ApplySchemaIni(const std::string& folder, const std::string& fileName, TextFormat& format,
                    std::vector<std::string>& warnings) {
    auto path = FindSchemaIni(folder);
    if (!path) return;
    std::ifstream in(*path, std::ios::binary);
    if (!in) throw DatabaseError("The file '" + path->string() + "' could not be read.");
    const std::string iniName = path->filename().string();
    std::string line;
    bool inSection = false;
    std::optional<Section> section;
    for (int number = 1; std::getline(in, line); ++number) {
        if (number == 1 && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
        std::string t = Trim(line);
        if (t.empty() || t[0] == ';' || t[0] == '#') continue;
        if (t.front() == '[') {
            std::string name = t.substr(1, t.find(']') == std::string::npos ? std::string::npos : t.find(']') - 1);
            inSection = EqualsIgnoreCase(Trim(name), fileName);
            if (inSection) section.emplace(iniName, Trim(name), format, warnings);
            continue;
        }
        if (!inSection) continue;
        std::size_t eq = t.find('=');
        if (eq == std::string::npos) {
            warnings.push_back(iniName + ": line " + std::to_string(number) + " in [" + fileName +
                               "] is not a key=value line and was ignored.");
            continue;
        }
        section->Apply(Trim(t.substr(0, eq)), Trim(t.substr(eq + 1)), number);
    }
}

}  // namespace qdt::db::sheets
