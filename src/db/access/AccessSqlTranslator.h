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
//   True / False                     -> 1 / 0
//   [Order Details]                  -> "Order Details"
// Text inside literals and quoted names is never touched. Throws DatabaseError
// for what cannot be carried over faithfully (TOP n PERCENT, an unreadable date).
std::string TranslateAccessSql(const std::string& sql);
std::string TranslateAccessSql(std::vector<SqlToken> tokens);

}  // namespace qdt::db::access
