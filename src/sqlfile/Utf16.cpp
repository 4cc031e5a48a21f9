#include "sqlfile/Utf16.h"

#include <iconv.h>

#include <cerrno>

#include "sqlfile/ScriptError.h"

namespace qdt::sqlfile {

namespace {

class Converter {
public:
    explicit Converter(const char* from) : cd_(iconv_open("UTF-8", from)) {
        if (cd_ == reinterpret_cast<iconv_t>(-1))
            throw ScriptError(std::string("The .SQL file is UTF-16, which this system cannot decode (") + from + ").");
    }
    ~Converter() { iconv_close(cd_); }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;
    iconv_t get() const { return cd_; }

private:
    iconv_t cd_;
};

}  // namespace

std::string DecodeUtf16(std::string_view bytes, bool bigEndian) {
    Converter converter(bigEndian ? "UTF-16BE" : "UTF-16LE");
    std::string out;
    // ASCII-heavy scripts shrink to half; grow when other text needs more.
    out.resize(bytes.size() / 2 + 16);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    std::size_t written = 0;
    while (inLeft > 0) {
        char* outPtr = out.data() + written;
        std::size_t outLeft = out.size() - written;
        const std::size_t rc = iconv(converter.get(), &in, &inLeft, &outPtr, &outLeft);
        written = out.size() - outLeft;
        if (rc != static_cast<std::size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() + inLeft * 2 + 16);
            continue;
        }
        const std::size_t offset = bytes.size() - inLeft + 2;  // counted in the file, after its mark
        throw ScriptError("The .SQL file is marked as UTF-16 but is not valid UTF-16 at byte " +
                          std::to_string(offset) + "; nothing of it was executed.");
    }
    out.resize(written);
    return out;
}

}  // namespace qdt::sqlfile
