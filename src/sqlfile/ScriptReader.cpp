#include "sqlfile/ScriptReader.h"

#include "db/Error.h"

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
    for (int i = 0; i < 3; ++i) {
        if (in_.peek() != static_cast<unsigned char>(kByteOrderMark[i])) break;
        pending_.push_back(static_cast<char>(in_.get()));
    }
    CheckReadable();
    if (pending_ == kByteOrderMark) pending_.clear();
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
