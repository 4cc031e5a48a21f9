#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qdt::db::sheets {

// How a column declared in schema.ini ("Col3=Price Currency") is read.
enum class TextColumnType { Text, Memo, Boolean, Byte, Short, Long, Currency, Single, Double, Date };

struct TextColumnSpec {
    std::string name;
    TextColumnType type = TextColumnType::Text;
};

// How one text file is read: the defaults (comma-separated, header row,
// UTF-8 or else Windows-1252, double quotes) changed by the connection's
// Extended Properties and then by the file's section of schema.ini.
struct TextFormat {
    char delimiter = ',';
    bool header = true;
    // An iconv name; empty means "UTF-8 when the bytes are valid UTF-8, else Windows-1252".
    std::string charset;
    std::optional<char> quote = '"';
    std::map<std::size_t, TextColumnSpec> columns;  // by 1-based position
};

// Reads the section [fileName] of the schema.ini in folder (names compared
// without regard to case) into format. Keys that are not understood are
// ignored, each with a line in warnings; a value that cannot be honoured is a
// DatabaseError naming schema.ini, the section and the key.
void ApplySchemaIni(const std::string& folder, const std::string& fileName, TextFormat& format,
                    std::vector<std::string>& warnings);

// Reads a Format= value (CSVDelimited, TabDelimited, Delimited(;)) into the
// delimiter; false when it is none of these.
bool ParseTextFormat(const std::string& value, char& delimiter);

// The iconv name of a CharacterSet value (ANSI, OEM, UTF-8, 65001, 1250 ...);
// empty when the value is not one.
std::string CharsetFromSetting(const std::string& value);

}  // namespace qdt::db::sheets
