#pragma once

#include <string>

#include "db/ConnectionString.h"

namespace qdt::db::odbc {

// The FreeTDS connection string for a SQL Server connection string in the
// OLE DB form ("Provider=sqloledb;Data Source=host,port;Initial Catalog=...").
// "host,port" becomes SERVER and PORT; "host\instance" stays in SERVER
// (FreeTDS asks the server for the instance's port) unless a port is given,
// which names the instance on its own.
std::string TranslateSqlServerConnectionString(const ConnectionStringInfo& info);

}  // namespace qdt::db::odbc
