#include "db/sheets/TextTable.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <optional>

#include "db/Error.h"
#include "db/Text.h"
#include "db/Value.h"
#include "db/access/AccessDate.h"
#include "db/sheets/ColumnNames.h"
#include "db/sheets/CsvReader.h"
#include "db/sheets/SheetCells.h"
#include "db/sheets/SheetSnapshot.h"
#include "db/sheets/TextCharset.h"

namespace qdt::db::sheets {

namespace {

using T = TextColumnType;

std::string DeclaredType(T type) {
    switch (type) {
        case T::Text: return "VARCHAR(255) COLLATE NOCASE";
        case T::Memo: return "LONGTEXT COLLATE NOCASE";
        case T::Boolean: return "BOOLEAN";
        case T::Byte: return "TINYINT";
        case T::Short: return "SMALLINT";
        case T::Long: return "INTEGER";
        case T::Currency: return "CURRENCY";
        case T::Single: return "SINGLE";
        case T::Double: return "DOUBLE";
        case T::Date: return "DATETIME";
    }
    return "VARCHAR(255)";
}

const char* TypeWord(T type) {
    switch (type) {
        case T::Boolean: return "a yes/no value";
        case T::Byte:
        case T::Short:
        case T::Long: return "a whole number";
        case T::Currency:
        case T::Single:
        case T::Double: return "a number";
        case T::Date: return "a date";
        default: return "text";
    }
}

bool ReadNumber(const std::string& text, double& out) { return ParseSheetNumber(Trim(text), out); }

// One text file, read record by record into its table.
class TextLoader {
public:
    TextLoader(std::string fileName, TextFormat format) : file_(std::move(fileName)), format_(std::move(format)) {}

    void Load(sqlite3* db, const std::string& path, const std::string& table) {
        std::ifstream in(path, std::ios::binary);
        if (!in) throw DatabaseError("The text file '" + path + "' could not be opened for reading.");
        // Excel's "Unicode text" is UTF-16, whose every other byte would be read as a NUL character.
        char mark[2] = {};
        in.read(mark, 2);
        if (in.gcount() == 2 && ((mark[0] == '\xFF' && mark[1] == '\xFE') || (mark[0] == '\xFE' && mark[1] == '\xFF')))
            throw DatabaseError("The text file '" + file_ + "' is saved as UTF-16 (\"Unicode text\"), which cannot be "
                                "read: save it as \"CSV UTF-8\" or \"CSV (Comma delimited)\" and try again.");
        in.clear();
        in.seekg(0);
        std::string charset = format_.charset;
        if (charset.empty()) {
            // UTF-8 when every byte says so (a byte order mark is UTF-8 too).
            charset = StreamIsUtf8(in) ? "UTF-8" : "WINDOWS-1252";
            in.clear();
            in.seekg(0);
        }
        std::string shown = charset == "WINDOWS-1252" ? "Windows-1252" : charset;
        decoder_.emplace(charset, shown);

        CsvReader reader(in, format_.delimiter, format_.quote);
        CsvRecord record;
        try {
            if (!reader.Next(record)) {
                MakeColumns({}, 1);
                TableWriter(db, table, columns_).Commit();
                return;
            }
            width_ = record.fields.size();
            std::vector<std::string> header(width_);
            if (format_.header)
                for (std::size_t i = 0; i < width_; ++i) header[i] = Decoded(record, 1, i);
            MakeColumns(header, record.line);
            TableWriter writer(db, table, columns_);
            std::size_t row = 1;
            if (!format_.header) Insert(writer, record, row);
            while (reader.Next(record)) Insert(writer, record, ++row);
            writer.Commit();
        } catch (const CsvSyntaxError& e) {
            throw DatabaseError("The text file '" + file_ + "' cannot be read at line " + std::to_string(e.line) +
                                ", column " + std::to_string(e.field) + ": " + e.what + ".");
        }
    }

private:
    std::string Where(std::size_t row, std::size_t line, std::size_t column) const {
        std::string at = "row " + std::to_string(row);
        if (line != row) at += " (line " + std::to_string(line) + ")";
        at += ", column " + std::to_string(column + 1);
        if (column < columns_.size()) at += " (" + columns_[column].name + ")";
        return at;
    }

    std::string Decoded(const CsvRecord& record, std::size_t row, std::size_t column) {
        std::string out;
        if (!decoder_->Decode(record.fields[column], out))
            throw DatabaseError("The text file '" + file_ + "' has bytes that are not valid " + decoder_->Name() +
                                " text in " + Where(row, record.line, column) +
                                ". Save the file as UTF-8, or name its character set in schema.ini.");
        return out;
    }

