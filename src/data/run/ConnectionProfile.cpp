#include "data/run/ConnectionProfile.h"

#include "data/run/Paths.h"
#include "db/ConnectionString.h"

namespace qdt::data {

using db::QuoteOdbcValue;
using db::QuoteOleDbValue;

const char* DatabaseKindCaption(DatabaseKind kind) {
    switch (kind) {
        case kAccess: return "Access Database";
        case kSqlServer: return "MSSQL Server Database";
        case kExcel: return "Excel Spreadsheet (Catalogue only)";
        case kTextFile: return "Text File (Catalogue only)";
        case kSqlFile: return ".SQL File";
        case kMySql: return "MySQL Database";
        case kSqlite: return "SQLite Database";
    }
    return "";
}

namespace {

// Splits a text file's path at its last backslash, or else its last slash.
// Without a separator the earlier folder and table stay as they were.
void SplitTextFilePath(ConnectionProfile& profile) {
    const std::size_t p = FolderEnd(profile.Database, SeparatorRule::kBackslashFirst);
    if (p == std::string::npos) return;
    profile.TextFolder = profile.Database.substr(0, p);
    profile.TextTable = profile.Database.substr(p + 1);
}

}  // namespace

// Values are quoted only when they would otherwise change the meaning of the
// string (a ";" in a password must not start another key); ordinary values are
// written exactly as typed.
std::string GetConnectionString(ConnectionProfile& profile) {
    const std::string jet = "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=";
    switch (profile.Kind) {
        case kAccess:
            return jet + QuoteOleDbValue(profile.Database) +
                   ";Jet OLEDB:Database Password=" + QuoteOleDbValue(profile.Password);
        case kSqlServer: {
            std::string s = "Provider=sqloledb;Data Source=" +
                            QuoteOleDbValue(profile.Server + "," + std::to_string(profile.Port)) +
                            ";Network Library=DBMSSOCN;Initial Catalog=" + QuoteOleDbValue(profile.Database) + ";";
            if (profile.Trusted) return s + "Trusted_Connection=yes;";
            return s + "User ID=" + QuoteOleDbValue(profile.User) + ";Password=" + QuoteOleDbValue(profile.Password) +
                   ";";
        }
        case kExcel:
            return jet + QuoteOleDbValue(profile.Database) + ";Extended Properties=\"Excel 8.0;HDR=yes\"";
        case kTextFile:
            SplitTextFilePath(profile);
            return jet + QuoteOleDbValue(profile.TextFolder) + ";Extended Properties=\"text\"";
        case kSqlFile:
            profile.ScriptPath = profile.Database;
            return "";
        case kMySql:
            return "DRIVER={MySQL ODBC 3.51 Driver};SERVER=" + QuoteOdbcValue(profile.Server) +
                   ";DATABASE=" + QuoteOdbcValue(profile.Database) + ";USER=" + QuoteOdbcValue(profile.User) +
                   ";PASSWORD=" + QuoteOdbcValue(profile.Password) + ";OPTION=3;";
        case kSqlite:
            return "Provider=SQLite;Data Source=" + QuoteOleDbValue(profile.Database);
    }
    return "";
}

}  // namespace qdt::data
