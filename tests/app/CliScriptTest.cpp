#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <map>

#include "app/CliRunner.h"
#include "db/Connection.h"
#include "support/ShopDatabases.h"

namespace qdt::app {
namespace {

using testing::ClientArgs;
using testing::ReadReport;
using testing::RunCli;

// A source database with text that trips naive script splitters: quotes,
// backslashes before quotes and at the end, comment and separator look-alikes
// inside strings, NUL, CR LF and tab, 4-byte UTF-8, a long text, a blob, a
// name with an apostrophe and a view (dumped in conditional comments).
const char kSourceSql[] = R"sql(
CREATE TABLE products (
  id INT NOT NULL AUTO_INCREMENT PRIMARY KEY,
  name VARCHAR(200) NOT NULL,
  descr TEXT,
  price DECIMAL(10,2),
  weight DOUBLE,
  added DATETIME(3),
  pic BLOB
) ENGINE=InnoDB DEFAULT CHARSET=utf8mb4 COMMENT='The shop''s products; don''t edit';
INSERT INTO products (name, descr, price, weight, added, pic)
SELECT CONCAT('Item ', seq, ' ', ELT(1 + seq % 12,
         'it''s', 'say "hi"', 'C:\\shop\\new\\table', 'ends with \\', 'a \\'' b', 'Taufa\'ahau Tupou IV',
         '# not a comment', '-- nor this', '/* or this */', 'semi;\nGO\n', CONCAT('tab\there', CHAR(0), 'nul'),
         CONCAT('{fn NOW()} ? %s ', CONVERT(UNHEX('F09F9880') USING utf8mb4)))),
       IF(seq % 7 = 0, NULL, REPEAT(CONCAT('line ', seq, ';\r\n'), seq % 40)),
       seq * 1.25, seq / 7, TIMESTAMPADD(MICROSECOND, seq * 1234567, '2024-01-01 00:00:00'),
       UNHEX(CONCAT('00275C0D0A22FF', HEX(seq)))
FROM seq_1_to_300;
CREATE TABLE `shop's notes` (id INT PRIMARY KEY, body LONGTEXT, lang VARCHAR(10)) DEFAULT CHARSET=utf8mb4;
INSERT INTO `shop's notes` VALUES
  (1, REPEAT('a\'b\\c;\r\n', 30000), 'en'),
  (2, '', NULL),
  (3, NULL, 'de'),
  (4, 'x\\', 'fr'),
  (5, CONCAT('\r\n;\r\nGO\r\n', CHAR(0), '\\0'), 'it');
CREATE VIEW dear_items AS SELECT id, name FROM products WHERE price > 200 AND name LIKE '%''%';
)sql";

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::map<std::string, std::string> Checksums(const test::MySqlServer& server) {
    db::Connection c;
    c.Open(server.ConnectionString());
    std::map<std::string, std::string> sums;
    for (const char* table : {"products", "shop's notes"})
        sums[table] = c.Execute(std::string("CHECKSUM TABLE `") + table + "`")->Fields(1).Value().ToText();
    sums["dear_items rows"] = c.Execute("SELECT COUNT(*) FROM dear_items")->Fields(0).Value().ToText();
    return sums;
}

// A real mariadb-dump, loaded by the companion's execute-sql, gives the same
// tables as the mariadb client loading the same file.
TEST(CliExecuteSql, MariaDbDumpLoadsAsTheMariaDbClientLoadsIt) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    const test::ScratchMySqlDatabase source(server, "dump_source"), client(server, "dump_client"),
        tool(server, "dump_tool");
    // The password reaches the tools through the environment, as users pass it.
    setenv("MYSQL_PWD", server.password.c_str(), 1);
    setenv("QDT_SOURCE_PASSWORD", server.password.c_str(), 1);
    const std::string dir = test::TempDir();
    std::ofstream(dir + "/source.sql", std::ios::binary) << kSourceSql;
    ASSERT_EQ(Shell("mariadb" + ClientArgs(server) + " " + source.Server().database + " <" + dir + "/source.sql"), 0);
    // Blobs are dumped as hexadecimal: raw bytes are no UTF-8 text. Comment
    // lines of the kind people add by hand come first.
    std::ofstream(dir + "/dump.sql", std::ios::binary)
        << "# Nightly dump of the shop's catalogue; don't edit\n-- it's made by mariadb-dump\n";
    ASSERT_EQ(Shell("mariadb-dump" + ClientArgs(server) + " --hex-blob " + source.Server().database + " >>" + dir +
                    "/dump.sql"), 0);
    ASSERT_EQ(Shell("mariadb" + ClientArgs(server) + " " + client.Server().database + " <" + dir + "/dump.sql"), 0);
    const auto r = RunCli({"execute-sql", "--source-kind", "mysql", "--source-server", server.host, "--source-port",
                           std::to_string(server.port), "--source-database", tool.Server().database, "--source-user",
                           server.user, "--script", dir + "/dump.sql"});
    unsetenv("MYSQL_PWD");
    unsetenv("QDT_SOURCE_PASSWORD");
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    const auto sums = Checksums(source.Server());
    EXPECT_EQ(Checksums(client.Server()), sums);
    EXPECT_EQ(Checksums(tool.Server()), sums);
}

// The log shows the start of a failing huge statement and its length, while
// the server was given all of it (its error names the column at the very
// end). The summary and the report count what ran before it, blank pieces not counted.
TEST(CliExecuteSql, HugeFailingStatementIsShownCutAndWhatRanIsCounted) {
    const std::string dir = test::TempDir();
    const std::string statement = "INSERT INTO t VALUES ('" + std::string(1 << 20, 'x') + "'), (no_such_column)";
    std::ofstream(dir + "/big.sql", std::ios::binary)
        << "CREATE TABLE t (v TEXT);\nINSERT INTO t VALUES ('a');\nGO\n" << statement << ";\n";
    const auto r = RunCli({"execute-sql", "--source-kind", "sqlite", "--source-file", test::NewSqliteFile(),
                           "--script", dir + "/big.sql", "--report", dir + "/report.json"});
    EXPECT_EQ(r.exitCode, 1);
    const std::string shown = statement.substr(0, 4096) + "\n... (statement of " + std::to_string(statement.size()) +
                              " characters, first 4096 shown)";
    EXPECT_NE(r.out.find("Error occurred!\nno such column: no_such_column\n\n" + shown + "\n"), std::string::npos)
        << r.out.substr(0, 300);
    EXPECT_LT(r.out.size(), 6000u);
    EXPECT_NE(r.err.find("\nRan 2 statements in 1 batches.\n"), std::string::npos) << r.err.substr(0, 300);
    const nlohmann::json json = ReadReport(dir + "/report.json");
    EXPECT_EQ(json["action"], "execute-sql");
    EXPECT_FALSE(json["source"].contains("version")) << json["source"];
    EXPECT_EQ(json["destination"]["kind"], "sql-file");
    EXPECT_EQ(json["script"]["statements"].get<long>(), 2);
    EXPECT_EQ(json["script"]["batches"].get<long>(), 1);
}

}  // namespace
}  // namespace qdt::app
