#include "db/odbc/SqlServerProvider.h"

#include "db/Error.h"
#include "db/Providers.h"
#include "db/Text.h"
#include "db/odbc/OdbcDrivers.h"
#include "db/odbc/OdbcProvider.h"

namespace qdt::db {

namespace odbc {

namespace {

constexpr const char* kDriver = "FreeTDS";

std::optional<std::string> First(const ConnectionStringInfo& info, std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        if (auto v = info.Get(key)) return v;
    return std::nullopt;
}

bool IsTrusted(const ConnectionStringInfo& info) {
    std::string trusted = ToLowerAscii(First(info, {"Trusted_Connection", "Integrated Security"}).value_or(""));
    return trusted == "yes" || trusted == "true" || trusted == "sspi";
}

std::string DataSource(const ConnectionStringInfo& info) {
    return Trim(First(info, {"Data Source", "Server", "Address", "Addr"}).value_or(""));
}

}  // namespace

std::string TranslateSqlServerConnectionString(const ConnectionStringInfo& info) {
    std::string source = DataSource(info);
    if (ToLowerAscii(source).rfind("tcp:", 0) == 0) source.erase(0, 4);
    std::string host = source, port;
    if (std::size_t comma = source.rfind(','); comma != std::string::npos) {
        host = Trim(source.substr(0, comma));
        port = Trim(source.substr(comma + 1));
        if (std::size_t slash = host.find('\\'); slash != std::string::npos) host.erase(slash);
    }
    if (host == "." || EqualsIgnoreCase(host, "(local)")) host = "localhost";
    if (host.empty()) throw DatabaseError("The SQL Server connection string names no server (Data Source).");

    std::string out = std::string("DRIVER={") + kDriver + "};SERVER=" + QuoteOdbcValue(host) + ";";
    if (!port.empty()) out += "PORT=" + QuoteOdbcValue(port) + ";";
    if (auto database = First(info, {"Initial Catalog", "Database"}); database && !database->empty())
        out += "DATABASE=" + QuoteOdbcValue(*database) + ";";
    if (IsTrusted(info)) {
        out += "Trusted_Connection=Yes;";
    } else {
        out += "UID=" + QuoteOdbcValue(First(info, {"User ID", "UID", "User"}).value_or("")) + ";";
        out += "PWD=" + QuoteOdbcValue(First(info, {"Password", "PWD"}).value_or("")) + ";";
    }
    return out + "TDS_Version=7.4";
}

}  // namespace odbc

std::unique_ptr<ConnectionProvider> OpenSqlServerProvider(const ConnectionStringInfo& info) {
    odbc::OdbcTarget target;
    target.connectionString = odbc::TranslateSqlServerConnectionString(info);
    target.connectFailurePrefix = "Cannot connect to SQL Server on " + odbc::DataSource(info) + ": ";
    bool installed = false;
    for (const std::string& name : odbc::InstalledOdbcDrivers())
        installed = installed || EqualsIgnoreCase(name, odbc::kDriver);
    if (!installed)
        throw DatabaseError(target.connectFailurePrefix +
                            "the FreeTDS ODBC driver is not installed (package tdsodbc).");
    if (!odbc::IsTrusted(info)) target.password = odbc::First(info, {"Password", "PWD"}).value_or("");
    // A server that is down should say so at once rather than hang the tool.
    target.loginTimeoutSeconds = 2;
    // Each statement is a batch of its own, where SCOPE_IDENTITY() would be
    // Null. A trigger inserting elsewhere would change @@IDENTITY, which is
    // why the importers check its first answer against the row itself.
    target.lastInsertIdQuery = "SELECT @@IDENTITY";
    return std::make_unique<odbc::OdbcProvider>(std::move(target));
}

}  // namespace qdt::db
