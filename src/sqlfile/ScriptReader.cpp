#include "sqlfile/ScriptReader.h"

#include <algorithm>

#include "db/Error.h"
#include "sqlfile/Utf16.h"

namespace qdt::sqlfile {

namespace {
constexpr std::size_t kBlock = 1 << 16;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

// The first CR or LF in [from, to), or to.
const char* FindLineEnd(const char* from, const char* to) {
    while (from != to && *from != '\r' && *from != '\n') ++from;
    return from;
}
}  // namespace

void ScriptReader::CheckReadable() const {
    if (in_.bad()) throw db::DatabaseError("The .SQL file could not be read.");
}

bool ScriptReader::Fill() {
    if (pos_ < end_) return true;
    if (decoded_ || !in_.good()) return false;
    // Straight from the stream's buffer, as much as it holds at once: what
    // was read before a failing device gives up is kept, and then the
    // failure is told, not taken for the end of the file.
    std::streambuf* source = in_.rdbuf();
    buffer_.resize(kBlock);
    pos_ = end_ = 0;
    try {
        std::streamsize available = source->in_avail();
        if (available <= 0) {
            if (std::char_traits<char>::eq_int_type(source->sgetc(), std::char_traits<char>::eof())) {
                in_.setstate(std::ios::eofbit);
                return false;
            }
            available = std::max<std::streamsize>(source->in_avail(), 1);
        }
        end_ = static_cast<std::size_t>(
            source->sgetn(buffer_.data(), std::min(available, static_cast<std::streamsize>(kBlock))));
    } catch (...) {
        in_.setstate(std::ios::badbit);
    }
    if (end_ == 0) CheckReadable();
    return end_ > 0;
}

void ScriptReader::Begin() {
    begun_ = true;
    if (!Fill()) return;
    // A byte-order mark may come in pieces from a stream that hands out little at a time.
    if (end_ < 3) {
        std::string head(buffer_.data(), end_);
        while (head.size() < 3) {
            pos_ = end_;
            if (!Fill()) break;
            head.append(buffer_.data(), end_);
        }
        buffer_ = std::move(head);
        pos_ = 0;
        end_ = buffer_.size();
    }
    const std::string_view head(buffer_.data(), end_);
    if (head.substr(0, 3) == kByteOrderMark) {
        pos_ = 3;
    } else if (head.substr(0, 2) == "\xFF\xFE" || head.substr(0, 2) == "\xFE\xFF") {
        // A UTF-16 file is decoded whole; the lines are then read from the result.
        const bool bigEndian = head[0] == '\xFE';
        std::string raw(head.substr(2));
        pos_ = end_;
        while (Fill()) {
            raw.append(buffer_.data(), end_);
            pos_ = end_;
        }
        buffer_ = DecodeUtf16(raw, bigEndian);
        decoded_ = true;
        pos_ = 0;
        end_ = buffer_.size();
    }
}

bool ScriptReader::AtEnd() {
    if (!begun_) Begin();
    return !Fill();
}

std::string_view ScriptReader::NextLine() {
    if (!begun_) Begin();
    carry_.clear();
    bool carried = false;
    for (;;) {
        if (!Fill()) return carry_;
        const char* from = buffer_.data() + pos_;
        const char* to = buffer_.data() + end_;
        const char* lineEnd = FindLineEnd(from, to);
        const auto length = static_cast<std::size_t>(lineEnd - from);
        if (lineEnd == to) {
            carry_.append(from, length);
            carried = true;
            pos_ = end_;
            continue;
        }
        std::string_view line(from, length);
        if (carried) {
            carry_.append(from, length);
            line = carry_;
        }
        pos_ += length + 1;
        if (*lineEnd == '\r') {
            if (pos_ == end_) {
                // The LF, if any, is in the next block, which overwrites this one.
                if (!carried) line = carry_.assign(line);
                if (!Fill()) return line;
            }
            if (buffer_[pos_] == '\n') ++pos_;
        }
        return line;
    }
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

std::int64_t CrLfLength(std::istream& in) {
    const std::istream::pos_type here = in.tellg();
    if (here == std::istream::pos_type(-1)) {
        in.clear();
        return -1;
    }
    std::string block(kBlock, '\0');
    std::int64_t length = 0;
    char last = '\n';
    bool crBefore = false;  // the previous block ended in CR
    while (in.read(block.data(), static_cast<std::streamsize>(kBlock)) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        length += static_cast<std::int64_t>(n);
        for (std::size_t i = 0; i < n; ++i) {
            const char c = block[i];
            // A lone CR or LF grows by one byte; CR LF stays as it is.
            if (c == '\r') ++length;
            if (c == '\n') length += (i == 0 ? crBefore : block[i - 1] == '\r') ? -1 : 1;
        }
        crBefore = block[n - 1] == '\r';
        last = block[n - 1];
    }
    if (last != '\r' && last != '\n') length += 2;  // the last line gets its line end too
    in.clear();
    in.seekg(here);
    return length;
}

}  // namespace qdt::sqlfile