    void MakeColumns(const std::vector<std::string>& header, std::size_t line) {
        std::size_t width = std::max<std::size_t>(header.size(), 1);
        for (const auto& [n, column] : format_.columns)
            if (n > header.size() && !header.empty())
                throw DatabaseError("schema.ini declares column " + std::to_string(n) + " of '" + file_ +
                                    "', but line " + std::to_string(line) + " has only " +
                                    std::to_string(header.size()) + " columns.");
        std::vector<std::string> names(width);
        for (std::size_t i = 0; i < header.size(); ++i) names[i] = header[i];
        types_.assign(width, T::Text);
        for (const auto& [n, column] : format_.columns) {
            if (n > width) continue;
            names[n - 1] = column.name;
            types_[n - 1] = column.type;
        }
        names = UniqueColumnNames(names);
        columns_.clear();
        for (std::size_t i = 0; i < width; ++i) columns_.push_back({names[i], DeclaredType(types_[i])});
    }

    SnapshotCell Converted(const std::string& text, std::size_t row, std::size_t line, std::size_t column) const {
        T type = types_[column];
        if (type == T::Text || type == T::Memo) return SnapshotCell::Text(text);
        auto refuse = [&]() -> SnapshotCell {
            throw DatabaseError("The text file '" + file_ + "' has '" + text + "' in " + Where(row, line, column) +
                                ", which schema.ini declares as " + TypeWord(type) + ".");
        };
        std::string t = Trim(text);
        if (t.empty()) return SnapshotCell::Null();
        double number = 0;
        switch (type) {
            case T::Boolean:
                if (EqualsIgnoreCase(t, "true") || EqualsIgnoreCase(t, "yes") || t == "1" || t == "-1")
                    return SnapshotCell::Integer(1);
                if (EqualsIgnoreCase(t, "false") || EqualsIgnoreCase(t, "no") || t == "0")
                    return SnapshotCell::Integer(0);
                return refuse();
            case T::Byte:
            case T::Short:
            case T::Long:
                if (!ReadNumber(t, number) || number != std::floor(number) || std::fabs(number) > 9.0e15)
                    return refuse();
                return SnapshotCell::Integer(static_cast<std::int64_t>(number));
            case T::Currency:
                if (!ReadNumber(t, number)) return refuse();
                return SnapshotCell::Text(t);  // kept exact, as its digits
            case T::Single:
            case T::Double:
                if (!ReadNumber(t, number)) return refuse();
                return SnapshotCell::Real(number);
            case T::Date: {
                DateTime d;
                if (!ParseDateTime(t, d) && !access::ParseAccessDateLiteral(t, d)) return refuse();
                return SnapshotCell::Text(FormatDateTime(d));
            }
            default: return SnapshotCell::Text(text);
        }
    }

    void Insert(TableWriter& writer, const CsvRecord& record, std::size_t row) {
        if (record.fields.size() != width_) {
            const std::size_t n = record.fields.size();
            std::string at = "row " + std::to_string(row);
            if (record.line != row) at += " (line " + std::to_string(record.line) + ")";
            std::string column = "column " + std::to_string(std::min(n, width_) + 1);
            if (n < width_) column += " (" + columns_[n].name + ")";
            throw DatabaseError("The text file '" + file_ + "' has a ragged row: " + at + " has " + std::to_string(n) +
                                " fields where the first row has " + std::to_string(width_) + ", so " + column +
                                (n < width_ ? " is missing." : " is one too many."));
        }
        cells_.resize(width_);
        for (std::size_t i = 0; i < width_; ++i) {
            if (record.fields[i].empty()) {
                cells_[i] = SnapshotCell::Null();
                continue;
            }
            cells_[i] = Converted(Decoded(record, row, i), row, record.line, i);
        }
        writer.Insert(cells_);
    }

    std::string file_;
    TextFormat format_;
    std::optional<TextDecoder> decoder_;
    std::size_t width_ = 0;
    std::vector<SnapshotColumn> columns_;
    std::vector<T> types_;
    std::vector<SnapshotCell> cells_;
};

}  // namespace

void LoadTextTable(sqlite3* db, const std::string& folder, const std::string& fileName, const std::string& tableName,
                   TextFormat format, std::vector<std::string>& warnings) {
    ApplySchemaIni(folder, fileName, format, warnings);
    TextLoader(fileName, std::move(format)).Load(db, (std::filesystem::path(folder) / fileName).string(), tableName);
}

}  // namespace qdt::db::sheets
