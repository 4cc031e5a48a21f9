#pragma once

#include <sqlite3.h>

#include <string>
#include <vector>

#include "db/sheets/SchemaIni.h"

namespace qdt::db::sheets {

// Loads the text file fileName of folder into the snapshot as the table
// tableName, streaming it record by record. format holds the connection's
// defaults; the file's schema.ini section is applied on top, its warnings
// added to warnings. Without declared column types every value is the text
// as written (empty fields are Null). Throws DatabaseError naming the file,
// row and column for a ragged row, bytes that are not valid in the character
// set, or a value that does not fit its declared type; nothing is left loaded
// then.
void LoadTextTable(sqlite3* db, const std::string& folder, const std::string& fileName, const std::string& tableName,
                   TextFormat format, std::vector<std::string>& warnings);

}  // namespace qdt::db::sheets
