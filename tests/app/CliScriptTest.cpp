#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "app/CliRunner.h"
#include "db/Connection.h"
#include "support/TestEnv.h"

namespace qdt::app {
namespace {

using testing::RunCli;
using testing::ShellQuote;

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

const char kTables[][16] = {"products", "shop's notes"};

struct Server {
    test::MySqlServer server;
    std::string ClientArgs() const {
        return " --no-defaults -h " + ShellQuote(server.host) + " -P " + std::to_string(server.port) + " -u " +
               ShellQuote(server.user);
    }
    db::Connection Open(const std::string& database) const {
        test::MySqlServer s = server;
        s.database = database;
        db::Connection c;
        c.Open(s.ConnectionString());
        return c;
    }
};

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::string FirstTool(const std::vector<std::string>& names) {
    for (const std::string& n : names)
        if (Shell("command -v " + n + " >/dev/null 2>&1") == 0) return n;
    return {};
}

std::map<std::string, std::string> Checksums(const Server& s, const std::string& database) {
    db::Connection c = s.Open(database);
    std::map<std::string, std::string> sums;
    for (const char* table : kTables) {
        auto rs = c.Execute(std::string("CHECKSUM TABLE `") + table + "`");
        sums[table] = rs->Fields(1).Value().ToText();
    }
    auto rs = c.Execute("SELECT COUNT(*) FROM dear_items");
    sums["dear_items rows"] = rs->Fields(0).Value().ToText();
    return sums;
}

// A real mariadb-dump, loaded by the companion's execute-sql, gives the same
// tables as the mariadb client loading the same file.
TEST(CliExecuteSql, MariaDbDumpLoadsAsTheMariaDbClientLoadsIt) {
    QDT_REQUIRE_MYSQL_SERVER(server);
    const Server s{server};
    const std::string client = FirstTool({"mariadb", "mysql"});
    const std::string dumper = FirstTool({"mariadb-dump", "mysqldump"});
    ASSERT_FALSE(client.empty() || dumper.empty()) << "the mariadb client tools are not installed";
    setenv("MYSQL_PWD", server.password.c_str(), 1);

    db::Connection admin = s.Open(server.database);
    for (const char* name : {"qdt_dump_source", "qdt_dump_client", "qdt_dump_tool"}) {
        admin.Execute(std::string("DROP DATABASE IF EXISTS ") + name);
        admin.Execute(std::string("CREATE DATABASE ") + name + " CHARACTER SET utf8mb4");
    }
    const std::string dir = test::TempDir();
    std::ofstream(dir + "/source.sql", std::ios::binary) << kSourceSql;
    ASSERT_EQ(Shell(client + s.ClientArgs() + " qdt_dump_source <" + dir + "/source.sql"), 0);

    // Blobs are dumped as hexadecimal: raw bytes are no UTF-8 text. Comment
    // lines of the kind people add by hand come first.
    std::ofstream(dir + "/dump.sql", std::ios::binary)
        << "# Nightly dump of the shop's catalogue; don't edit\n-- it's made by " << dumper << "\n";
    ASSERT_EQ(Shell(dumper + s.ClientArgs() + " --hex-blob qdt_dump_source >>" + dir + "/dump.sql"), 0);
    ASSERT_EQ(Shell(client + s.ClientArgs() + " qdt_dump_client <" + dir + "/dump.sql"), 0);

    auto r = RunCli({"execute-sql", "--source-kind", "mysql", "--source-server", server.host, "--source-port",
                     std::to_string(server.port), "--source-database", "qdt_dump_tool", "--source-user", server.user,
                     "--source-password", server.password, "--script", dir + "/dump.sql"});
    unsetenv("MYSQL_PWD");
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;

    const auto source = Checksums(s, "qdt_dump_source");
    EXPECT_EQ(Checksums(s, "qdt_dump_client"), source);
    EXPECT_EQ(Checksums(s, "qdt_dump_tool"), source);
    EXPECT_NE(source.at("dear_items rows"), "0");

    for (const char* name : {"qdt_dump_source", "qdt_dump_client", "qdt_dump_tool"})
        admin.Execute(std::string("DROP DATABASE ") + name);
}

// The log shows the start of a failing huge statement and its length, while
// the server was given all of it (its error names the column at the very end).
TEST(CliExecuteSql, HugeFailingStatementIsShownCut) {
    const std::string dir = test::TempDir();
    std::ofstream(dir + "/empty.sqlite").close();
    const std::string statement = "INSERT INTO t VALUES ('" + std::string(1 << 20, 'x') + "'), (no_such_column)";
    std::ofstream(dir + "/big.sql", std::ios::binary) << "CREATE TABLE t (v TEXT);\n" << statement << ";\n";
    auto r = RunCli({"execute-sql", "--source-kind", "sqlite", "--source-file", dir + "/empty.sqlite", "--script",
                     dir + "/big.sql"});
    EXPECT_EQ(r.exitCode, 1);
    const std::string shown = statement.substr(0, 4096) + "\n... (statement of " + std::to_string(statement.size()) +
                              " characters, first 4096 shown)";
    EXPECT_NE(r.out.find("Error occurred!\nno such column: no_such_column\n\n" + shown + "\n"), std::string::npos)
        << r.out.substr(0, 300);
    EXPECT_LT(r.out.size(), 6000u);
}

}  // namespace
}  // namespace qdt::app
