#include "app/cli/ResultPrinter.h"

namespace qdt::app {

namespace {
bool NeedsEscape(char c) { return c == '\t' || c == '\r' || c == '\n' || c == '\\'; }
}  // namespace

void AppendEscaped(std::string& out, const std::string& text) {
    // Most values hold none of these; a plain scan is much cheaper than find_first_of's.
    bool plain = true;
    for (char c : text) plain &= !NeedsEscape(c);
    if (plain) {
        out += text;
        return;
    }
    for (char c : text) {
        switch (c) {
            case '\t': out += "\\t"; break;
            case '\r': out += "\\r"; break;
            case '\n': out += "\\n"; break;
            case '\\': out += "\\\\"; break;
            default: out += c;
        }
    }
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
        AppendEscaped(line, fields[i].Name());
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
            if (v.IsNull()) line += "NULL";
            else if (v.kind() == db::Value::Kind::Text) AppendEscaped(line, v.AsText());
            else AppendEscaped(line, v.ToText());
        }
        flush();
    }
}

}  // namespace qdt::app
