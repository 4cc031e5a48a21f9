// The statements a table copy sends: by destination kind, for each schema
// upgrade, the literals its values become, and what a failure, a group of
// rows or a cancel leaves behind.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "TransferHarness.h"
#include "data/SqlLiterals.h"
#include "data/TableCopy.h"
#include "data/run/Cancellation.h"
#include "db/Error.h"
#include "support/TestEnv.h"

namespace qdt::data {
namespace {

using ::testing::HasSubstr;
using db::Value;
using testing::RecordedTransfer;
using Statements = std::vector<std::string>;

const Value kDate = Value::Date({2004, 3, 7, 9, 5, 2});

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
Value I(long v) { return Value::Integer(v); }
Value T(const char* text) { return Value::Text(text); }
const Value kNull = Value::Null();

// One source row copied between two schema versions, and the insert it must become.
struct UpgradeCase {
    float sourceVersion;
    float destinationVersion;
    const char* table;  // after "tblQuillmart"
    std::vector<std::string> columns;
    std::vector<Value> row;  // whole numbers come from number columns, the rest from text columns
    std::string insert;      // columns and values, after "INSERT INTO <table> "
};

const UpgradeCase kCases[] = {
    // Rows of shops before version 5.
    {4.5f, 5.104f, "Versions", {"V_ID", "V_Name"}, {I(7), T("")},
     "(V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP,V_Name1,V_Name2,V_Name3,V_Name4,V_Name5) "
     "VALUES (7,'','n',0,0,'','','','','')"},
    {4.6f, 5.1f, "Versions", {"V_ID"}, {I(7)}, "(V_ID,V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES (7,'','n',0)"},
    {4.7f, 5.104f, "Versions", {"V_ID"}, {I(7)}, "(V_ID) VALUES (7)"},
    {4.7f, 5.104f, "Prodtype", {"PT_ShortenedFormat"}, {T("y")},
     "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('s','n',0,'')"},
    {4.7f, 5.104f, "Prodtype", {"PT_ShortenedFormat"}, {T("Y")},
     "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('n','n',0,'')"},
    {4.7f, 5.104f, "Prodtype", {"PT_ShortenedFormat"}, {kNull},
     "(PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES ('n','n',0,'')"},
    {4.6f, 5.104f, "Prodtype", {"PT_ID"}, {I(4)},
     "(PT_ID,PT_ProductDisplayType,PT_ProdTypeDisplayType,PT_OrderByValue,PT_OrderProductsBy) VALUES (4,'n','n',0,'')"},
    {4.7f, 5.1f, "Prodtype", {"PT_ID", "PT_MasterCategory", "PT_Name"}, {I(4), I(1), T("Shoes")},
     "(PT_ID,PT_Name1,PT_Name2,PT_Name3,PT_Name4,PT_Name5) VALUES (4,'Shoes','','','','')"},
    {4.7f, 5.104f, "Versions", {"V_DownLoadURL"}, {kNull},
     "(V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES ('','n',0,0)"},
    {4.7f, 5.1f, "Versions", {"V_DownLoadURL"}, {T("")}, "(V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES ('','n',0)"},
    {4.7f, 5.104f, "Versions", {"V_DownLoadURL"}, {T("files/manual.pdf")},
     "(V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES ('files/manual.pdf','l',0,0)"},
    // A quote in the address must not end the text early.
    {4.7f, 5.1f, "Versions", {"V_DownLoadURL"}, {T("files/o'brien.pdf")},
     "(V_DownLoadInfo,V_DownloadType,V_OrderByValue) VALUES ('files/o''brien.pdf','l',0)"},
    {4.6f, 5.104f, "CustomerDetails", {"CD_CardholderCountry"}, {T("United Kingdom")},
     "(CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber) VALUES (12,'','')"},
    {4.5f, 5.104f, "CustomerDetails", {"CD_CardholderCountry"}, {T("United Kingdom")},
     "(CD_CardholderCountry,CD_CardholderEUVATNum,CD_Card_SecurityNumber,CD_Card_StartDate) VALUES (12,'','','')"},
    // The name is doubled once, by the lookup itself.
    {4.6f, 5.104f, "CustomerDetails", {"CD_ShippingCountry"}, {T("Cote d'Ivoire")}, "(CD_ShippingCountry) VALUES (31)"},
    {4.6f, 5.104f, "CustomerDetails", {"CD_ShippingCountry"}, {T("Atlantis")}, "(CD_ShippingCountry) VALUES (0)"},
    {4.5f, 5.104f, "Affiliates", {"AF_Country"}, {T("44")}, "(AF_Country) VALUES (44)"},
    {4.6f, 5.104f, "Mailing", {"ML_HTML"}, {T("<p>It's new</p>")}, "(ML_HTML,ML_Language) VALUES ('<p>It''s new</p>',1)"},
    {4.6f, 5.104f, "News", {"N_content"}, {kNull}, "(N_content,N_Language) VALUES ('',1)"},
    {4.7f, 5.104f, "OrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID,ON_PaymentGateway,ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,"
     "ON_CurrencyIDGateway,ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail) "
     "VALUES (1001,'(unknown)','(unknown)',1,1,0,1,0,0,'n')"},
    {4.6f, 5.104f, "OrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,"
     "ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,"
     "ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail) "
     "VALUES (1001,'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n')"},
    {4.5f, 5.104f, "OrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID,ON_CouponCode,ON_CouponDiscountTotal,ON_PricesIncTax,ON_TaxDue,ON_PaymentGateway,"
     "ON_ReferenceCode,ON_Language,ON_CurrencyID,ON_TotalPriceGateway,ON_CurrencyIDGateway,"
     "ON_AffiliatePaymentID,ON_AffiliateTotalPrice,ON_SendOrderUpdateEmail,ON_WishList) "
     "VALUES (1001,'',0,'n',0,'(unknown)','(unknown)',1,1,0,1,0,0,'n',0)"},
    {4.6f, 5.104f, "Products", {"P_Featured"}, {T("y")},
     "(P_Featured,P_OrderByValue,P_OrderVersionsBy,P_VersionDisplayType) VALUES ('y',0,'','d')"},
    {4.6f, 5.104f, "Products", {"P_Name"}, {T("O'Neill")},
     "(P_Name1,P_Name2,P_Name3,P_Name4,P_Name5) VALUES ('O''Neill','','','','')"},
    {4.6f, 5.104f, "ShippingMethods", {"SM_ID"}, {I(2)}, "(SM_ID,SM_AutoMethod) VALUES (2,'n')"},
    {4.7f, 5.104f, "ShippingRates", {"S_Zone"}, {I(3)}, "(S_Zone,S_Live) VALUES (3,'y')"},
    {4.6f, 5.104f, "ShippingRates", {"S_Zone"}, {I(3)}, "(S_Zone,S_ShippingMethod,S_Live) VALUES (3,1,'y')"},
    {4.6f, 5.104f, "Destination", {"D_ID", "D_Destination"}, {I(12), T("United Kingdom")},
     "(D_ID,D_Live,D_Destination1,D_Destination2,D_Destination3,D_Destination4,D_Destination5) "
     "VALUES (12,'y','United Kingdom',NULL,NULL,NULL,NULL)"},
    {4.6f, 5.104f, "Destination", {"D_Destination"}, {kNull},
     "(D_Destination1,D_Destination2,D_Destination3,D_Destination4,D_Destination5) VALUES (NULL,NULL,NULL,NULL,NULL)"},
    // Column names are matched exactly as the source spells them.
    {4.6f, 5.104f, "Versions", {"v_id"}, {I(7)}, "(v_id) VALUES (7)"},
    // Rows of version 5 and 5.1 shops; the blanks after the commas are part of the texts.
    {5.0f, 5.1f, "OrderNumbers", {"ON_ID"}, {I(1001)},
     "(ON_ID, ON_OrderHandlingCharge, ON_OrderHandlingChargeTax) VALUES (1001,0,0)"},
    {5.0f, 5.104f, "Products", {"P_ID"}, {I(5)}, "(P_ID, P_VersionDisplayType) VALUES (5,'d')"},
    // A 5.0 shop may already have the display type the upgrade adds: its own value is kept, named once.
    {5.0f, 5.1f, "Products", {"P_ID", "P_VersionDisplayType"}, {I(3), T("r")}, "(P_ID,P_VersionDisplayType) VALUES (3,'r')"},
    {5.0f, 5.104f, "Versions", {"V_ID"}, {I(7)}, "(V_ID, V_RRP) VALUES (7,0)"},
    {5.0f, 5.1f, "Versions", {"V_ID"}, {I(7)}, "(V_ID) VALUES (7)"},
    {5.0f, 5.0f, "OrderNumbers", {"ON_ID"}, {I(1001)}, "(ON_ID) VALUES (1001)"},
    {5.1f, 5.104f, "Versions", {"V_ID"}, {I(7)}, "(V_ID, V_RRP) VALUES (7,0)"},
    {5.1f, 5.104f, "OrderNumbers", {"ON_ID"}, {I(1001)}, "(ON_ID) VALUES (1001)"},
    {5.104f, 5.104f, "Versions", {"V_ID"}, {I(7)}, "(V_ID) VALUES (7)"},
    // A 5.0 login gets the back-office language in a newer shop.
    {5.0f, 5.104f, "Logins", {"LOGIN_ID", "LOGIN_Username"}, {I(1), T("admin")},
     "(LOGIN_ID,LOGIN_Language,LOGIN_Username) VALUES (1,2,'admin')"},
    {5.0f, 5.0f, "Logins", {"LOGIN_ID"}, {I(1)}, "(LOGIN_ID) VALUES (1)"},
    // The old-schema rules are for old sources only.
    {5.0f, 5.104f, "Versions", {"V_Name1"}, {T("Red")}, "(V_Name1) VALUES ('Red')"},
    {5.0f, 5.104f, "Prodtype", {"PT_ShortenedFormat"}, {T("y")}, "(PT_ShortenedFormat) VALUES ('y')"},
};

TEST(RowUpgrade, WritesTheNewSchemaColumns) {
    for (const UpgradeCase& c : kCases) {
        const std::string table = std::string("tblQuillmart") + c.table;
        SCOPED_TRACE(::testing::Message() << table << " from " << c.sourceVersion << " to " << c.destinationVersion);
        RecordedTransfer t(kSqlServer, c.sourceVersion, c.destinationVersion);
        t.SourceCountry("United Kingdom", 12);
        t.SourceCountry("Cote d''Ivoire", 31);
        t.SourceSetting("backendlanguage", "2");
        std::vector<int> types;
        for (const Value& v : c.row) types.push_back(v.kind() == Value::Kind::Integer ? db::kInteger : db::kVarWChar);
        t.SourceTable(table, {c.columns, types, {c.row}});
        CopyTable(t.ctx, table, t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.Written("INSERT"), Statements{"INSERT INTO " + table + " " + c.insert});
    }
}

TEST(FieldClass, ByTypeCodeAndItsQuotes) {
    for (int code : {7, 133, 134, 135}) EXPECT_EQ(GetFieldClass(code), kFieldDate) << code;
    for (int code : {129, 130, 200, 201, 202, 203}) EXPECT_EQ(GetFieldClass(code), kFieldText) << code;
    for (int code : {0, 2, 3, 4, 5, 6, 11, 16, 17, 20, 72, 128, 131, 204, 205})
        EXPECT_EQ(GetFieldClass(code), kFieldNumber) << code;
    EXPECT_EQ(GetFieldClass(db::Field("P_Name", db::kVarWChar)), kFieldText);
    // Where a profile carries no date delimiter, its kind's is used.
    ConnectionProfile sqlite;
    sqlite.Kind = kSqlite;
    EXPECT_EQ(GetQuoteChar(kFieldDate, sqlite), "'");
    EXPECT_EQ(GetQuoteChar(-1, sqlite), "");
    sqlite.DateDelimiter = "#";
    EXPECT_EQ(GetQuoteChar(kFieldDate, sqlite), "#");
}

// A fixed slashed form, ISO text for SQLite, and nothing for nothing; text
// that is no date is an error naming it.
TEST(SqlDate, SlashedFormOrIsoText) {
    EXPECT_EQ(FormatSqlDate("2005-01-01"), "2005/1/1 0:00:00");
    EXPECT_EQ(FormatSqlDate("2005/1/1"), "2005/1/1 0:00:00");
    EXPECT_EQ(FormatSqlDate("2004-03-07 09:05:02"), "2004/3/7 9:05:02");
    EXPECT_EQ(FormatSqlDate("2004/3/7 9:05:02"), "2004/3/7 9:05:02");
    EXPECT_EQ(FormatSqlDate("2004-12-31 23:59:59.750"), "2004/12/31 23:59:59");
    // Four digits of year always: MySQL reads 99/12/31 as 1999.
    EXPECT_EQ(FormatSqlDate("0099-12-31 23:59:59.750"), "0099/12/31 23:59:59");
    // A time alone is a time on the first day of the date scale.
    EXPECT_EQ(FormatSqlDate("09:05:02"), "1899/12/30 9:05:02");
    EXPECT_EQ(FormatSqlDate("17:30"), "1899/12/30 17:30:00");
    EXPECT_EQ(FormatSqlDate("2004/3/7 9:05:02", kSqlite), "2004-03-07 09:05:02");
    EXPECT_EQ(FormatSqlDate(db::Value::Date({2005, 1, 1, 0, 0, 0}), kSqlite), "2005-01-01 00:00:00");
    EXPECT_EQ(FormatSqlDate(""), "");
    EXPECT_EQ(FormatSqlDate(db::Value::Null()), "");
    for (const char* text : {"next Tuesday", "2004-02-30", "2004-13-01", "25:00", "12", "2004-03-07 9:05 pm"})
        EXPECT_THAT(test::ErrorText<db::DatabaseError>([&] { FormatSqlDate(text); }),
                    HasSubstr(std::string("'") + text + "'"));
    EXPECT_THROW(FormatSqlDate(db::Value::Integer(38000), kMySql), db::DatabaseError);
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
        const std::string error = test::ErrorText<db::DatabaseError>(
            [&] { CopyTable(t.ctx, "tblQuillmartNasty", t.sourceConn, t.destinationConn); });
        const std::string shown = std::to_string(c.kind) + ": " + c.value.ToText();
        if (c.literal.front() == '!') {
            EXPECT_THAT(error, HasSubstr(c.literal.substr(1))) << shown;
            EXPECT_TRUE(t.Written("INSERT").empty()) << shown;
        } else {
            EXPECT_EQ(t.Written("INSERT"),
                      (Statements{"INSERT INTO tblQuillmartNasty (NV_ID,NV_X) VALUES (1," + c.literal + ")"}))
                << shown << ", " << error;
        }
    }
}

TEST(CopyStatus, LogLineYieldsAndProgress) {
    RecordedTransfer t(kAccess, 5.104f, 5.104f);
    t.status.SetBarValue(run::Bar::Current, 42);
    t.status.currentBar.clear();
    std::vector<std::vector<Value>> rows;
    for (int i = 1; i <= 4; ++i) rows.push_back({Value::Integer(i), Value::Text("x"), Value::Null()});
    t.SourceTable("tblQuillmartNews", {{"N_ID", "N_headline", "N_content"}, {db::kInteger}, rows});
    CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, t.destinationConn);
    EXPECT_EQ(t.status.currentBar, (std::vector<double>{0, 25, 50, 75, 100}));
    EXPECT_EQ(t.status.yields, 4 * 3 + 4);
    EXPECT_EQ(t.status.BarValue(run::Bar::Total), 0);
}

