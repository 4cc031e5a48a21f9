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

TEST(CopyStatements, SqlServerSwitchesIdentityInsertAroundTheRows) {
    RecordedTransfer t(kSqlServer, 5.104f, 5.104f);
    t.SourceTable("tblQuillmartNews", {{"N_ID", "N_headline"},
                                       {db::kInteger, db::kVarWChar},
                                       {{Value::Integer(1), Value::Text("Open")}, {Value::Integer(2), Value::Null()}}});
    CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, t.destinationConn);

    EXPECT_EQ(t.destination.Statements(),
              (Statements{"DELETE FROM tblQuillmartNews", "SET IDENTITY_INSERT tblQuillmartNews ON",
                          "INSERT INTO tblQuillmartNews (N_ID,N_headline) VALUES (1,'Open')",
                          "INSERT INTO tblQuillmartNews (N_ID,N_headline) VALUES (2,NULL)",
                          "SET IDENTITY_INSERT tblQuillmartNews OFF"}));
    EXPECT_EQ(t.source.Statements(),
              (Statements{"SELECT COUNT(*) As Recs From tblQuillmartNews", "SELECT * FROM tblQuillmartNews"}));
    EXPECT_EQ(t.source.OpenResults(), 0);
}

TEST(CopyStatements, ProductCategoryLinkNeverSwitchesIdentityInsert) {
    for (const std::string table : {"tblQuillmartProductProdTypeLink", "TBLQUILLMARTPRODUCTPRODTYPELINK"}) {
        RecordedTransfer t(kSqlServer, 5.104f, 5.104f);
        t.SourceTable(table,
                      {{"P_ID", "PT_ID"}, {db::kInteger, db::kInteger}, {{Value::Integer(3), Value::Integer(4)}}});
        CopyTable(t.ctx, table, t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.destination.Statements(),
                  (Statements{"DELETE FROM " + table, "INSERT INTO " + table + " (P_ID,PT_ID) VALUES (3,4)"}));
    }
}

TEST(CopyStatements, AccessDeletesWithStarAndWritesHashDates) {
    RecordedTransfer t(kAccess, 5.104f, 5.104f);
    t.SourceTable("tblQuillmartNews", {{"N_ID", "N_Date"}, {db::kInteger, db::kDate}, {{Value::Integer(1), kDate}}});
    CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, t.destinationConn);
    EXPECT_EQ(t.destination.Statements(),
              (Statements{"DELETE * FROM tblQuillmartNews",
                          "INSERT INTO tblQuillmartNews (N_ID,N_Date) VALUES (1,#2004/3/7 9:05:02#)"}));
}

TEST(CopyStatements, DateLiteralFollowsTheDestinationKind) {
    struct Case {
        DatabaseKind kind;
        std::string literal;
    };
    for (const Case& c : {Case{kSqlServer, "'2004/3/7 9:05:02'"}, Case{kMySql, "'2004/3/7 9:05:02'"},
                          Case{kSqlite, "'2004-03-07 09:05:02'"}}) {
        RecordedTransfer t(c.kind, 5.104f, 5.104f);
        // A date that a provider hands over as text is read and rewritten the same way.
        t.SourceTable("tblQuillmartOrders", {{"O_Date", "O_Shipped", "O_Paid"},
                                             {db::kDBTimeStamp, db::kDate, db::kDate},
                                             {{kDate, Value::Text("2004-03-07 09:05:02"), Value::Null()}}});
        CopyTable(t.ctx, "tblQuillmartOrders", t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.Written("INSERT"), (Statements{"INSERT INTO tblQuillmartOrders (O_Date,O_Shipped,O_Paid) VALUES (" +
                                                   c.literal + "," + c.literal + ",NULL)"}))
            << c.kind;
    }
}

TEST(CopyStatements, PlainValuesByClass) {
    RecordedTransfer t(kMySql, 5.104f, 5.104f);
    t.SourceTable(
        "tblQuillmartProducts",
        {{"P_ID", "P_Price", "P_Weight", "P_Code", "P_Live", "P_Note", "P_Stock"},
         {db::kInteger, db::kCurrency, db::kDouble, db::kVarWChar, db::kBoolean, db::kLongVarWChar, db::kInteger},
         {{Value::Integer(5), Value::Decimal("12.5000"), Value::Double(0.25), Value::Text("O'Neill's"),
           Value::Boolean(true), Value::Text(""), Value::Null()}}});
    CopyTable(t.ctx, "tblQuillmartProducts", t.sourceConn, t.destinationConn);
    EXPECT_EQ(t.Written("INSERT"),
              (Statements{"INSERT INTO tblQuillmartProducts (P_ID,P_Price,P_Weight,P_Code,P_Live,P_Note,P_Stock) "
                          "VALUES (5,12.5,0.25,'O''Neill''s',1,'',NULL)"}));
}

