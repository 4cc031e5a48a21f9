// Values nobody here wrote, copied by the real table copy from SQLite into
// MariaDB, whose parser is the one the literals' escaping must satisfy, and
// compared value by value with what went in. The source is filled without the
// tool's own literals (texts as hex bytes), so a fault in them cannot hide itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <optional>
#include <string>
#include <vector>

#include "data/BoundRows.h"
#include "data/run/TextStatus.h"

namespace qdt::data {
namespace {

using db::DateTime;
using db::Value;

const char* kTable = "tblQuillmartNasty";
const char* kColumns[] = {"NV_Text", "NV_Next", "NV_Int", "NV_Big", "NV_Double", "NV_Date"};

std::string Repeat(const std::string& piece, std::size_t bytes) {
    std::string out;
    while (out.size() < bytes) out += piece;
    return out;
}

struct Nasty {
    std::string name;
    std::vector<std::pair<std::string, Value>> cells;
    std::optional<Value> arrives = std::nullopt;  // what the case's first cell becomes, where not itself
};

// One row per case; columns a case does not name stay NULL.
std::vector<Nasty> NastyValues() {
    const auto text = [](std::string s) { return Value::Text(std::move(s)); };
    const auto date = [](int y, int mo, int d, int h, int mi, int s, int ns) {
        return Value::Date(DateTime{y, mo, d, h, mi, s, ns});
    };
    using I = std::numeric_limits<std::int32_t>;
    using B = std::numeric_limits<std::int64_t>;
    return {
        {"quotes", {{"NV_Text", text("O'Brien's ''twice'' \"double\" `back`")}}},
        {"backslash before a quote", {{"NV_Text", text("a\\'b \\\\' \\")}}},
        {"backslash escapes that are not", {{"NV_Text", text("C:\\shop\\new\\table back\\slash \\% \\_ \\Z")}}},
        // Once, the trailing backslash swallowed its quote and the next value ran as SQL.
        {"trailing backslash, then SQL",
         {{"NV_Text", text("C:\\shop\\uploads\\")},
          {"NV_Next", text(", USER(), VERSION(), (SELECT GROUP_CONCAT(NV_Text) FROM tblQuillmartNasty)) -- ")}}},
        {"CR, LF and TAB", {{"NV_Text", text("a\r\nb\tc\rd\n")}, {"NV_Next", text("\t")}}},
        {"NUL", {{"NV_Text", text(std::string("a\0b", 3))}, {"NV_Next", text(std::string("\0\\\0'", 4))}}},
        {"emoji and other 4-byte UTF-8", {{"NV_Text", text("\xF0\x9F\x98\x80 \xF0\x9D\x84\x9E \xF0\x9F\x87\xAC\xF0\x9F\x87\xA7 \xE4\xB8\xAD")}}},
        {"empty text, not NULL", {{"NV_Text", text("")}}},
        {"1 MB of escapes", {{"NV_Text", text(Repeat("\\'x\xF0\x9F\x98\x80\n", 1 << 20))}}},
        {"1 MB plain", {{"NV_Text", text(std::string(1 << 20, 'q'))}}},
        {"INT and BIGINT limits, low", {{"NV_Int", Value::Integer(I::min())}, {"NV_Big", Value::Integer(B::min())}}},
        {"INT and BIGINT limits, high", {{"NV_Int", Value::Integer(I::max())}, {"NV_Big", Value::Integer(B::max())}}},
        {"1e308", {{"NV_Double", Value::Double(1e308)}}},
        {"2.2e-308", {{"NV_Double", Value::Double(2.2e-308)}}},
        {"largest double, negative", {{"NV_Double", Value::Double(-std::numeric_limits<double>::max())}}},
        {"0.1", {{"NV_Double", Value::Double(0.1)}}},
        {"year 1", {{"NV_Date", date(1, 1, 1, 0, 0, 0, 500000000)}}},
        {"year 99", {{"NV_Date", date(99, 12, 31, 23, 59, 59, 123456000)}}},
        {"year 1899", {{"NV_Date", date(1899, 12, 30, 12, 34, 56, 1000)}}},
        {"year 9999", {{"NV_Date", date(9999, 12, 31, 23, 59, 59, 999999000)}}},
        // What only a SQLite source can hold: MariaDB reads the number in the
        // text, and stores U+FFFD for bytes that are not UTF-8.
        {"a number as text in a number column", {{"NV_Int", text(" 42 ")}}, Value::Integer(42)},
        {"not UTF-8", {{"NV_Text", text("a\xFF\xC3" "b")}}, text("a\xEF\xBF\xBD\xEF\xBF\xBD" "b")},
    };
}

std::string Hex(const std::string& bytes) {
    static const char* kDigits = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += kDigits[c >> 4];
        out += kDigits[c & 0xF];
    }
    return out;
}

// How the test itself writes a value into the source, by other means than the tool's.
std::string SourceLiteral(const Value& v) {
    char buf[64];
    switch (v.kind()) {
        case Value::Kind::Null: return "NULL";
        case Value::Kind::Integer: return v.ToText();
        case Value::Kind::Double: std::snprintf(buf, sizeof buf, "%.17g", v.ToDouble()); return buf;
        case Value::Kind::Text: return "CAST(X'" + Hex(v.AsText()) + "' AS TEXT)";
        case Value::Kind::Date: {
            const DateTime& d = v.AsDate();
            std::snprintf(buf, sizeof buf, "'%04d-%02d-%02d %02d:%02d:%02d.%09d'", d.year, d.month, d.day, d.hour,
                          d.minute, d.second, d.nanosecond);
            return buf;
        }
        default: ADD_FAILURE() << "no source form for " << v.ToText(); return "NULL";
    }
}

Value CellOf(const Nasty& c, const std::string& column) {
    for (const auto& [name, value] : c.cells)
        if (name == column) return value;
    return Value::Null();
}

std::string Shown(const Value& v) {
    const std::string t = v.IsNull() ? "NULL" : v.ToText();
    return t.size() > 80 ? t.substr(0, 80) + "... (" + std::to_string(t.size()) + " bytes)" : t;
}

const std::string kSqliteTable = std::string("CREATE TABLE ") + kTable +
                                 " (NV_ID INTEGER PRIMARY KEY, NV_Text TEXT, NV_Next TEXT, NV_Int INT, "
                                 "NV_Big BIGINT, NV_Double DOUBLE, NV_Date DATETIME)";

// The source is filled with the cases' own forms, never the tool's literals.
void Fill(db::Connection& source, const std::vector<Nasty>& cases) {
    source.Execute(kSqliteTable)->Close();
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::string sql = std::string("INSERT INTO ") + kTable + " VALUES (" + std::to_string(i + 1);
        for (const char* column : kColumns) sql += ", " + SourceLiteral(CellOf(cases[i], column));
        source.Execute(sql + ")")->Close();
    }
}

