#pragma once

#include <cstdint>
#include <string>

namespace qdt::data {

// The engine or file on one side of a transfer. The codes are fixed: the
// pages and every dialect decision are keyed on them.
enum DatabaseKind : std::int32_t {
    kAccess = 0,
    kSqlServer = 1,
    kExcel = 2,
    kTextFile = 3,
    kSqlFile = 4,
    kMySql = 5,
    kSqlite = 6,
};

// Text shown for a kind in the type combos.
const char* DatabaseKindCaption(DatabaseKind kind);

// One side of a transfer: what the pages collected and what the check found.
struct ConnectionProfile {
    DatabaseKind Kind = kAccess;
    std::string DateDelimiter;
    std::string SystemName;
    float Version = 0;
    std::string Server;
    std::string Database;
    bool Trusted = false;
    std::string User;
    std::string Password;
    std::string ConnectionString;
    std::int16_t Port = 0;
    std::string TextTable;
    std::string TextFolder;
    std::string ScriptPath;
};

// Builds the connection string for the profile's kind; for a text file or a
// .sql file it also fills the profile's derived fields.
std::string GetConnectionString(ConnectionProfile& profile);

}  // namespace qdt::data
