#include "db/odbc/MySqlProvider.h"

#include <cstdlib>

#include "db/Error.h"
#include "db/Providers.h"
#include "db/Text.h"
#include "db/odbc/OdbcDrivers.h"
#include "db/odbc/OdbcProvider.h"

namespace qdt::db {

namespace odbc {

namespace {

bool Contains(const std::string& text, const char* word) {
    return ToLowerAscii(text).find(word) != std::string::npos;
}

// "host:port" and "[v6]:port"; a bare IPv6 address has no port.
void SplitHostPort(const std::string& server, std::string& host, std::string& port) {
    host = server;
    port.clear();
    std::size_t colon = server.rfind(':');
    if (colon == std::string::npos) return;
    bool bracketed = server.front() == '[' && colon > 0 && server[colon - 1] == ']';
    if (!bracketed && server.find(':') != colon) return;
    std::string digits = server.substr(colon + 1);
    if (digits.empty() || digits.find_first_not_of("0123456789") != std::string::npos) return;
    host = bracketed ? server.substr(1, colon - 2) : server.substr(0, colon);
    port = digits;
}

class MySqlProvider final : public OdbcProvider {
public:
    using OdbcProvider::OdbcProvider;

protected:
    // Only the current database's tables: the driver would otherwise list
    // every database the user can see.
    std::string SchemaCatalog() override {
        auto rs = Execute("SELECT DATABASE()");
        std::string name = rs->Eof() ? std::string() : rs->Fields(0).Value().ToText();
        rs->Close();
        return name;
    }
};

}  // namespace

std::string ChooseMySqlDriver(const std::vector<std::string>& installed) {
    for (const std::string& name : installed)
        if (EqualsIgnoreCase(name, "MariaDB Unicode")) return name;
    for (const std::string& name : installed)
        if (Contains(name, "mariadb") && Contains(name, "unicode")) return name;
    for (const std::string& name : installed)
        if (Contains(name, "mariadb") || Contains(name, "mysql")) return name;
    throw DatabaseError(
        "No MySQL or MariaDB ODBC driver is installed. Install MariaDB Connector/ODBC (package odbc-mariadb).");
}

std::string TranslateMySqlConnectionString(const ConnectionStringInfo& info, const std::string& driver) {
    // Driver names are always braced: they often hold blanks.
    std::string out = "DRIVER={";
    for (char ch : driver) out += ch == '}' ? std::string("}}") : std::string(1, ch);
    out += "};";
    std::vector<std::string> done;
    auto seen = [&done](const std::string& key) {
        for (const std::string& d : done)
            if (EqualsIgnoreCase(d, key)) return true;
        done.push_back(key);
        return false;
    };
    auto add = [&out](const std::string& key, const std::string& value) {
        out += key + "=" + QuoteOdbcValue(value) + ";";
    };
    bool explicitPort = info.Has("PORT");
    for (const auto& [key, ignored] : info.Entries()) {
        if (EqualsIgnoreCase(key, "DRIVER") || seen(key)) continue;
        std::string value = *info.Get(key);  // the last one given, as drivers take it
        if (EqualsIgnoreCase(key, "SERVER")) {
            std::string host, port;
            SplitHostPort(value, host, port);
            add(key, host);
            if (!port.empty() && !explicitPort) add("PORT", port);
        } else if (EqualsIgnoreCase(key, "OPTION")) {
            unsigned long option = std::strtoul(value.c_str(), nullptr, 10);
            add(key, std::to_string(option | kMySqlNoCacheOption | kMySqlMultiStatementsOption));
        } else {
            add(key, value);
        }
    }
    if (!info.Has("OPTION")) add("OPTION", std::to_string(kMySqlNoCacheOption | kMySqlMultiStatementsOption));
    if (!info.Has("CHARSET")) add("CHARSET", "utf8mb4");
    return out;
}

OdbcTarget MySqlTarget(const ConnectionStringInfo& info) {
    OdbcTarget target;
    target.connectionString = TranslateMySqlConnectionString(info, ChooseMySqlDriver(InstalledOdbcDrivers()));
    target.password = info.Get("PASSWORD").value_or(info.GetOr("PWD", ""));
    target.loginTimeoutSeconds = 5;
    target.connectFailurePrefix = "Cannot connect to MySQL on " + info.GetOr("SERVER", "localhost") + ": ";
    // With CHARSET=utf8mb4 the driver passes text through as the server's UTF-8.
    target.narrowTextIsUtf8 = EqualsIgnoreCase(info.GetOr("CHARSET", "utf8mb4"), "utf8mb4");
    // Connector/ODBC streams only in versions that honour the no-cache
    // option; older ones (3.1) hold each result whole on the client.
    target.resultsOccupyHandle = OdbcTarget::Occupancy::Probe;
    target.lastInsertIdQuery = "SELECT LAST_INSERT_ID()";
    target.runsStatementGroups = true;
    return target;
}

}  // namespace odbc

std::unique_ptr<ConnectionProvider> OpenMySqlProvider(const ConnectionStringInfo& info) {
    return std::make_unique<odbc::MySqlProvider>(odbc::MySqlTarget(info));
}

}  // namespace qdt::db
