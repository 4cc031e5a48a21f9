#include "db/sheets/CsvReader.h"

namespace qdt::db::sheets {

CsvReader::CsvReader(std::istream& in, char delimiter, std::optional<char> quote)
    : in_(in), delimiter_(delimiter), quote_(quote) {}

bool CsvReader::Refill() {
    if (!in_) return false;
    buf_.resize(1 << 16);
    in_.read(buf_.data(), static_cast<std::streamsize>(buf_.size()));
    buf_.resize(static_cast<std::size_t>(in_.gcount()));
    pos_ = 0;
    return !buf_.empty();
}

bool CsvReader::Peek(char& c) {
    if (pos_ >= buf_.size() && !Refill()) return false;
    c = buf_[pos_];
    return true;
}

bool CsvReader::Next(CsvRecord& record) {
    char c;
    if (!started_) {
        started_ = true;
        // The mark may be split over reads only in a file shorter than it.
        if (Peek(c) && buf_.compare(0, 3, "\xEF\xBB\xBF") == 0) {
            pos_ = 3;
            bom_ = true;
        }
    }
    // Blank lines carry no record.
    while (Peek(c) && (c == '\n' || c == '\r')) {
        Skip();
        if (c == '\r' && Peek(c) && c == '\n') Skip();
        ++line_;
    }
    if (!Peek(c)) return false;

    record.fields.clear();
    record.line = line_;
    std::string field;
    for (;;) {
        const std::size_t fieldNumber = record.fields.size() + 1;
        field.clear();
        bool more = Peek(c);
        if (more && quote_ && c == *quote_) {
            const std::size_t opened = line_;
            Skip();
            for (;;) {
                if (!Peek(c))
                    throw CsvSyntaxError{opened, fieldNumber, "a quoted field is not closed before the end of the file"};
                Skip();
                if (c == *quote_) {
                    char d;
                    if (Peek(d) && d == *quote_) {
                        field += c;
                        Skip();
                        continue;
                    }
                    break;
                }
                field += c;
                char d;
                if (c == '\n' || (c == '\r' && !(Peek(d) && d == '\n'))) ++line_;
            }
            // Blanks may follow the closing quote; anything else is a mistake.
            while (Peek(c) && (c == ' ' || c == '\t') && c != delimiter_) Skip();
            more = Peek(c);
            if (more && c != delimiter_ && c != '\n' && c != '\r')
                throw CsvSyntaxError{line_, fieldNumber, "there is text after the closing quote of a field"};
        } else {
            // Whole runs of ordinary characters are copied at once.
            while (Peek(c) && c != delimiter_ && c != '\n' && c != '\r') {
                std::size_t end = pos_;
                while (end < buf_.size() && buf_[end] != delimiter_ && buf_[end] != '\n' && buf_[end] != '\r') ++end;
                field.append(buf_, pos_, end - pos_);
                pos_ = end;
            }
            more = Peek(c);
        }
        record.fields.push_back(field);
        if (!more) return true;
        Skip();
        if (c == delimiter_) continue;
        if (c == '\r' && Peek(c) && c == '\n') Skip();
        ++line_;
        return true;
    }
}

}  // namespace qdt::db::sheets
