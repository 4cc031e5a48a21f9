// Copies on real engines. Values nobody here wrote go from SQLite into
// MariaDB, whose parser the literals' escaping must satisfy; the source is
// filled without the tool's own literals, so a fault in them cannot hide.
// Every fixture shop goes through the whole run into every new shop it may
// be copied into, on SQLite and MariaDB, one also as an Access file's
// snapshot presents it. On SQLite, bound rows must store what their text would.
#include <gtest/gtest.h>
#include <mdbtools.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include "data/Detection.h"
#include "data/FixtureShops.h"
#include "data/TableCopy.h"
#include "db/access/AccessSnapshot.h"
#include "support/PassThroughProvider.h"
#include "support/ShopDatabases.h"
#include "support/TestEnv.h"
#include "wizard/ConnectionCheck.h"
#include "wizard/TransferRun.h"
#include "wizard/report/RunReport.h"

namespace qdt::data {
namespace {

using db::DateTime;
using db::Value;
using test::Config;
using test::Count;

struct RowCounts {
    std::size_t bound = 0;
    std::size_t asText = 0;
};

// A SQLite file that counts the rows it binds and the INSERTs it runs as text.
class CountingSqlite : public test::PassThroughProvider {
public:
    CountingSqlite(const std::string& path, RowCounts& counts)
        : PassThroughProvider(db::OpenProvider("Provider=SQLite;Data Source=" + path)), counts_(counts) {}
    std::unique_ptr<db::Recordset> Execute(const std::string& sql) override {
        if (sql.rfind("INSERT", 0) == 0) ++counts_.asText;
        return inner_->Execute(sql);
    }
    bool RunRow(const db::InsertRow& row) override {
        const bool bound = inner_->RunRow(row);
        counts_.bound += bound ? 1 : 0;
        return bound;
    }

private:
    RowCounts& counts_;
};

// Every cell of a SQLite table as its storage class and exact content
// (bytes in hex, reals to 20 digits), row by row.
std::string TypedDump(db::Connection& conn, const std::string& table) {
    std::string cells;
    for (auto rs = conn.Execute("SELECT name FROM pragma_table_info('" + table + "')"); !rs->Eof(); rs->MoveNext()) {
        const std::string c = rs->Fields(0).Value().ToText();
        cells += (cells.empty() ? "" : " || '|' || ") + std::string("typeof(") + c + ") || ':' || CASE typeof(" + c +
                 ") WHEN 'real' THEN printf('%!.20e', " + c + ") ELSE hex(" + c + ") END";
    }
    std::string dump;
    for (auto rs = conn.Execute("SELECT " + cells + " FROM " + table + " ORDER BY rowid"); !rs->Eof(); rs->MoveNext())
        dump += rs->Fields(0).Value().ToText() + "\n";
    return dump;
}

// A copy's rows are bound on SQLite instead of being compiled from their
// text. Copies the tables into two copies of the database at empty, once
// bound and once as text (a plain provider binds nothing), and expects the
// same storage class and bytes or bits in every cell; returns what the bound
// copy counted.
RowCounts ExpectBoundAsText(run::RunContext& ctx, db::Connection& source, const std::string& empty,
                            const std::vector<std::string>& tables) {
    const std::string boundPath = test::NewSqliteFile("bound.sqlite");
    const std::string textPath = test::NewSqliteFile("text.sqlite");
    std::filesystem::copy_file(empty, boundPath, std::filesystem::copy_options::overwrite_existing);
    std::filesystem::copy_file(empty, textPath, std::filesystem::copy_options::overwrite_existing);
    RowCounts counts;
    db::Connection bound(std::make_unique<CountingSqlite>(boundPath, counts));
    db::Connection asText(
        std::make_unique<test::PassThroughProvider>(db::OpenProvider("Provider=SQLite;Data Source=" + textPath)));
    for (const std::string& table : tables) {
        CopyTable(ctx, table, source, asText);
        CopyTable(ctx, table, source, bound);
        EXPECT_EQ(TypedDump(bound, table), TypedDump(asText, table)) << table;
    }
    return counts;
}

const char* kTable = "tblQuillmartNasty";
const char* kColumns[] = {"NV_Text", "NV_Next", "NV_Int", "NV_Big", "NV_Double", "NV_Date"};

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
    std::string escapes;
    while (escapes.size() < (1 << 20)) escapes += "\\'x\xF0\x9F\x98\x80\n";
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
        {"1 MB of escapes", {{"NV_Text", text(escapes)}}},
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

