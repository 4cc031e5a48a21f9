#pragma once

#include <cstdint>
#include <istream>
#include <string>
#include <string_view>

namespace qdt::sqlfile {

// Reads a script file line by line from the stream's current position, a
// block at a time. A line ends at CR, CR LF or LF (files from any platform);
// the line end is not part of the line. A UTF-8 byte-order mark in front of
// the first line is dropped; a file that starts with a UTF-16 byte-order mark
// (either byte order) is decoded to UTF-8. Other bytes pass through
// unchanged, whatever their encoding.
class ScriptReader {
public:
    explicit ScriptReader(std::istream& in) : in_(in) {}

    bool AtEnd();
    // Throws db::DatabaseError when the file cannot be read.
    std::string ReadLine() { return std::string(NextLine()); }
    // The next line, valid until the next call.
    std::string_view NextLine();

private:
    void Begin();
    // Refills the buffer once it has been used up; false at the end.
    bool Fill();
    void CheckReadable() const;

    std::istream& in_;
    bool begun_ = false;
    bool decoded_ = false;  // the whole file sits in buffer_ (UTF-16 files)
    std::string buffer_;
    std::size_t pos_ = 0;
    std::size_t end_ = 0;
    std::string carry_;  // a line that runs across blocks
};

// The stream's whole length in bytes, or -1 when it cannot seek; the read
// position is left where it was.
std::int64_t StreamLength(std::istream& in);

// The length of the text a script becomes once every line, the last one
// included, ends with CR LF: an exact size to reserve, so that the script is
// held once. -1 when the stream cannot seek; the read position is left where
// it was.
std::int64_t CrLfLength(std::istream& in);

}  // namespace qdt::sqlfile
