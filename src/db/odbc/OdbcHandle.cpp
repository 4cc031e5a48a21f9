#include "db/odbc/OdbcHandle.h"

#include <vector>

#include "db/SecretMask.h"
#include "db/odbc/OdbcText.h"

namespace qdt::db::odbc {

SQLHENV Environment() {
    static SQLHENV env = [] {
        SQLHENV h = SQL_NULL_HENV;
        if (!SQL_SUCCEEDED(SQLAllocHandle(SQL_HANDLE_ENV, SQL_NULL_HANDLE, &h)))
            throw DatabaseError("The ODBC driver manager could not be started.");
        SQLSetEnvAttr(h, SQL_ATTR_ODBC_VERSION, reinterpret_cast<SQLPOINTER>(SQL_OV_ODBC3), 0);
        return h;
    }();
    return env;
}

std::string StripDriverTags(std::string message) {
    std::size_t pos = 0;
    while (pos < message.size() && message[pos] == ' ') ++pos;
    while (pos < message.size() && message[pos] == '[') {
        std::size_t close = message.find(']', pos);
        if (close == std::string::npos) break;
        pos = close + 1;
        while (pos < message.size() && message[pos] == ' ') ++pos;
    }
    message.erase(0, pos);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == ' '))
        message.pop_back();
    return message;
}

namespace {

struct DiagRecord {
    std::string state;
    long native = 0;
    std::string message;
};

std::vector<DiagRecord> ReadDiagnostics(SQLSMALLINT type, SQLHANDLE handle, bool narrow) {
    std::vector<DiagRecord> records;
    if (handle == SQL_NULL_HANDLE) return records;
    for (SQLSMALLINT i = 1; i <= 20; ++i) {
        SQLINTEGER native = 0;
        SQLSMALLINT length = 0;
        if (narrow) {
            SQLCHAR state[6] = {};
            SQLCHAR text[4096];
            SQLRETURN rc = SQLGetDiagRec(type, handle, i, state, &native, text, 4096, &length);
            if (!SQL_SUCCEEDED(rc)) break;
            if (length > 4095) length = 4095;
            records.push_back({std::string(reinterpret_cast<char*>(state), 5), native,
                               StripDriverTags(std::string(reinterpret_cast<char*>(text), static_cast<std::size_t>(length)))});
            continue;
        }
        SQLWCHAR state[6] = {};
        SQLWCHAR text[2048];
        SQLRETURN rc = SQLGetDiagRecW(type, handle, i, state, &native, text, 2048, &length);
        if (!SQL_SUCCEEDED(rc)) break;
        if (length > 2047) length = 2047;
        records.push_back({FromWide(state, 5), native, StripDriverTags(FromWide(text, length))});
    }
    return records;
}

}  // namespace

DatabaseError DiagnosticsError(SQLSMALLINT type, SQLHANDLE handle, const std::string& prefix,
                               const std::string& secret, bool narrow) {
    std::vector<DiagRecord> records = ReadDiagnostics(type, handle, narrow);
    std::string text;
    for (const DiagRecord& r : records) {
        if (r.message.empty() || text.find(r.message) != std::string::npos) continue;
        if (!text.empty()) text += ' ';
        text += r.message;
        if (text.back() != '.' && text.back() != '!' && text.back() != ')') text += '.';
    }
    if (text.empty()) text = "The ODBC driver reported an error without saying what it was.";
    text = prefix + text;
    // Drivers do not echo the login password, but one that did would not be shown.
    text = MaskSecret(std::move(text), secret);
    if (records.empty()) return DatabaseError(text);
    return DatabaseError(text, records.front().native, records.front().state);
}

std::string FirstState(SQLSMALLINT type, SQLHANDLE handle) {
    auto records = ReadDiagnostics(type, handle, false);
    return records.empty() ? std::string() : records.front().state;
}

}  // namespace qdt::db::odbc
