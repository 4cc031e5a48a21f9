// Values nobody here wrote, copied by the real table copy between SQLite and
// MariaDB in every direction and compared value by value with what went in.
// The sources are filled without the tool's own literals (texts as hex
// bytes), so a fault in them cannot hide itself.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "data/TableCopy.h"
#include "data/TextOnlyConnection.h"
#include "data/run/RunContext.h"
#include "data/run/TextStatus.h"
#include "db/Connection.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"

namespace qdt::data {
namespace {

using db::DateTime;
using db::Value;

const char* kTable = "tblQuillmartNasty";
const char* kColumns[] = {"NV_Text", "NV_Next", "NV_Int", "NV_Big", "NV_Double", "NV_Date"};

std::string SqliteDdl() {
    return std::string("CREATE TABLE ") + kTable +
           " (NV_ID INTEGER PRIMARY KEY, NV_Text TEXT, NV_Next TEXT, NV_Int INT, NV_Big BIGINT, NV_Double DOUBLE, "
           "NV_Date DATETIME)";
}

std::string MySqlDdl() {
    return std::string("CREATE TABLE ") + kTable +
           " (NV_ID INT PRIMARY KEY, NV_Text LONGTEXT, NV_Next LONGTEXT, NV_Int INT, NV_Big BIGINT, NV_Double DOUBLE, "
           "NV_Date DATETIME(6)) CHARACTER SET utf8mb4";
}

std::string Repeat(const std::string& piece, std::size_t bytes) {
    std::string out;
    out.reserve(bytes);
    while (out.size() < bytes) out += piece;
    return out;
}

struct Nasty {
    std::string name;
    std::vector<std::pair<std::string, Value>> cells;
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

// How the test itself writes a value into a source, by other means than the tool's.
std::string SourceLiteral(const Value& v, bool mySql) {
    char buf[64];
    switch (v.kind()) {
        case Value::Kind::Null: return "NULL";
        case Value::Kind::Integer: return v.ToText();
        case Value::Kind::Double: std::snprintf(buf, sizeof buf, "%.17g", v.ToDouble()); return buf;
        case Value::Kind::Text:
            return mySql ? "CONVERT(X'" + Hex(v.AsText()) + "' USING utf8mb4)" : "CAST(X'" + Hex(v.AsText()) + "' AS TEXT)";
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

void Fill(db::Connection& conn, const std::vector<Nasty>& cases, bool mySql) {
    for (std::size_t i = 0; i < cases.size(); ++i) {
        std::string sql = std::string("INSERT INTO ") + kTable + " VALUES (" + std::to_string(i + 1);
        for (const char* column : kColumns) sql += ", " + SourceLiteral(CellOf(cases[i], column), mySql);
        conn.Execute(sql + ")")->Close();
    }
}

// Where one side of a copy lives: a fresh SQLite file or a fresh MariaDB
// database of its own per process, so that test programs run side by side do not meet.
struct Side {
    Side(DatabaseKind kind, const std::string& role, const std::optional<test::MySqlServer>& server) : kind(kind) {
        if (kind == kSqlite) {
            conn = test::OpenSqlite(test::NewSqliteFile());
            conn.Execute(SqliteDdl())->Close();
            return;
        }
        database.emplace(*server, "nasty_" + role + "_" + std::to_string(::getpid()));
        conn.Open(database->Server().ConnectionString());
        conn.Execute(MySqlDdl())->Close();
    }
    DatabaseKind kind;
    std::optional<test::ScratchMySqlDatabase> database;
    db::Connection conn;
};

// The table copied by the real copy; returns the run's warnings.
std::string Copy(Side& source, Side& destination) {
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source.Kind = source.kind;
    ctx.destination.Kind = destination.kind;
    ctx.source.Version = ctx.destination.Version = 5.104f;
    try {
        CopyTable(ctx, kTable, source.conn, destination.conn);
    } catch (const std::exception& e) {
        ADD_FAILURE() << e.what() << "\nat: " << ctx.strQuery.substr(0, 300);
    }
    return ctx.strWarnings;
}

std::vector<std::vector<Value>> ReadRows(db::Connection& conn) {
    std::vector<std::vector<Value>> rows;
    std::string columns = "NV_ID";
    for (const char* c : kColumns) columns += std::string(", ") + c;
    auto rs = conn.Execute("SELECT " + columns + " FROM " + kTable + " ORDER BY NV_ID");
    for (; !rs->Eof(); rs->MoveNext()) {
        std::vector<Value> row;
        for (const db::Field& f : rs->AllFields()) row.push_back(f.Value());
        rows.push_back(std::move(row));
    }
    return rows;
}

std::string Shown(const Value& v) {
    const std::string t = v.IsNull() ? "NULL" : v.ToText();
    return t.size() > 80 ? t.substr(0, 80) + "... (" + std::to_string(t.size()) + " bytes)" : t;
}

struct Direction {
    DatabaseKind source;
    DatabaseKind destination;
};

class NastyValueCopy : public ::testing::TestWithParam<Direction> {};

TEST_P(NastyValueCopy, EveryValueArrivesAsItWas) {
    const Direction& d = GetParam();
    std::optional<test::MySqlServer> server;
    if (d.source == kMySql || d.destination == kMySql) {
        QDT_REQUIRE_MYSQL_SERVER(found);
        server = found;
    }
    const std::vector<Nasty> cases = NastyValues();
    Side source(d.source, "source", server);
    Side destination(d.destination, "destination", server);
    Fill(source.conn, cases, d.source == kMySql);
    destination.conn.Execute(std::string("INSERT INTO ") + kTable + " (NV_ID, NV_Text) VALUES (999, 'old')")->Close();

    EXPECT_EQ(Copy(source, destination), "");

    const auto rows = ReadRows(destination.conn);
    ASSERT_EQ(rows.size(), cases.size());
    for (std::size_t i = 0; i < cases.size(); ++i) {
        EXPECT_EQ(rows[i][0], Value::Integer(static_cast<std::int64_t>(i + 1)));
        for (std::size_t c = 0; c < std::size(kColumns); ++c) {
            const Value expected = CellOf(cases[i], kColumns[c]);
            EXPECT_TRUE(rows[i][c + 1] == expected) << cases[i].name << ", " << kColumns[c] << ": got "
                                                    << Shown(rows[i][c + 1]) << ", sent " << Shown(expected);
        }
    }
}

std::string DirectionName(const ::testing::TestParamInfo<Direction>& info) {
    auto name = [](DatabaseKind k) { return k == kMySql ? std::string("MySql") : std::string("Sqlite"); };
    return name(info.param.source) + "To" + name(info.param.destination);
}

INSTANTIATE_TEST_SUITE_P(Directions, NastyValueCopy,
                         ::testing::Values(Direction{kSqlite, kMySql}, Direction{kMySql, kMySql},
                                           Direction{kMySql, kSqlite}, Direction{kSqlite, kSqlite}),
                         DirectionName);

// On SQLite the rows are bound to a prepared statement; they must be stored
// exactly as their INSERT texts would store them.
TEST(NastyValueRows, BoundOnSqliteStoreWhatTheirTextWould) {
    const std::vector<Nasty> cases = NastyValues();
    Side source(kSqlite, "source", std::nullopt);
    Fill(source.conn, cases, false);
    Side bound(kSqlite, "bound", std::nullopt);
    const std::string textPath = test::NewSqliteFile();
    std::vector<std::string> inserts;
    db::Connection asText(
        std::make_unique<testing::TextOnly>(db::OpenProvider("Provider=SQLite;Data Source=" + textPath), inserts));
    asText.Execute(SqliteDdl())->Close();

    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source.Kind = ctx.destination.Kind = kSqlite;
    ctx.source.Version = ctx.destination.Version = 5.104f;
    CopyTable(ctx, kTable, source.conn, asText);
    CopyTable(ctx, kTable, source.conn, bound.conn);
    EXPECT_EQ(inserts.size(), cases.size());
    const std::string dump = testing::TypedDump(bound.conn, kTable);
    EXPECT_EQ(dump, testing::TypedDump(asText, kTable));
    EXPECT_NE(dump.find("real:"), std::string::npos);
    EXPECT_NE(dump.find("integer:"), std::string::npos);
}

// What only a SQLite source can hold: text in a number column, and bytes that
// are not UTF-8. SQLite takes them as they are; MariaDB reads a number from
// the text, and stores U+FFFD for the bytes with a warning naming table and
// column. (Text that is no number is refused: see the literal cases.)
struct Oddity {
    const char* name;
    DatabaseKind destination;
    const char* column;
    Value value;
    Value expected;       // what the destination holds after the copy
    const char* warning;  // the start of the run's warnings, or "" for none
};

class SqliteSourceOddity : public ::testing::TestWithParam<Oddity> {};

TEST_P(SqliteSourceOddity, ArrivesAsTextOrAsANumber) {
    const Oddity& o = GetParam();
    std::optional<test::MySqlServer> server;
    if (o.destination == kMySql) {
        QDT_REQUIRE_MYSQL_SERVER(found);
        server = found;
    }
    Side source(kSqlite, "source", server);
    Side destination(o.destination, "destination", server);
    source.conn.Execute(std::string("INSERT INTO ") + kTable + " (NV_ID, " + o.column + ") VALUES (7, " +
                        SourceLiteral(o.value, false) + ")")
        ->Close();

    const std::string warnings = Copy(source, destination);
    auto rs = destination.conn.Execute(std::string("SELECT ") + o.column + " FROM " + kTable);
    ASSERT_FALSE(rs->Eof());
    EXPECT_EQ(rs->Fields(0).Value(), o.expected) << Shown(rs->Fields(0).Value());
    EXPECT_EQ(*o.warning ? warnings.rfind(o.warning, 0) : warnings.size(), 0u) << warnings;
}

const char* kSelectSql = "(SELECT group_concat(name) FROM sqlite_master)";
const char* kNotUtf8 = "- The text in column NV_Text of table tblQuillmartNasty is not valid UTF-8";

INSTANTIATE_TEST_SUITE_P(
    Cases, SqliteSourceOddity,
    ::testing::Values(
        Oddity{"SqlInANumberColumnToSqlite", kSqlite, "NV_Int", Value::Text(kSelectSql), Value::Text(kSelectSql), ""},
        Oddity{"EmptyTextInANumberColumnToSqlite", kSqlite, "NV_Int", Value::Text(""), Value::Text(""), ""},
        Oddity{"NumberTextInANumberColumnToMySql", kMySql, "NV_Int", Value::Text(" 42 "), Value::Integer(42), ""},
        Oddity{"NotUtf8ToSqlite", kSqlite, "NV_Text", Value::Text("a\xFF\xC3" "b"), Value::Text("a\xFF\xC3" "b"), ""},
        Oddity{"NotUtf8ToMySql", kMySql, "NV_Text", Value::Text("a\xFF\xC3" "b"),
               Value::Text("a\xEF\xBF\xBD\xEF\xBF\xBD" "b"), kNotUtf8}),
    [](const ::testing::TestParamInfo<Oddity>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::data
