#pragma once

#include <cstdint>
#include <istream>
#include <string>

namespace qdt::sqlfile {

// Reads a script file line by line from the stream's current position. A line
// ends at CR, CR LF or LF (files from any platform); the line end is not part
// of the line. A UTF-8 byte-order mark in front of the first line is dropped;
// a file that starts with a UTF-16 byte-order mark (either byte order) is
// decoded to UTF-8. Other bytes pass through unchanged, whatever their encoding.
class ScriptReader {
public:
    explicit ScriptReader(std::istream& in) : in_(in) {}

    bool AtEnd();
    // Throws db::DatabaseError when the file cannot be read.
    std::string ReadLine();

private:
    void Begin();
    int Peek();
    int Get();
    void CheckReadable() const;

    std::istream& in_;
    bool begun_ = false;
    // Bytes taken while looking for a byte-order mark that was not there.
    std::string pending_;
    std::size_t pendingPos_ = 0;
};

// The stream's whole length in bytes, or -1 when it cannot seek; the read
// position is left where it was.
std::int64_t StreamLength(std::istream& in);

}  // namespace qdt::sqlfile
