#pragma once

#include <istream>
#include <optional>
#include <string>
#include <vector>

namespace qdt::db::sheets {

// One record of a delimited text file: its fields as raw bytes, and whether
// each was written in quotes.
struct CsvRecord {
    std::vector<std::string> fields;
    std::size_t line = 0;  // the line the record starts on, from 1
};

// Reads delimited text record by record from a stream, holding one record at
// a time. A quoted field may hold delimiters, line breaks and the quote
// doubled; a quote inside an unquoted field is an ordinary character. Lines
// end with LF, CR LF or CR. Blank lines are skipped. A UTF-8 byte order mark
// at the start is dropped.
// A reader of our own rather than libcsv: libcsv trims blanks from unquoted
// fields unless told otherwise, has no "no text delimiter" mode, and reports a
// broken quote without its line; this one keeps every field as typed and says
// where a record goes wrong, in about a hundred lines.
class CsvReader {
public:
    // quote: the text delimiter, or none.
    CsvReader(std::istream& in, char delimiter, std::optional<char> quote);

    // False at the end of the file. Throws CsvSyntaxError for an unclosed
    // quote or text after a closing quote.
    bool Next(CsvRecord& record);
    bool HadByteOrderMark() const { return bom_; }

private:
    bool Peek(char& c);
    void Skip() { ++pos_; }
    bool Refill();

    std::istream& in_;
    char delimiter_;
    std::optional<char> quote_;
    std::string buf_;
    std::size_t pos_ = 0;
    std::size_t line_ = 1;
    bool bom_ = false;
    bool started_ = false;
};

// A record the reader cannot split; line and field tell where (field from 1).
struct CsvSyntaxError {
    std::size_t line;
    std::size_t field;
    std::string what;
};

}  // namespace qdt::db::sheets
