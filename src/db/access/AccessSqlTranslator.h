#pragma once

#include <string>
#include <vector>

#include "db/access/AccessSqlTokens.h"

namespace qdt::db::access {

// Rewrites a statement in the Access dialect into one SQLite runs the same way:
//   SELECT [DISTINCT] TOP n ...      -> SELECT [DISTINCT] ... LIMIT n
//   DELETE * FROM t                  -> DELETE FROM t
//   #2004/3/7 9:05:02#               -> '2004-03-07 09:05:02'
//   'a' + Name                       -> 'a' || Name
//   a + b                            -> JetPlus(a, b) (joins texts, adds numbers)
//   True / False                     -> 1 / 0
//   [Order Details]                  -> "Order Details"
//   FROM items.csv, Sheet1$          -> FROM "items.csv", "Sheet1$"
// Text inside literals and quoted names is never touched. Throws DatabaseError
// for what cannot be carried over faithfully (TOP n PERCENT, an unreadable date).
// A file's name used as a table (a text file, a worksheet) is one name in the
// Access dialect, where SQLite would read a schema and a table: written right
// after FROM, JOIN or a comma of a FROM list, a name made of letters, digits,
// dots, dashes and $ without blanks is quoted whole.
// When tables is given, it receives the names of the tables the statement
// reads or writes, unquoted, in the order they appear.
std::string TranslateAccessSql(const std::string& sql);
std::string TranslateAccessSql(std::vector<SqlToken> tokens, std::vector<std::string>* tables = nullptr);

}  // namespace qdt::db::access
