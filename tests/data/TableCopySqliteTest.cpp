#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/ScratchDatabase.h"
#include "data/TableCopy.h"
#include "data/run/RunContext.h"
#include "data/run/TextStatus.h"

namespace qdt::data {
namespace {

using db::Value;
using testing::ScratchDatabase;

// Every row of a query, value by value.
std::vector<std::vector<Value>> ReadAll(db::Connection& conn, const std::string& sql) {
    std::vector<std::vector<Value>> rows;
    auto rs = conn.Execute(sql);
    for (; !rs->Eof(); rs->MoveNext()) {
        std::vector<Value> row;
        for (const db::Field& f : rs->AllFields()) row.push_back(f.Value());
        rows.push_back(std::move(row));
    }
    return rows;
}

class CopyBetweenDatabases : public ::testing::Test {
protected:
    CopyBetweenDatabases() {
        ctx.source.Kind = kSqlite;
        ctx.destination.Kind = kSqlite;
    }
    run::TextStatus status;
    run::RunContext ctx{status};
};

TEST_F(CopyBetweenDatabases, NewsRowsReplaceTheDestinationRows) {
    ctx.source.Version = 4.6f;
    ctx.destination.Version = 5.104f;
    auto source = ScratchDatabase(
        {"CREATE TABLE tblQuillmartNews (N_ID INTEGER PRIMARY KEY, N_headline VARCHAR(50), N_content TEXT, "
         "N_Date DATETIME)",
         "INSERT INTO tblQuillmartNews VALUES (1, 'Open', 'We''re open', '2004-03-07 09:05:02')",
         "INSERT INTO tblQuillmartNews VALUES (2, NULL, NULL, NULL)"});
    auto destination = ScratchDatabase(
        {"CREATE TABLE tblQuillmartNews (N_ID INTEGER PRIMARY KEY, N_headline VARCHAR(50), N_content TEXT, "
         "N_Language INTEGER, N_Date DATETIME)",
         "INSERT INTO tblQuillmartNews VALUES (9, 'Old', 'Old', 3, '2001-01-01 00:00:00')"});

    CopyTable(ctx, "tblQuillmartNews", source, destination);

    EXPECT_EQ(ReadAll(destination, "SELECT * FROM tblQuillmartNews ORDER BY N_ID"),
              (std::vector<std::vector<Value>>{
                  {Value::Integer(1), Value::Text("Open"), Value::Text("We're open"), Value::Integer(1),
                   Value::Date({2004, 3, 7, 9, 5, 2})},
                  {Value::Integer(2), Value::Null(), Value::Text(""), Value::Integer(1), Value::Null()}}));
    EXPECT_EQ(status.txtStep2, "\r\nAdding table tblQuillmartNews...done.");
    EXPECT_EQ(status.BarValue(run::Bar::Current), 100);
}

TEST_F(CopyBetweenDatabases, OldVersionRowsGainTheNewColumns) {
    ctx.source.Version = 4.5f;
    ctx.destination.Version = 5.104f;
    auto source =
        ScratchDatabase({"CREATE TABLE tblQuillmartVersions (V_ID INTEGER, V_Name VARCHAR(50), V_Price DOUBLE)",
                         "INSERT INTO tblQuillmartVersions VALUES (7, '', 12.5)",
                         "INSERT INTO tblQuillmartVersions VALUES (8, 'Large ''XL''', 0.1)"});
    auto destination = ScratchDatabase(
        {"CREATE TABLE tblQuillmartVersions (V_ID INTEGER, V_Name1 VARCHAR(50), V_Name2 VARCHAR(50), "
         "V_Name3 VARCHAR(50), V_Name4 VARCHAR(50), V_Name5 VARCHAR(50), V_Price DOUBLE, V_DownLoadInfo VARCHAR(50), "
         "V_DownloadType VARCHAR(1), V_OrderByValue INTEGER, V_RRP DOUBLE)"});

    CopyTable(ctx, "tblQuillmartVersions", source, destination);

    const Value empty = Value::Text("");
    EXPECT_EQ(ReadAll(destination, "SELECT * FROM tblQuillmartVersions ORDER BY V_ID"),
              (std::vector<std::vector<Value>>{
                  {Value::Integer(7), empty, empty, empty, empty, empty, Value::Double(12.5), empty, Value::Text("n"),
                   Value::Integer(0), Value::Double(0)},
                  {Value::Integer(8), Value::Text("Large 'XL'"), empty, empty, empty, empty, Value::Double(0.1), empty,
                   Value::Text("n"), Value::Integer(0), Value::Double(0)}}));
}

// A 5.0 shop already has the display type that the 5.0 to 5.1 upgrade adds:
// the shop's own value is kept and the column is named once.
TEST_F(CopyBetweenDatabases, AddedColumnTheSourceAlreadyHasIsNotNamedTwice) {
    ctx.source.Version = 5.0f;
    ctx.destination.Version = 5.1f;
    const std::string ddl =
        "CREATE TABLE tblQuillmartProducts (P_ID INTEGER, P_Name1 VARCHAR(50), P_VersionDisplayType VARCHAR(1))";
    auto source = ScratchDatabase({ddl, "INSERT INTO tblQuillmartProducts VALUES (3, 'Hat', 'r')"});
    auto destination = ScratchDatabase({ddl});

    CopyTable(ctx, "tblQuillmartProducts", source, destination);

    EXPECT_EQ(ctx.strQuery,
              "INSERT INTO tblQuillmartProducts (P_ID,P_Name1,P_VersionDisplayType) VALUES (3,'Hat','r')");
    EXPECT_EQ(ReadAll(destination, "SELECT * FROM tblQuillmartProducts"),
              (std::vector<std::vector<Value>>{{Value::Integer(3), Value::Text("Hat"), Value::Text("r")}}));
}

TEST_F(CopyBetweenDatabases, EmptySourceEmptiesTheDestinationOnly) {
    ctx.source.Version = 5.104f;
    ctx.destination.Version = 5.104f;
    auto source = ScratchDatabase({"CREATE TABLE tblQuillmartNews (N_ID INTEGER, N_headline1 VARCHAR(50))"});
    auto destination = ScratchDatabase({"CREATE TABLE tblQuillmartNews (N_ID INTEGER, N_headline1 VARCHAR(50))",
                                        "INSERT INTO tblQuillmartNews VALUES (1, 'Old')",
                                        "INSERT INTO tblQuillmartNews VALUES (2, 'Older')"});

    CopyTable(ctx, "tblQuillmartNews", source, destination);

    EXPECT_TRUE(ReadAll(destination, "SELECT * FROM tblQuillmartNews").empty());
    EXPECT_EQ(ctx.strQuery, "SELECT * FROM tblQuillmartNews");
    EXPECT_EQ(status.txtStep2, "\r\nAdding table tblQuillmartNews...done.");
}

TEST_F(CopyBetweenDatabases, ColumnTheDestinationLacksFailsWithTheInsertKept) {
    ctx.source.Version = 4.6f;
    ctx.destination.Version = 5.104f;
    auto source = ScratchDatabase({"CREATE TABLE tblQuillmartNews (N_ID INTEGER, N_content TEXT)",
                                   "INSERT INTO tblQuillmartNews VALUES (1, 'a')"});
    auto destination = ScratchDatabase({"CREATE TABLE tblQuillmartNews (N_ID INTEGER, N_content TEXT)"});

    EXPECT_THROW(CopyTable(ctx, "tblQuillmartNews", source, destination), db::DatabaseError);
    EXPECT_EQ(ctx.strQuery, "INSERT INTO tblQuillmartNews (N_ID,N_content,N_Language) VALUES (1,'a',1)");
}

}  // namespace
}  // namespace qdt::data
