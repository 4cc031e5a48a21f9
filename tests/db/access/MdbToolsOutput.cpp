#include "MdbToolsOutput.h"

#include <cstdio>
#include <memory>
#include <stdexcept>

namespace qdt::test::mdbtools {

namespace {

std::string ShellQuote(const std::string& s) {
    std::string out = "'";
    for (char c : s) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

}  // namespace

bool Installed() { return std::system("command -v mdb-export >/dev/null 2>&1") == 0; }

std::string Run(const std::vector<std::string>& args) {
    std::string cmd;
    for (const auto& a : args) cmd += ShellQuote(a) + " ";
    cmd += "2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    if (!pipe) throw std::runtime_error("cannot run " + cmd);
    std::string out;
    char buf[65536];
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, pipe.get())) > 0;) out.append(buf, n);
    return out;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::vector<std::vector<CsvField>> ParseCsv(const std::string& text) {
    std::vector<std::vector<CsvField>> records;
    std::vector<CsvField> record;
    std::string field;
    bool quoted = false;
    std::size_t i = 0;
    auto endField = [&] {
        if (quoted || !field.empty())
            record.emplace_back(field);
        else
            record.emplace_back(std::nullopt);
        field.clear();
        quoted = false;
    };
    while (i < text.size()) {
        char c = text[i];
        if (c == '"' && field.empty() && !quoted) {
            quoted = true;
            for (++i; i < text.size(); ++i) {
                if (text[i] == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else if (text[i] == '"') {
                    ++i;
                    break;
                } else {
                    field += text[i];
                }
            }
            continue;
        }
        if (c == ',') {
            endField();
        } else if (c == '\n') {
            endField();
            records.push_back(std::move(record));
            record.clear();
        } else {
            field += c;
        }
        ++i;
    }
    if (!field.empty() || quoted || !record.empty()) {
        endField();
        records.push_back(std::move(record));
    }
    return records;
}

}  // namespace qdt::test::mdbtools
