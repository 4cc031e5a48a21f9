#pragma once

#include <sqlite3.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "db/access/AccessSqlTokens.h"

namespace qdt::db::access {

// Gives a snapshot the indexes its statements need. A snapshot carries no
// index of the Access file, so a statement that picks rows by a column's
// value ("sProductRef = '12'") scans the whole table, and an importer that
// asks once per product would take time growing with the square of the
// catalogue. The first statement that compares a column with a literal gets
// that column indexed (and the table's statistics refreshed, so that an
// index that picks out little is not preferred). The snapshot must be the
// tool's own copy. Failures only leave the statement slower.
class FilterIndexes {
public:
    explicit FilterIndexes(sqlite3* db) : db_(db) {}

    // tokens: the statement in the Access dialect; tables: those it reads.
    void Prepare(const std::vector<SqlToken>& tokens, const std::vector<std::string>& tables);

    // (table, column) pairs indexed so far.
    const std::set<std::pair<std::string, std::string>>& Indexed() const { return indexed_; }

private:
    bool HasColumn(const std::string& table, const std::string& column);
    void Index(const std::string& table, const std::string& column);

    sqlite3* db_;
    std::set<std::pair<std::string, std::string>> tried_;
    std::set<std::pair<std::string, std::string>> indexed_;
    std::map<std::string, std::vector<std::string>> columns_;
};

}  // namespace qdt::db::access
