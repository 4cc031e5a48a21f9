#pragma once

#include <string>
#include <vector>

namespace qdt::db::odbc {

// Names of the ODBC drivers the driver manager knows, as DRIVER={...} takes them.
std::vector<std::string> InstalledOdbcDrivers();

}  // namespace qdt::db::odbc
