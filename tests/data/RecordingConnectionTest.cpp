#include <gtest/gtest.h>

#include "db/DataType.h"
#include "db/Error.h"
#include "support/RecordingConnection.h"

namespace qdt::test {
namespace {

// The recorder is what many statement tests stand on, so its own rules are checked here.
TEST(RecordingConnection, ScriptedAnswersFailuresAndLog) {
    RecordingConnection rec;
    rec.Answer("SELECT a FROM t", {{"a", "b"}, {db::kInteger}, {{db::Value::Integer(1)}, {db::Value::Integer(2)}}})
        .AnswerPrefix("SELECT", {{"x"}, {db::kInteger}, {{db::Value::Integer(9)}}})
        .FailPrefix("DROP", "refused");
    auto conn = rec.Open();

    auto rs = conn.Execute("SELECT a FROM t");
    EXPECT_EQ(rs->Fields("b").Type(), db::kVarWChar);  // missing type codes are text
    EXPECT_EQ(rs->Fields("a").Value(), db::Value::Integer(1));
    EXPECT_TRUE(rs->Fields("b").Value().IsNull());  // short rows are padded with Null
    rs->MoveNext();
    EXPECT_EQ(rs->Fields("a").Value(), db::Value::Integer(2));
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
    rs->MoveFirst();
    EXPECT_EQ(rs->Fields("a").Value(), db::Value::Integer(1));
    EXPECT_EQ(rec.OpenResults(), 1);
    rs->Close();
    EXPECT_EQ(rec.OpenResults(), 0);

    EXPECT_EQ(conn.Execute("SELECT a FROM t WHERE 1")->Fields("x").Value(), db::Value::Integer(9));
    EXPECT_TRUE(conn.Execute("UPDATE t SET a = 1")->Eof());
    EXPECT_THROW(conn.Execute("DROP TABLE t"), db::DatabaseError);
    conn.BeginTrans();
    conn.CommitTrans();
    conn.Close();
    EXPECT_EQ(rec.Statements(),
              (std::vector<std::string>{"SELECT a FROM t", "SELECT a FROM t WHERE 1", "UPDATE t SET a = 1", "DROP TABLE t"}));
    EXPECT_EQ(rec.Calls().back(), "<Close>");
    EXPECT_EQ(rec.Calls()[4], "<BeginTrans>");
}

TEST(RecordingConnection, SchemaListsTheTablesAsThirdColumn) {
    RecordingConnection rec;
    rec.Tables({"one", "two"});
    auto conn = rec.Open();
    auto rs = conn.OpenSchema();
    ASSERT_EQ(rs->FieldCount(), 4u);
    EXPECT_EQ(rs->Fields(std::size_t{2}).Value().ToText(), "one");
    rs->MoveNext();
    EXPECT_EQ(rs->Fields("TABLE_NAME").Value().ToText(), "two");
    rs->MoveNext();
    EXPECT_TRUE(rs->Eof());
}

}  // namespace
}  // namespace qdt::test