    auto rs = destination.Execute(std::string("SELECT * FROM ") + kTable + " ORDER BY NV_ID");
    std::size_t row = 0;
    for (; !rs->Eof() && row < cases.size(); rs->MoveNext(), ++row) {
        EXPECT_EQ(rs->Fields(0).Value(), Value::Integer(static_cast<std::int64_t>(row + 1)));
        for (const char* column : kColumns) {
            const Nasty& c = cases[row];
            const Value expected = c.arrives && column == c.cells.front().first ? *c.arrives : CellOf(c, column);
            const Value got = rs->Fields(column).Value();
            EXPECT_TRUE(got == expected) << c.name << ", " << column << ": got " << got.ToText().substr(0, 80);
        }
    }
    EXPECT_EQ(row, cases.size());
    EXPECT_TRUE(rs->Eof());
}

TEST_F(NastyValueCopy, BoundOnSqliteStoreWhatTheirTextWould) {
    const std::string empty = test::NewSqliteFile("empty.sqlite");
    test::OpenSqlite(empty).Execute(kSqliteTable)->Close();
    ctx.destination.Kind = kSqlite;
    const RowCounts counts = ExpectBoundAsText(ctx, source, empty, {kTable});
    EXPECT_EQ(counts.bound + counts.asText, cases.size());
    EXPECT_GT(counts.bound, cases.size() / 2);
}

struct Pair {
    const char* source;
    const char* destination;
    bool accessShaped = false;
};

void PrintTo(const Pair& p, std::ostream* os) { *os << (p.accessShaped ? "Access-typed " : "") << p.source << " into " << p.destination; }

// The run's report of a successful copy: every selected table listed in copy
// order with the source's rows, matched by the destination's count, and the
// detected versions.
void ExpectReportOfCopy(const wizard::report::RunReport& report, const run::RunContext& ctx, db::Connection& source,
                        const Pair& pair) {
    EXPECT_EQ(report.outcome, wizard::report::Outcome::kSucceeded);
    EXPECT_EQ(report.source.system + " " + report.source.version + " into " + report.destination.version,
              std::string("Quillmart ") + pair.source + " into " + pair.destination);
    const auto& selected = ctx.settings.CopyTableList.Entries();
    ASSERT_EQ(report.tables.size(), selected.size());
    for (std::size_t i = 0; i < selected.size(); ++i) {
        const wizard::report::ReportTable& t = report.tables[i];
        EXPECT_EQ(t.table, selected[i].first);
        EXPECT_EQ(t.rowsRead, Count(source, "SELECT COUNT(*) FROM " + t.table)) << t.table;
        EXPECT_EQ(t.rowsAfter.value_or(-1), t.rowsRead) << t.table;
    }
}

// The columns whose values a copy rule changes on the way.
const std::set<std::string> kChangedByARule = {"AF_Country", "CD_ShippingCountry", "CD_CardholderCountry", "ML_HTML",
                                               "N_content",  "V_DownLoadURL",      "PT_ShortenedFormat"};

// Every column that keeps its name holds, row by row, the value it had in the
// source (rows matched by their order on the first column).
void ExpectSameValues(db::Connection& source, db::Connection& destination, const std::string& table) {
    const long sourceRows = Count(source, "SELECT COUNT(*) FROM " + table);
    auto src = source.Execute("SELECT * FROM " + table + " ORDER BY 1");
    auto probe = destination.Execute("SELECT * FROM " + table + " LIMIT 0, 1");
    std::string list;
    for (const db::Field& f : src->AllFields()) {
        bool present = false;
        for (const db::Field& g : probe->AllFields()) present |= f.Name() == g.Name();
        if (present && !kChangedByARule.count(f.Name())) list += (list.empty() ? "" : ", ") + f.Name();
    }
    if (list.empty()) return;
    auto dst = destination.Execute("SELECT " + list + " FROM " + table + " ORDER BY 1 LIMIT " +
                                   std::to_string(sourceRows));
    long row = 0;
    for (; !src->Eof() && !dst->Eof(); src->MoveNext(), dst->MoveNext(), ++row)
        for (const db::Field& f : dst->AllFields())
            EXPECT_EQ(f.Value().ToText(), src->Fields(f.Name()).Value().ToText())
                << table << " row " << row << " column " << f.Name();
    EXPECT_EQ(row, sourceRows) << table;
}

// The Access type a column of the generated shop would have in an Access file.
db::access::MdbColumnInfo AccessColumn(const std::string& name, const std::string& sqliteType) {
    db::access::MdbColumnInfo c;
    c.name = name;
    if (name == "ON_WishList") c.mdbType = MDB_BOOL;
    else if (sqliteType.rfind("VARCHAR(", 0) == 0) c.mdbType = MDB_TEXT, c.length = std::stoi(sqliteType.substr(8));
    else if (sqliteType == "LONGTEXT") c.mdbType = MDB_MEMO;
    else if (sqliteType.rfind("DECIMAL", 0) == 0) c.mdbType = MDB_MONEY;
    else if (sqliteType == "DATETIME") c.mdbType = MDB_DATETIME;
    else if (sqliteType == "DOUBLE") c.mdbType = MDB_DOUBLE;
    else c.mdbType = MDB_LONGINT;
    return c;
}

// A shop laid out as the snapshot of an Access file holds it: each column
// declared as the snapshot declares its Access type (text and memo compared
// without case, currency, yes/no), so the run reads Access type codes.
std::string AccessShapedShop(const std::string& plain) {
    const std::string path = test::NewSqliteFile("access-shaped.sqlite");
    db::Connection conn = test::OpenSqlite(path);
    conn.Execute("ATTACH DATABASE '" + plain + "' AS plain");
    std::vector<std::string> tables;
    for (auto rs = conn.Execute("SELECT name FROM plain.sqlite_master WHERE type = 'table'"); !rs->Eof(); rs->MoveNext())
        tables.push_back(rs->Fields(0).Value().ToText());
    for (const std::string& table : tables) {
        std::string columns;
        for (auto rs = conn.Execute("SELECT name, type FROM pragma_table_info('" + table + "', 'plain')"); !rs->Eof();
             rs->MoveNext()) {
            const std::string name = rs->Fields(0).Value().ToText();
            columns += (columns.empty() ? "" : ", ") + name + " " +
                       db::access::DeclaredType(AccessColumn(name, rs->Fields(1).Value().ToText()));
        }
        conn.Execute("CREATE TABLE " + table + " (" + columns + ")");
        conn.Execute("INSERT INTO " + table + " SELECT * FROM plain." + table);
    }
    return path;
}

// Into MariaDB, whose strict mode refuses what SQLite lets pass: a text in a
// number column, or a column named twice (a 5.0 shop already has the display
// type the 5.0 to 5.1 upgrade adds).
void RunsToTheEndIntoMySql(const Pair& pair, const std::string& sourcePath) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    test::ScratchMySqlDatabase scratch(server, "fixture_transfer");
    db::Connection script;
    script.Open(scratch.Server().ConnectionString());
    testing::RunShopScript(script, testing::ShopScript("mysql", pair.destination, true));
    if (::testing::Test::HasFatalFailure()) return;
    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = test::SqliteSide(sourcePath);
    ctx.destination = scratch.Server().Profile();
    EXPECT_TRUE(wizard::RunConnectionCheck(ctx).succeeded) << status.txtConnect;
    EXPECT_EQ(data::FormatVersion(ctx.destination.Version), pair.destination);
    wizard::report::RunReport report;
    EXPECT_TRUE(wizard::RunTransfer(ctx, {false, &report}).succeeded) << status.txtStep2;
    db::Connection source = test::OpenSqlite(sourcePath);
    ExpectReportOfCopy(report, ctx, source, pair);
}