TEST(CopyStatements, EmptySourceTableStillEmptiesTheDestination) {
    RecordedTransfer t(kSqlServer, 4.6f, 5.104f);
    t.SourceTable("tblQuillmartNews", {{"N_ID"}, {db::kInteger}, {}});
    CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, t.destinationConn);
    EXPECT_EQ(t.destination.Statements(),
              (Statements{"DELETE FROM tblQuillmartNews", "SET IDENTITY_INSERT tblQuillmartNews ON",
                          "SET IDENTITY_INSERT tblQuillmartNews OFF"}));
    EXPECT_EQ(t.status.txtStep2, "\r\nAdding table tblQuillmartNews...done.");
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

    EXPECT_EQ(t.status.txtStep2, "\r\nAdding table tblQuillmartNews...done.");
    EXPECT_EQ(t.status.currentBar, (std::vector<double>{0, 25, 50, 75, 100}));
    EXPECT_EQ(t.status.yields, 4 * 3 + 4);  // once per field and once per row
    EXPECT_EQ(t.status.BarValue(run::Bar::Total), 0);
}

TEST(CopyStatus, FailingInsertStopsAndLeavesIdentityInsertOn) {
    RecordedTransfer t(kSqlServer, 5.104f, 5.104f);
    t.SourceTable("tblQuillmartNews",
                  {{"N_ID"}, {db::kInteger}, {{Value::Integer(1)}, {Value::Integer(2)}, {Value::Integer(3)}}});
    t.destination.Fail("INSERT INTO tblQuillmartNews (N_ID) VALUES (2)", "Violation of PRIMARY KEY constraint");

    EXPECT_THROW(CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, t.destinationConn), db::DatabaseError);
    EXPECT_EQ(t.ctx.strQuery, "INSERT INTO tblQuillmartNews (N_ID) VALUES (2)");
    EXPECT_EQ(t.destination.Statements().back(), "INSERT INTO tblQuillmartNews (N_ID) VALUES (2)");
    EXPECT_EQ(t.status.txtStep2, "\r\nAdding table tblQuillmartNews...");
}

TEST(CopyStatus, CancelAtAYieldStopsTheCopy) {
    RecordedTransfer t(kMySql, 5.104f, 5.104f);
    t.SourceTable("tblQuillmartNews", {{"N_ID"}, {db::kInteger}, {{Value::Integer(1)}, {Value::Integer(2)}}});
    t.status.Cancel();
    EXPECT_THROW(CopyTable(t.ctx, "tblQuillmartNews", t.sourceConn, t.destinationConn), run::OperationCancelled);
    EXPECT_TRUE(t.Written("INSERT").empty());
}

// ---------------------------------------------------------------- logins of a version 5 shop

TEST(CopyLogins, LanguageIsReadForEveryLoginRow) {
    RecordedTransfer t(kSqlServer, 5.0f, 5.104f);
    t.SourceSetting("backendlanguage", "2");
    t.SourceTable("tblQuillmartLogins",
                  {{"LOGIN_ID", "LOGIN_Username"},
                   {db::kInteger, db::kVarWChar},
                   {{Value::Integer(1), Value::Text("admin")}, {Value::Integer(2), Value::Text("clerk")}}});
    CopyTable(t.ctx, "tblQuillmartLogins", t.sourceConn, t.destinationConn);

    const std::string read = "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendlanguage'";
    EXPECT_EQ(t.source.Statements(), (Statements{"SELECT COUNT(*) As Recs From tblQuillmartLogins",
                                                 "SELECT * FROM tblQuillmartLogins", read, read}));
    EXPECT_EQ(
        t.Written("INSERT"),
        (Statements{"INSERT INTO tblQuillmartLogins (LOGIN_ID,LOGIN_Language,LOGIN_Username) VALUES (1,2,'admin')",
                    "INSERT INTO tblQuillmartLogins (LOGIN_ID,LOGIN_Language,LOGIN_Username) VALUES (2,2,'clerk')"}));
}

TEST(CopyLogins, OlderOrSameVersionCopiesLoginsAsTheyAre) {
    for (float destination : {5.0f, 4.7f}) {
        RecordedTransfer t(kSqlServer, 5.0f, destination);
        t.SourceTable("tblQuillmartLogins", {{"LOGIN_ID"}, {db::kInteger}, {{Value::Integer(1)}}});
        CopyTable(t.ctx, "tblQuillmartLogins", t.sourceConn, t.destinationConn);
        EXPECT_EQ(t.Written("INSERT"), (Statements{"INSERT INTO tblQuillmartLogins (LOGIN_ID) VALUES (1)"}));
        EXPECT_EQ(t.source.Statements().size(), 2u);
    }
}

TEST(CopyLogins, MissingOrUnreadableLanguageEndsTheCopy) {
    const std::string read = "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = 'backendlanguage'";
    for (const char* setting : {static_cast<const char*>(nullptr), "English", "70000"}) {
        RecordedTransfer t(kMySql, 5.0f, 5.1f);
        if (setting) t.SourceSetting("backendlanguage", setting);
        t.SourceTable("tblQuillmartLogins", {{"LOGIN_ID"}, {db::kInteger}, {{Value::Integer(1)}}});
        EXPECT_THROW(CopyTable(t.ctx, "tblQuillmartLogins", t.sourceConn, t.destinationConn), db::DatabaseError)
            << (setting ? setting : "(no row)");
        EXPECT_EQ(t.ctx.strQuery, read);
        EXPECT_TRUE(t.Written("INSERT").empty());
    }
}

}  // namespace
}  // namespace qdt::data