// A version 5 shop's logins take the back-office language, which must be there and a number.
TEST(CopyLogins, MissingOrUnreadableLanguageEndsTheCopy) {
    for (const char* setting : {static_cast<const char*>(nullptr), "English", "70000"}) {
        RecordedTransfer t(kMySql, 5.0f, 5.1f);
        if (setting) t.SourceSetting("backendlanguage", setting);
        t.SourceTable("tblQuillmartLogins", {{"LOGIN_ID"}, {db::kInteger}, {{Value::Integer(1)}}});
        EXPECT_THAT(test::ErrorText<db::DatabaseError>(
                        [&] { CopyTable(t.ctx, "tblQuillmartLogins", t.sourceConn, t.destinationConn); }),
                    HasSubstr(setting ? "back-office language" : "backendlanguage"));
        EXPECT_EQ(t.ctx.strQuery, "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendlanguage'");
        EXPECT_TRUE(t.Written("INSERT").empty());
    }
}

// A recording destination that takes groups of three and writes down their
// sizes; one that binds rows records each bound row as its text.
class GroupingRecorder : public test::RecordingConnection {
public:
    GroupingRecorder(const test::RecordingConnection& shared, std::vector<std::size_t>& sizes, bool binds)
        : RecordingConnection(shared), sizes_(sizes), binds_(binds) {}
    bool RunRow(const db::InsertRow& row) override {
        if (binds_) Execute(InsertText(row, kMySql))->Close();
        return binds_;
    }
    void ExecuteGroup(const std::vector<std::string>& statements, std::size_t& done) override {
        sizes_.push_back(statements.size());
        RecordingConnection::ExecuteGroup(statements, done);
    }
    std::size_t GroupStatementLimit() const override { return 3; }

private:
    std::vector<std::size_t>& sizes_;
    bool binds_;
};

