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

}  // namespace qdt::db
