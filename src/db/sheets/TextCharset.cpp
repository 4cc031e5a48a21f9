#include "db/sheets/TextCharset.h"

#include <cerrno>

#include "db/Error.h"
#include "db/Text.h"

namespace qdt::db::sheets {


bool StreamIsUtf8(std::istream& in) {
    std::string buf(1 << 16, '\0');
    std::string carry;
    for (;;) {
        in.read(buf.data(), static_cast<std::streamsize>(buf.size()));
        std::string chunk = carry + buf.substr(0, static_cast<std::size_t>(in.gcount()));
        const bool end = !in;
        std::size_t cut = chunk.size();
        if (!end) {
            // The last character may go on in the next piece: it is checked there.
            std::size_t k = chunk.size();
            for (int back = 0; k > 0 && back < 3 && (static_cast<unsigned char>(chunk[k - 1]) & 0xC0) == 0x80; ++back)
                --k;
            if (k > 0 && static_cast<unsigned char>(chunk[k - 1]) >= 0xC0) cut = k - 1;
        }
        if (ValidUtf8Prefix(std::string_view(chunk).substr(0, cut)) != cut) return false;
        if (end) return true;
        carry = chunk.substr(cut);
    }
}

TextDecoder::TextDecoder(const std::string& charset, const std::string& shownName)
    : utf8_(charset == "UTF-8"), name_(shownName) {
    if (utf8_) return;
    cd_ = iconv_open("UTF-8", charset.c_str());
    if (cd_ == reinterpret_cast<iconv_t>(-1))
        throw DatabaseError("The character set '" + shownName + "' is not known on this system.");
}

TextDecoder::~TextDecoder() {
    if (!utf8_) iconv_close(cd_);
}

bool TextDecoder::Decode(std::string_view in, std::string& out) {
    bool ascii = true;
    for (char c : in)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii || utf8_) {
        out.assign(in.data(), in.size());
        return ascii || ValidUtf8Prefix(in) == in.size();
    }
    out.resize(in.size() * 4 + 4);
    char* src = const_cast<char*>(in.data());
    std::size_t srcLeft = in.size();
    char* dst = out.data();
    std::size_t dstLeft = out.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
    if (rc == static_cast<std::size_t>(-1) || srcLeft != 0) return false;
    out.resize(out.size() - dstLeft);
    return true;
}

}  // namespace qdt::db::sheets
