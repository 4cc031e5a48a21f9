#include "db/odbc/OdbcDrivers.h"

#include "db/odbc/OdbcHandle.h"
#include "db/odbc/OdbcText.h"

namespace qdt::db::odbc {

std::vector<std::string> InstalledOdbcDrivers() {
    std::vector<std::string> names;
    SQLUSMALLINT direction = SQL_FETCH_FIRST;
    while (true) {
        SQLWCHAR name[512];
        SQLWCHAR attributes[2048];
        SQLSMALLINT nameLength = 0, attributesLength = 0;
        SQLRETURN rc = SQLDriversW(Environment(), direction, name, 512, &nameLength, attributes, 2048,
                                   &attributesLength);
        if (!SQL_SUCCEEDED(rc)) break;
        names.push_back(FromWide(name, static_cast<std::size_t>(std::min<SQLSMALLINT>(nameLength, 511))));
        direction = SQL_FETCH_NEXT;
    }
    return names;
}

}  // namespace qdt::db::odbc
