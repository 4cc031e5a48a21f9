#include "sqlfile/ScriptReader.h"

#include <string_view>

#include "db/Error.h"
#include "sqlfile/Utf16.h"

namespace qdt::sqlfile {

namespace {
constexpr int kEnd = std::char_traits<char>::eof();
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";
}  // namespace

void ScriptReader::CheckReadable() const {
    if (in_.bad()) throw db::DatabaseError("The .SQL file could not be read.");
}

void ScriptReader::Begin() {
    begun_ = true;
    for (int i = 0; i < 3 && in_.peek() != kEnd; ++i) pending_.push_back(static_cast<char>(in_.get()));
    CheckReadable();
    const std::string_view head = pending_;
    if (head == kByteOrderMark) {
        pending_.clear();
    } else if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF") {
        // A UTF-16 file is decoded whole; the lines are then read from the result.
        const bool bigEndian = head[0] == '\xFE';
        std::string raw = pending_.substr(2);
        char chunk[65536];
        while (in_.read(chunk, sizeof chunk) || in_.gcount() > 0)
            raw.append(chunk, static_cast<std::size_t>(in_.gcount()));
        CheckReadable();
        pending_ = DecodeUtf16(raw, bigEndian);
    }
}

int ScriptReader::Peek() {
    if (!begun_) Begin();
    if (pendingPos_ < pending_.size()) return static_cast<unsigned char>(pending_[pendingPos_]);
    int c = in_.peek();
    if (c == kEnd) CheckReadable();
    return c;
}

int ScriptReader::Get() {
    if (!begun_) Begin();
    if (pendingPos_ < pending_.size()) return static_cast<unsigned char>(pending_[pendingPos_++]);
    int c = in_.get();
    if (c == kEnd) CheckReadable();
    return c;
}

bool ScriptReader::AtEnd() { return Peek() == kEnd; }

std::string ScriptReader::ReadLine() {
    std::string line;
    for (int c = Get(); c != kEnd; c = Get()) {
        if (c == '\n') break;
        if (c == '\r') {
            if (Peek() == '\n') Get();
            break;
        }
        line.push_back(static_cast<char>(c));
    }
    return line;
}

std::int64_t StreamLength(std::istream& in) {
    const std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1)) {
        in.clear();
        return -1;
    }
    in.seekg(0, std::ios::end);
    const std::istream::pos_type end = in.tellg();
    in.clear();
    in.seekg(here);
    if (end == std::istream::pos_type(-1)) return -1;
    return static_cast<std::int64_t>(end);
}

}  // namespace qdt::sqlfile
