#pragma once

#include <string>
#include <vector>

#include "db/ConnectionString.h"
#include "db/odbc/OdbcConnection.h"

namespace qdt::db::odbc {

// MariaDB Connector/ODBC's OPTION bit that streams forward-only results
// instead of caching them whole on the client. Versions that do not know it
// (Debian 12's 3.1.15) ignore it and cache every result.
constexpr unsigned long kMySqlNoCacheOption = 1048576;
// The OPTION bit that lets one text carry several statements, which a
// copy's rows use to travel in groups.
constexpr unsigned long kMySqlMultiStatementsOption = 67108864;

// The installed driver to use for MySQL and MariaDB servers: "MariaDB
// Unicode" when present, else any whose name mentions MariaDB or MySQL.
// Throws DatabaseError when there is none.
std::string ChooseMySqlDriver(const std::vector<std::string>& installed);

// The driver's connection string for a MySQL connection string written for
// any MySQL driver: the driver replaced, "host:port" split into SERVER and
// PORT, streaming, statement groups and UTF-8 switched on, the other keys kept.
std::string TranslateMySqlConnectionString(const ConnectionStringInfo& info, const std::string& driver);

// Everything needed to connect: the translated string for the installed
// driver, the password to mask, timeouts and how the driver passes text.
OdbcTarget MySqlTarget(const ConnectionStringInfo& info);

}  // namespace qdt::db::odbc