std::string Insert(int id) {
    return "INSERT INTO tblQuillmartNews (N_ID,N_headline) VALUES (" + std::to_string(id) + ",'News " +
           std::to_string(id) + "')";
}

const std::string kProbe = "SELECT * FROM tblQuillmartNews WHERE 1 = 0";

// Rows travel in groups where the destination takes them so; the statements
// and what a failure reports must be those of rows sent one by one.
TEST(CopyInGroups, SameStatementsAndTheFailingOneInStrQuery) {
    struct Case {
        const char* name;
        int failingInsert;   // the row whose INSERT the destination refuses, or 0
        int unbuildableRow;  // the row whose id is no number, or 0
        int cancelAfterRows; // 0 for none
        const char* outcome;
        int rowsWritten;
        std::string strQuery;
        std::vector<std::size_t> groups;
        bool binds = false;
    };
    const Case cases[] = {
        {"all rows", 0, 0, 0, "done", 7, Insert(7), {3, 3, 1}},
        // The server stops at the refused row; the rest of its group never runs.
        {"refused inside a group", 5, 0, 0, "failed", 5, Insert(5), {3, 3}},
        {"refused first of a group", 4, 0, 0, "failed", 4, Insert(4), {3, 3}},
        // The rows built before an unbuildable one are written first; the
        // report shows what ran last before the failure, as without groups.
        {"unbuildable row", 0, 6, 0, "failed", 5, kProbe, {3, 2}},
        // A failure among the waiting rows happened first, so it is the one reported.
        {"refused before an unbuildable row", 5, 6, 0, "failed", 5, Insert(5), {3, 2}},
        {"cancelled after five rows", 0, 0, 5, "cancelled", 5, Insert(5), {3, 2}},
        // Bound rows have no text until a report may read it.
        {"all rows bound", 0, 0, 0, "done", 7, Insert(7), {}, true},
        {"refused bound", 5, 0, 0, "failed", 5, Insert(5), {}, true},
        {"unbuildable row bound", 0, 6, 0, "failed", 5, kProbe, {}, true},
        {"cancelled bound", 0, 0, 5, "cancelled", 5, Insert(5), {}, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RecordedTransfer t(kMySql, 5.104f, 5.104f);
        t.status.cancelAtMove = c.cancelAfterRows ? c.cancelAfterRows + 1 : -1;  // the bar starts at 0
        test::CannedResult rows{{"N_ID", "N_headline"}, {db::kInteger, db::kVarWChar}, {}};
        for (int id = 1; id <= 7; ++id)
            rows.rows.push_back({id == c.unbuildableRow ? Value::Text("seven") : Value::Integer(id),
                                 Value::Text("News " + std::to_string(id))});
        t.SourceTable("tblQuillmartNews", rows);
        if (c.failingInsert) t.destination.Fail(Insert(c.failingInsert), "Duplicate entry");
        std::vector<std::size_t> sizes;
        db::Connection grouped(std::make_unique<GroupingRecorder>(t.destination, sizes, c.binds));
        std::string outcome = "done";
        try {
            CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, grouped);
        } catch (const run::OperationCancelled&) {
            outcome = "cancelled";
        } catch (const std::exception&) {
            outcome = "failed";
        }
        EXPECT_EQ(outcome, c.outcome);
        Statements expected = {"DELETE FROM tblQuillmartNews"};
        for (int id = 1; id <= c.rowsWritten; ++id) expected.push_back(Insert(id));
        Statements sent;
        for (const std::string& s : t.destination.Statements())
            if (s.rfind("SELECT", 0) != 0) sent.push_back(s);
        EXPECT_EQ(sent, expected);
        EXPECT_EQ(t.ctx.strQuery, c.strQuery);
        EXPECT_EQ(sizes, c.groups);
        EXPECT_EQ(t.status.txtStep2, std::string("\r\nAdding table tblQuillmartNews...") +
                                         (outcome == "done" ? "done." : ""));
    }
}

}  // namespace
}  // namespace qdt::data