class NastyValueCopy : public ::testing::Test {
protected:
    void SetUp() override {
        Fill(source, cases);
        ctx.source.Kind = kSqlite;
        ctx.source.Version = ctx.destination.Version = 5.104f;
    }
    const std::vector<Nasty> cases = NastyValues();
    db::Connection source = test::OpenSqlite(test::NewSqliteFile());
    run::TextStatus status;
    run::RunContext ctx{status};
};

TEST_F(NastyValueCopy, EveryValueReachesMariaDbAsItWas) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    // A database of its own per process, so that test programs run side by side do not meet.
    test::ScratchMySqlDatabase scratch(server, "nasty_" + std::to_string(::getpid()));
    db::Connection destination;
    destination.Open(scratch.Server().ConnectionString());
    destination.Execute(std::string("CREATE TABLE ") + kTable +
                        " (NV_ID INT PRIMARY KEY, NV_Text LONGTEXT, NV_Next LONGTEXT, NV_Int INT, NV_Big BIGINT, "
                        "NV_Double DOUBLE, NV_Date DATETIME(6)) CHARACTER SET utf8mb4")
        ->Close();
    destination.Execute(std::string("INSERT INTO ") + kTable + " (NV_ID, NV_Text) VALUES (999, 'old')")->Close();
    ctx.destination.Kind = kMySql;
    try {
        CopyTable(ctx, kTable, source, destination);
    } catch (const std::exception& e) {
        FAIL() << e.what() << "\nat: " << ctx.strQuery.substr(0, 300);
    }
    EXPECT_EQ(ctx.strWarnings,
              "- The text in column NV_Text of table tblQuillmartNasty is not valid UTF-8; the destination stores "
              "the unreadable bytes as the replacement character U+FFFD.\r\n");

    std::string columns = "NV_ID";
    for (const char* c : kColumns) columns += std::string(", ") + c;
    auto rs = destination.Execute("SELECT " + columns + " FROM " + kTable + " ORDER BY NV_ID");
    std::size_t row = 0;
    for (; !rs->Eof() && row < cases.size(); rs->MoveNext(), ++row) {
        EXPECT_EQ(rs->Fields(0).Value(), Value::Integer(static_cast<std::int64_t>(row + 1)));
        for (const char* column : kColumns) {
            const Nasty& c = cases[row];
            const Value expected = c.arrives && column == c.cells.front().first ? *c.arrives : CellOf(c, column);
            const Value got = rs->Fields(column).Value();
            EXPECT_TRUE(got == expected) << c.name << ", " << column << ": got " << Shown(got) << ", sent "
                                         << Shown(expected);
        }
    }
    EXPECT_EQ(row, cases.size());
    EXPECT_TRUE(rs->Eof());
}

TEST_F(NastyValueCopy, BoundOnSqliteStoreWhatTheirTextWould) {
    const std::string empty = test::NewSqliteFile("empty.sqlite");
    test::OpenSqlite(empty).Execute(kSqliteTable)->Close();
    ctx.destination.Kind = kSqlite;
    const testing::RowCounts counts = testing::ExpectBoundAsText(ctx, source, empty, {kTable});
    EXPECT_EQ(counts.bound + counts.asText, cases.size());
    EXPECT_GT(counts.bound, cases.size() / 2);
}

}  // namespace
}  // namespace qdt::data
