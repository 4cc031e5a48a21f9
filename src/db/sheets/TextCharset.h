#pragma once

#include <iconv.h>

#include <istream>
#include <string>
#include <string_view>

namespace qdt::db::sheets {

// Reads a stream to its end in pieces and tells whether all of it is UTF-8.
bool StreamIsUtf8(std::istream& in);

// Turns the text of one field into UTF-8 from the file's character set.
class TextDecoder {
public:
    // charset is an iconv name; throws DatabaseError when iconv does not know it.
    TextDecoder(const std::string& charset, const std::string& shownName);
    ~TextDecoder();
    TextDecoder(const TextDecoder&) = delete;
    TextDecoder& operator=(const TextDecoder&) = delete;

    // False when the bytes are not valid in the character set.
    bool Decode(std::string_view in, std::string& out);
    // The name users know the character set by ("UTF-8", "Windows-1252").
    const std::string& Name() const { return name_; }

private:
    bool utf8_;
    iconv_t cd_ = reinterpret_cast<iconv_t>(-1);
    std::string name_;
};

}  // namespace qdt::db::sheets
