#include <gtest/gtest.h>

#include <cstdint>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>
#include <vector>

#include "db/Error.h"
#include "sqlfile/ScriptError.h"
#include "sqlfile/ScriptReader.h"
#include "support/TestEnv.h"

namespace qdt::sqlfile {
namespace {

using namespace std::string_literals;

std::vector<std::string> Lines(const std::string& bytes) {
    std::istringstream in(bytes);
    ScriptReader reader(in);
    std::vector<std::string> lines;
    while (!reader.AtEnd()) lines.push_back(reader.ReadLine());
    return lines;
}

using L = std::vector<std::string>;

TEST(ScriptReader, LinesEndAtCrCrLfAndLf) {
    EXPECT_EQ(Lines(""), L{});
    EXPECT_EQ(Lines("a\r\nb\r\n"), (L{"a", "b"}));
    EXPECT_EQ(Lines("a\nb"), (L{"a", "b"}));
    EXPECT_EQ(Lines("a\rb\r"), (L{"a", "b"}));
    EXPECT_EQ(Lines("a\r\n\r\nb\n\n\r"), (L{"a", "", "b", "", ""}));
}

TEST(ScriptReader, DropsAUtf8MarkAndDecodesUtf16) {
    EXPECT_EQ(Lines("\xEF\xBB\xBFGO\r\nx"), (L{"GO", "x"}));
    EXPECT_EQ(Lines("\xEF\xBB\xBF"), L{});
    EXPECT_EQ(Lines("\xEF\xBBx\r\n"), L{"\xEF\xBBx"});
    EXPECT_EQ(Lines("a\n\xEF\xBB\xBF"), (L{"a", "\xEF\xBB\xBF"}));
    // Bytes of any encoding pass through untouched.
    EXPECT_EQ(Lines("Z\xC3\xBCrich\r\ncaf\xE9"), (L{"Z\xC3\xBCrich", "caf\xE9"}));
    // UTF-16 of either byte order, with a character beyond the basic plane.
    EXPECT_EQ(Lines("\xFF\xFE" "A\0\r\0\n\0\xE9\0=\0\x3D\xD8\x00\xDE"s), (L{"A", "\xC3\xA9=\xF0\x9F\x98\x80"}));
    EXPECT_EQ(Lines("\xFE\xFF" "\0A\0\n\0B"s), (L{"A", "B"}));
    EXPECT_EQ(Lines("\xFF\xFE"), L{});
}

TEST(ScriptReader, BrokenUtf16IsRefused) {
    const std::pair<std::string, int> cases[] = {
        {"\xFF\xFE" "A\0\x00\xDC"s, 4},  // a low surrogate alone
        {"\xFF\xFE" "A\0B"s, 4},          // an odd number of bytes
        {"\xFE\xFF" "\xD8\x3D\0A"s, 2},  // a high surrogate followed by a letter
    };
    for (const auto& [bytes, offset] : cases)
        EXPECT_EQ(test::ErrorText<ScriptError>([&] { Lines(bytes); }),
                  "The .SQL file is marked as UTF-16 but is not valid UTF-16 at byte " + std::to_string(offset) +
                      "; nothing of it was executed.");
}

// A file whose medium fails after a few bytes.
class FailingBuffer : public std::streambuf {
protected:
    int_type underflow() override {
        if (served_) throw std::ios_base::failure("device error");
        served_ = true;
        setg(data_, data_, data_ + 4);
        return traits_type::to_int_type(data_[0]);
    }

private:
    char data_[5] = "ab\r\n";
    bool served_ = false;
};

TEST(ScriptReader, ReadFailureIsReported) {
    FailingBuffer buffer;
    std::istream in(&buffer);
    ScriptReader reader(in);
    EXPECT_EQ(reader.ReadLine(), "ab");
    EXPECT_THROW(reader.AtEnd(), db::DatabaseError);
}

// Lines that run across the reader's 64 KiB blocks, and line ends split between two.
TEST(ScriptReader, LinesAcrossBlocks) {
    const std::string a(65535, 'a');
    const std::string x(200000, 'x');
    EXPECT_EQ(Lines(a + "\r\nb"), (L{a, "b"}));
    EXPECT_EQ(Lines(a + "\rb\r"), (L{a, "b"}));
    EXPECT_EQ(Lines(a + "\r"), (L{a}));
    EXPECT_EQ(Lines(x + "\ny\r\n" + x), (L{x, "y", x}));
    EXPECT_EQ(Lines("\xEF\xBB\xBF" + a + "\r\n\r\n"), (L{a, ""}));
}

TEST(CrLfLength, CountsEveryLineEndAsTwoBytes) {
    const std::string a(65535, 'a');
    const std::pair<std::string, std::int64_t> cases[] = {
        {"", 0},          {"a", 3},         {"a\r\n", 3},          {"a\n", 3},        {"a\r", 3},
        {"a\n\nb", 8},    {"\r\n\r\n", 4},  {"a\n\r\r\n", 7},      {a + "\r\n", 65537}, {a + "\r\nb", 65540},
        {a + "\n", 65537}, {a + "\rb", 65540}};
    for (const auto& [bytes, expected] : cases) {
        std::istringstream in(bytes);
        EXPECT_EQ(CrLfLength(in), expected) << bytes.size() << " bytes";
        EXPECT_EQ(in.tellg(), 0);
    }
}

TEST(StreamLength, MeasuresWithoutMovingAndAdmitsUnseekable) {
    std::istringstream in("abcdef");
    in.get();
    EXPECT_EQ(StreamLength(in), 6);
    EXPECT_EQ(in.get(), 'b');

    FailingBuffer buffer;
    std::istream unseekable(&buffer);
    EXPECT_EQ(StreamLength(unseekable), -1);
    EXPECT_TRUE(unseekable.good());
}

}  // namespace
}  // namespace qdt::sqlfile
