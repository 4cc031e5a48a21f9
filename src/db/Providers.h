#pragma once

#include <memory>

#include "db/Connection.h"
#include "db/ConnectionString.h"

// One entry point per engine. Each takes the parsed connection string it was
// chosen for and returns an open provider, or throws DatabaseError.
namespace qdt::db {

std::unique_ptr<ConnectionProvider> OpenSqliteProvider(const ConnectionStringInfo& info, OpenMode mode);
std::unique_ptr<ConnectionProvider> OpenMySqlProvider(const ConnectionStringInfo& info);
std::unique_ptr<ConnectionProvider> OpenSqlServerProvider(const ConnectionStringInfo& info);
std::unique_ptr<ConnectionProvider> OpenAccessProvider(const ConnectionStringInfo& info);
// Jet's "Excel 8.0" and "text" Extended Properties: a workbook file, or a
// folder whose text files are its tables.
std::unique_ptr<ConnectionProvider> OpenExcelProvider(const ConnectionStringInfo& info);
std::unique_ptr<ConnectionProvider> OpenTextProvider(const ConnectionStringInfo& info);

}  // namespace qdt::db
