#include "app/cli/ResultPrinter.h"

namespace qdt::app {

std::string EscapeCell(const std::string& text) {
    if (text.find_first_of("\t\r\n\\") == std::string::npos) return text;
    std::string out;
    out.reserve(text.size());
    for (char c : text) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
    return out;
}

void PrintRecordset(db::Recordset& rs, std::FILE* out) {
    std::string line;
    auto flush = [&] {
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), out);
        line.clear();
    };
    const auto& fields = rs.AllFields();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += '\t';
        line += EscapeCell(fields[i].Name());
    }
    flush();
    // Type codes are printed after the first row is read: undeclared columns
    // (expressions) take their type from their first value.
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (i) line += '\t';
        line += std::to_string(fields[i].Type());
    }
    flush();
    for (; !rs.Eof(); rs.MoveNext()) {
        for (std::size_t i = 0; i < fields.size(); ++i) {
            if (i) line += '\t';
            const db::Value& v = fields[i].Value();
            line += v.IsNull() ? std::string("NULL") : EscapeCell(v.ToText());
        }
        flush();
    }
}

}  // namespace qdt::app
