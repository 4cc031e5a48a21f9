#include "db/Connection.h"

#include "db/Error.h"
#include "db/Providers.h"
#include "db/Text.h"

namespace qdt::db {

Connection::~Connection() {
    if (!provider_) return;
    try {
        provider_->Close();
    } catch (...) {
        // Nothing sensible can be done about a failing close while unwinding.
    }
}

void Connection::Open(const std::string& connectionString, OpenMode mode) {
    if (provider_) throw DatabaseError("Operation is not allowed when the connection is open.");
    provider_ = OpenProvider(connectionString, mode);
}

ConnectionProvider& Connection::Provider() {
    if (!provider_) throw DatabaseError("Operation is not allowed when the connection is closed.");
    return *provider_;
}

std::unique_ptr<Recordset> Connection::Execute(const std::string& sql) { return Provider().Execute(sql); }

std::unique_ptr<Recordset> Connection::OpenSchema(SchemaKind) { return Provider().OpenSchemaTables(); }

void Connection::Close() {
    if (!provider_) return;
    auto provider = std::move(provider_);
    provider->Close();
}

void Connection::BeginTrans() { Provider().BeginTrans(); }
void Connection::CommitTrans() { Provider().CommitTrans(); }
void Connection::RollbackTrans() { Provider().RollbackTrans(); }
std::optional<std::int64_t> Connection::LastInsertId() { return Provider().LastInsertId(); }
void Connection::ExecuteGroup(const std::vector<std::string>& statements, std::size_t& done) {
    Provider().ExecuteGroup(statements, done);
}

void ConnectionProvider::ExecuteGroup(const std::vector<std::string>& statements, std::size_t& done) {
    done = 0;
    for (const std::string& sql : statements) {
        Execute(sql)->Close();
        ++done;
    }
}

std::unique_ptr<ConnectionProvider> OpenProvider(const std::string& connectionString, OpenMode mode) {
    ConnectionStringInfo info = ParseConnectionString(connectionString);
    if (auto driver = info.Get("DRIVER")) {
        std::string d = ToLowerAscii(*driver);
        if (d.find("mysql") != std::string::npos || d.find("mariadb") != std::string::npos) {
            auto provider = OpenMySqlProvider(info);
            // The server refuses every change in the session from here on.
            if (mode == OpenMode::kReadOnly) provider->Execute("SET SESSION TRANSACTION READ ONLY");
            return provider;
        }
        throw DatabaseError("The ODBC driver '" + *driver + "' is not supported: use a MySQL database.");
    }
    auto provider = info.Get("Provider");
    if (!provider) throw DatabaseError("The connection string names no provider or driver.");
    std::string p = ToLowerAscii(*provider);
    if (p == "sqlite") return OpenSqliteProvider(info, mode);
    if (p == "sqloledb") return OpenSqlServerProvider(info);
    if (p.rfind("microsoft.jet.oledb", 0) == 0 || p.rfind("microsoft.ace.oledb", 0) == 0) {
        std::string ext = ToLowerAscii(info.GetOr("Extended Properties", ""));
        if (ext.find("excel") != std::string::npos) return OpenExcelProvider(info);
        if (ext.find("text") != std::string::npos) return OpenTextProvider(info);
        return OpenAccessProvider(info);  // always read-only
    }
    throw DatabaseError("The provider '" + *provider + "' is not supported.");
}

}  // namespace qdt::db