class ShopTransfer : public ::testing::TestWithParam<Pair> {};

TEST_P(ShopTransfer, RunsToTheEndAndCarriesEveryRow) {
    const Pair& pair = GetParam();
    const std::string plainPath = testing::SqliteShop(pair.source, false);
    const std::string sourcePath = pair.accessShaped ? AccessShapedShop(plainPath) : plainPath;
    const std::string destinationPath = testing::SqliteShop(pair.destination, true);
    if (HasFatalFailure()) return;

    run::TextStatus status;
    run::RunContext ctx(status);
    ctx.source = test::SqliteSide(sourcePath);
    ctx.destination = test::SqliteSide(destinationPath);
    ASSERT_TRUE(wizard::RunConnectionCheck(ctx).succeeded) << status.txtConnect;
    EXPECT_EQ(data::FormatVersion(ctx.source.Version), pair.source);
    EXPECT_EQ(data::FormatVersion(ctx.destination.Version), pair.destination);
    std::vector<std::string> tables;
    for (const auto& entry : ctx.settings.CopyTableList.Entries()) tables.push_back(entry.first);
    run::RunContext copying = ctx;  // the run below starts from the check's context
    db::Connection read = test::OpenSqlite(sourcePath);
    const RowCounts counts = ExpectBoundAsText(copying, read, destinationPath, tables);
    // Nearly all rows take the bound way, so the comparison means something.
    EXPECT_GT(counts.bound, 20u);
    EXPECT_GE(counts.bound * 10, (counts.bound + counts.asText) * 9) << counts.asText << " as text";
    wizard::report::RunReport report;
    ASSERT_TRUE(wizard::RunTransfer(ctx, {false, &report}).succeeded) << status.txtStep2;
    // Every default country of the fixtures resolves.
    EXPECT_EQ(ctx.strWarnings, "");

    // The values as the script wrote them, read without the Access types.
    db::Connection source = test::OpenSqlite(plainPath);
    db::Connection destination = test::OpenSqlite(destinationPath);
    const bool old = ctx.source.Version < 5.0f;
    for (const std::string& table : tables) {
        long expected = Count(source, "SELECT COUNT(*) FROM " + table);
        // The jobs add to three tables after the copy.
        if (old && table == "tblQuillmartNews") expected += 16;
        if (old && (table == "tblQuillmartShippingMethods" || table == "tblQuillmartShippingRates")) expected += 1;
        EXPECT_EQ(Count(destination, "SELECT COUNT(*) FROM " + table), expected) << table;
        ExpectSameValues(source, destination, table);
    }
    ExpectReportOfCopy(report, ctx, source, pair);
    if (old) {
        // The jobs: the old shop's login replaces every login of the new one,
        // and the download rate belongs to the method added with it.
        EXPECT_EQ(destination.Execute("SELECT group_concat(LOGIN_Username) FROM tblQuillmartLogins")->Fields(0).Value(),
                  Value::Text(Config(source, "backendlogin")));
        EXPECT_EQ(Count(destination,
                        "SELECT COUNT(*) FROM tblQuillmartShippingRates r JOIN tblQuillmartShippingMethods m "
                        "ON r.S_ShippingMethod = m.SM_ID WHERE m.SM_Name1 = 'No Shipping Required' "
                        "AND r.S_Boundary = 999999"),
                  1);
    }
    EXPECT_EQ(Config(destination, "pricesinctax"), ctx.source.Version < 4.7f ? "n" : "y");
    EXPECT_EQ(Config(destination, "productimagefolder"), "http://www.example.com/images/products/");
    EXPECT_EQ(Config(destination, "uploadsfolder"), "http://www.example.com/ASP/uploads/");
    EXPECT_EQ(Config(destination, "defaultcountry"),
              ctx.source.Version < 4.7f ? "12" : Config(source, "defaultcountry"));
    EXPECT_EQ(Config(destination, "defaultcurrency"), "1");

    RunsToTheEndIntoMySql(pair, sourcePath);
}

// Every pair a copy is allowed between, and the Access-typed shops into the newest shop.
const Pair kPairs[] = {
    {"4.5", "5"},   {"4.5", "5.1"}, {"4.5", "5.104"}, {"4.6", "5"},     {"4.6", "5.1"},         {"4.6", "5.104"},
    {"4.7", "5"},   {"4.7", "5.1"}, {"4.7", "5.104"}, {"5", "5"},       {"5", "5.1"},           {"5", "5.104"},
    {"5.1", "5.1"}, {"5.1", "5.104"}, {"5.104", "5.104"}, {"4.6", "5.104", true}, {"5.1", "5.104", true}};

std::string PairName(const ::testing::TestParamInfo<Pair>& info) {
    std::string name = std::string(info.param.accessShaped ? "AccessShaped" : "") + "From" + info.param.source +
                       "To" + info.param.destination;
    for (char& c : name)
        if (c == '.') c = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, ShopTransfer, ::testing::ValuesIn(kPairs), PairName);

}  // namespace
}  // namespace qdt::data
