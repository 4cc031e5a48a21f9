#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/TableCopy.h"
#include "db/Error.h"

namespace qdt::data {
namespace {

using db::Value;
using testing::RecordedTransfer;
using Statements = std::vector<std::string>;

const Value kDate = Value::Date({2004, 3, 7, 9, 5, 2});

// ---------------------------------------------------------------- statement order per destination kind

struct OrderCase {
    DatabaseKind kind;
    float sourceVersion;
    std::string table;
    test::CannedResult rows;
    Statements expected;
};

TEST(CopyStatements, OrderByDestinationKind) {
    const auto link = [](const std::string& table) {
        return OrderCase{kSqlServer, 5.104f, table,
                         {{"P_ID", "PT_ID"}, {db::kInteger, db::kInteger}, {{Value::Integer(3), Value::Integer(4)}}},
                         {"DELETE FROM " + table, "INSERT INTO " + table + " (P_ID,PT_ID) VALUES (3,4)"}};
    };
    for (const OrderCase& c : {
             // SQL Server switches identity insert around the rows ...
             OrderCase{kSqlServer, 5.104f, "tblQuillmartNews",
                       {{"N_ID", "N_headline"},
                        {db::kInteger, db::kVarWChar},
                        {{Value::Integer(1), Value::Text("Open")}, {Value::Integer(2), Value::Null()}}},
                       {"DELETE FROM tblQuillmartNews", "SET IDENTITY_INSERT tblQuillmartNews ON",
                        "INSERT INTO tblQuillmartNews (N_ID,N_headline) VALUES (1,'Open')",
                        "INSERT INTO tblQuillmartNews (N_ID,N_headline) VALUES (2,NULL)",
                        "SET IDENTITY_INSERT tblQuillmartNews OFF"}},
             // ... even for an empty source, which still empties the destination ...
             OrderCase{kSqlServer, 4.6f, "tblQuillmartNews", {{"N_ID"}, {db::kInteger}, {}},
                       {"DELETE FROM tblQuillmartNews", "SET IDENTITY_INSERT tblQuillmartNews ON",
                        "SET IDENTITY_INSERT tblQuillmartNews OFF"}},
             // ... but never for the product category link, however it is spelt.
             link("tblQuillmartProductProdTypeLink"),
             link("TBLQUILLMARTPRODUCTPRODTYPELINK"),
             // Access deletes with a star and writes dates between hashes.
             OrderCase{kAccess, 5.104f, "tblQuillmartNews",
                       {{"N_ID", "N_Date"}, {db::kInteger, db::kDate}, {{Value::Integer(1), kDate}}},
                       {"DELETE * FROM tblQuillmartNews",
                        "INSERT INTO tblQuillmartNews (N_ID,N_Date) VALUES (1,#2004/3/7 9:05:02#)"}},
         }) {
        RecordedTransfer t(c.kind, c.sourceVersion, 5.104f);
        t.SourceTable(c.table, c.rows);
        CopyTable(t.ctx, c.table, t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.destination.Statements(), c.expected) << c.table;
        EXPECT_EQ(t.source.OpenResults(), 0);
    }
}

// The literal one value becomes, by destination kind. An expected text
// starting with "!" is part of the error the copy ends with instead.
struct LiteralCase {
    DatabaseKind kind;
    int type;
    Value value;
    std::string literal;
    bool destinationColumnIsText = false;
    const char* column = "NV_X";
    float sourceVersion = 5.104f;
};

TEST(CopyStatements, LiteralByKind) {
    const std::string nul("a\0b'", 4);
    const std::string refused = "!column NV_X of table tblQuillmartNasty (row NV_ID = 1)";
    const Value lastMoment = Value::Date({9999, 12, 31, 23, 59, 59, 999999000});
    for (const LiteralCase& c : {
             // MySQL reads backslashes as escapes; the other kinds' texts stay as they were.
             LiteralCase{kMySql, db::kVarWChar, Value::Text("C:\\shop\\'"), "'C:\\\\shop\\\\'''"},
             LiteralCase{kSqlServer, db::kVarWChar, Value::Text("C:\\shop\\'"), "'C:\\shop\\'''"},
             LiteralCase{kMySql, db::kVarWChar, Value::Text(nul), "'a\\0b'''"},
             LiteralCase{kSqlite, db::kVarWChar, Value::Text(nul), "CAST(X'61006227' AS TEXT)"},
             // SQLite keeps bytes that are not UTF-8 as they are.
             LiteralCase{kSqlite, db::kVarWChar, Value::Text("a\xFF\xC3" "b"), "'a\xFF\xC3" "b'"},
             LiteralCase{kSqlServer, db::kVarWChar, Value::Text(nul), refused + " holds a NUL character"},
             // Numbers the tool has read, in the shortest text that reads back the same.
             LiteralCase{kMySql, db::kDouble, Value::Double(1e308), "1e+308"},
             LiteralCase{kAccess, db::kDouble, Value::Double(2.2e-308), "2.2e-308"},
             LiteralCase{kSqlServer, db::kSingle, Value::Single(3.4e38f), "3.4e+38"},
             LiteralCase{kMySql, db::kDecimal, Value::Decimal("-0012.5000"), "-12.5"},
             LiteralCase{kSqlServer, db::kInteger, Value::Text(" 12 "), "12"},
             LiteralCase{kMySql, db::kInteger, Value::Null(), "NULL"},
             // Text in a number column is never SQL: text where the column takes it, else an error.
             LiteralCase{kMySql, db::kInteger, Value::Text("(SELECT 1)"), refused + " is not a number"},
             LiteralCase{kMySql, db::kInteger, Value::Text(""), refused + " is not a number"},
             LiteralCase{kMySql, db::kInteger, Value::Text("(SELECT 1)"), "'(SELECT 1)'", true},
             LiteralCase{kSqlite, db::kInteger, Value::Text("(SELECT 1)"), "'(SELECT 1)'"},
             LiteralCase{kMySql, db::kInteger, Value::Text("1) -- "), "!column SM_ID", false, "SM_ID", 4.6f},
             // Four-digit years; the fraction as far as the column keeps it (3 digits here), cut, not rounded.
             LiteralCase{kMySql, db::kDate, Value::Date({99, 1, 2, 3, 4, 5}), "'0099/1/2 3:04:05'"},
             LiteralCase{kMySql, db::kDate, lastMoment, "'9999/12/31 23:59:59.999'"},
             LiteralCase{kSqlServer, db::kDate, lastMoment, "'9999/12/31 23:59:59'"},
             LiteralCase{kSqlite, db::kDate, lastMoment, "'9999-12-31 23:59:59.999999'"},
             // A date that a provider hands over as text is read and rewritten the same way.
             LiteralCase{kSqlServer, db::kDBTimeStamp, kDate, "'2004/3/7 9:05:02'"},
             LiteralCase{kMySql, db::kDate, Value::Text("2004-03-07 09:05:02"), "'2004/3/7 9:05:02'"},
             LiteralCase{kSqlite, db::kDate, Value::Text("2004-03-07 09:05:02"), "'2004-03-07 09:05:02'"},
             LiteralCase{kMySql, db::kDate, Value::Text("2004-12-31 23:59:59.75"), "'2004/12/31 23:59:59.75'"},
             // Plain values by their class.
             LiteralCase{kMySql, db::kBoolean, Value::Boolean(true), "1"},
             LiteralCase{kMySql, db::kLongVarWChar, Value::Text(""), "''"},
             LiteralCase{kSqlite, db::kInteger, Value::Text(""), "''"},
         }) {
        RecordedTransfer t(c.kind, c.sourceVersion, 5.104f);
        t.SourceTable("tblQuillmartNasty",
                      {{"NV_ID", c.column}, {db::kInteger, c.type}, {{Value::Integer(1), c.value}}});
        if (c.destinationColumnIsText)
            t.destination.Answer("SELECT * FROM tblQuillmartNasty WHERE 1 = 0", {{c.column}, {db::kVarWChar}, {}});
        t.destination.Answer(
            "SELECT DATETIME_PRECISION FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND "
            "TABLE_NAME = 'tblQuillmartNasty' AND COLUMN_NAME = 'NV_X'",
            {{"DATETIME_PRECISION"}, {db::kInteger}, {{Value::Integer(3)}}});
        const std::string shown = std::to_string(c.kind) + ": " + c.value.ToText();
        if (c.literal.front() == '!') {
            try {
                CopyTable(t.ctx, "tblQuillmartNasty", t.sourceConn, t.destinationConn);
                ADD_FAILURE() << shown << " was written";
            } catch (const db::DatabaseError& e) {
                EXPECT_NE(std::string(e.what()).find(c.literal.substr(1)), std::string::npos) << e.what();
            }
            EXPECT_TRUE(t.Written("INSERT").empty()) << shown;
            continue;
        }
        CopyTable(t.ctx, "tblQuillmartNasty", t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.Written("INSERT"),
                  (Statements{"INSERT INTO tblQuillmartNasty (NV_ID,NV_X) VALUES (1," + c.literal + ")"}))
            << shown;
    }
}

// ---------------------------------------------------------------- status, progress and failures

TEST(CopyStatus, LogLineYieldsAndProgress) {
    RecordedTransfer t(kAccess, 5.104f, 5.104f);
    t.status.SetBarValue(run::Bar::Current, 42);
    t.status.currentBar.clear();
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 4; ++i) rows.push_back({Value::Integer(i), Value::Text("x"), Value::Null()});
    t.SourceTable("tblQuillmartNews", {{"N_ID", "N_headline", "N_content"}, {db::kInteger}, rows});

    CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, t.destinationConn);

    EXPECT_EQ(t.status.currentBar, (std::vector<double>{0, 25, 50, 75, 100}));
    EXPECT_EQ(t.status.yields, 4 * 3 + 4);  // once per field and once per row
    EXPECT_EQ(t.status.BarValue(run::Bar::Total), 0);
}

// ---------------------------------------------------------------- logins of a version 5 shop

TEST(CopyLogins, MissingOrUnreadableLanguageEndsTheCopy) {
    const std::string read = "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendlanguage'";
    for (const char* setting : {static_cast<const char*>(nullptr), "English", "70000"}) {
        RecordedTransfer t(kMySql, 5.0f, 5.1f);
        if (setting) t.SourceSetting("backendlanguage", setting);
        t.SourceTable("tblQuillmartLogins", {{"LOGIN_ID"}, {db::kInteger}, {{Value::Integer(1)}}});
        try {
            CopyTable(t.ctx, "tblQuillmartLogins", t.sourceConn, t.destinationConn);
            ADD_FAILURE() << (setting ? setting : "(no row)");
        } catch (const db::DatabaseError& e) {
            EXPECT_NE(std::string(e.what()).find(setting ? "back-office language" : "backendlanguage"), std::string::npos)
                << e.what();
        }
        EXPECT_EQ(t.ctx.strQuery, read);
        EXPECT_TRUE(t.Written("INSERT").empty());
    }
}

}  // namespace
}  // namespace qdt::data
