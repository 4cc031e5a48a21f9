#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "db/Connection.h"
#include "app/CliRunner.h"
#include "support/TestEnv.h"

namespace qdt::app {
namespace {

using testing::RunCli;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string path = test::TempDir() + "/shop.sqlite";
        std::ofstream(path).close();
        cs_ = "Provider=SQLite;Data Source=" + path;
        db::Connection c;
        c.Open(cs_);
        c.Execute("CREATE TABLE tblQuillmartConfig (CFG_ID INTEGER, CFG_Name VARCHAR(50), CFG_Value LONGTEXT, "
                  "CFG_Price CURRENCY, CFG_Changed DATETIME)");
        c.Execute("INSERT INTO tblQuillmartConfig VALUES (1, 'tab', 'a\tb', '12.5000', '2004/3/7 9:05:02')");
        c.Execute("INSERT INTO tblQuillmartConfig VALUES (2, 'lines', 'x' || char(13) || char(10) || 'y\\z', "
                  "NULL, NULL)");
        c.Close();
    }
    std::string cs_;
};

TEST_F(CliTest, QueryPrintsNamesTypesAndEscapedRows) {
    auto r = RunCli({"query", cs_, "SELECT * FROM tblQuillmartConfig ORDER BY CFG_ID"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out,
              "CFG_ID\tCFG_Name\tCFG_Value\tCFG_Price\tCFG_Changed\n"
              "3\t202\t203\t6\t7\n"
              "1\ttab\ta\\tb\t12.5\t2004-03-07 09:05:02\n"
              "2\tlines\tx\\r\\ny\\\\z\tNULL\tNULL\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(CliTest, TablesListsSchemaRows) {
    auto r = RunCli({"tables", cs_});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    EXPECT_NE(r.out.find("TABLE_CATALOG\tTABLE_SCHEMA\tTABLE_NAME\tTABLE_TYPE\n"), std::string::npos);
    EXPECT_NE(r.out.find("NULL\tNULL\ttblQuillmartConfig\tTABLE\n"), std::string::npos);
}

TEST_F(CliTest, FailuresGoToStderrWithExitCodeOne) {
    auto r = RunCli({"query", cs_, "SELECT * FROM tblMissing"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("tblMissing"), std::string::npos);
    EXPECT_EQ(r.out, "");

    r = RunCli({"query", "Provider=SQLite;Data Source=/nonexistent.sqlite", "SELECT 1"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find("/nonexistent.sqlite"), std::string::npos);
}

}  // namespace
}  // namespace qdt::app
