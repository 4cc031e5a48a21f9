#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "db/InsertRow.h"
#include "db/Recordset.h"

namespace qdt::db {

// What one database engine does for a Connection.
class ConnectionProvider {
public:
    virtual ~ConnectionProvider() = default;
    // Runs one statement; statements that return no rows give an empty result.
    virtual std::unique_ptr<Recordset> Execute(const std::string& sql) = 0;
    // Every table, view and system table: TABLE_CATALOG, TABLE_SCHEMA,
    // TABLE_NAME, TABLE_TYPE, in that order.
    virtual std::unique_ptr<Recordset> OpenSchemaTables() = 0;
    virtual void Close() = 0;
    virtual void BeginTrans() = 0;
    virtual void CommitTrans() = 0;
    virtual void RollbackTrans() = 0;
    // Problems met while reading the source that did not stop it (a schema.ini
    // key that is not understood), one line each, for the run's closing report.
    virtual std::vector<std::string> Warnings() const { return {}; }
    // The identity the last INSERT on this connection gave its new row, when
    // the engine can tell; nullopt sends callers back to reading it by value.
    virtual std::optional<std::int64_t> LastInsertId() { return std::nullopt; }

    // Runs statements whose results nobody reads (a copy's INSERTs), in
    // order. `done` counts those that ran; when one fails it is
    // statements[done], the ones before it stand and the ones after it were
    // not run. Engines that can send several in one round trip do so; the
    // default runs them one by one.
    virtual void ExecuteGroup(const std::vector<std::string>& statements, std::size_t& done);
    // Runs a copy's row with its values bound, where the engine can; false
    // when it cannot (the default), and the caller sends the row's text.
    virtual bool RunRow(const InsertRow&) { return false; }
    // How many statements, and roughly how many bytes of them, are worth
    // sending together; one when grouping gains nothing.
    virtual std::size_t GroupStatementLimit() const { return 1; }
    virtual std::size_t GroupByteLimit() const { return 0; }
};

enum class SchemaKind { Tables = 20 };

// How a connection is opened: a Data Copy reads its source and must never
// change it, so the source side is opened read-only where the engine allows.
enum class OpenMode { kReadWrite, kReadOnly };

// One connection to a database, opened from a connection string that names
// its engine. The engine-specific work is done by a provider.
class Connection {
public:
    Connection() = default;
    // For connections made by other means, such as recording ones in tests.
    explicit Connection(std::unique_ptr<ConnectionProvider> provider) : provider_(std::move(provider)) {}
    ~Connection();
    Connection(Connection&&) noexcept = default;
    Connection& operator=(Connection&&) noexcept = default;

    void Open(const std::string& connectionString, OpenMode mode = OpenMode::kReadWrite);
    bool IsOpen() const { return provider_ != nullptr; }

    std::unique_ptr<Recordset> Execute(const std::string& sql);
    std::unique_ptr<Recordset> OpenSchema(SchemaKind kind = SchemaKind::Tables);
    void Close();

    void BeginTrans();
    void CommitTrans();
    void RollbackTrans();

    // The provider's warnings so far; none when closed.
    std::vector<std::string> Warnings() const { return provider_ ? provider_->Warnings() : std::vector<std::string>{}; }
    // See ConnectionProvider::LastInsertId.
    std::optional<std::int64_t> LastInsertId();
    // See ConnectionProvider::ExecuteGroup.
    void ExecuteGroup(const std::vector<std::string>& statements, std::size_t& done);
    // See ConnectionProvider::RunRow.
    bool RunRow(const InsertRow& row) { return Provider().RunRow(row); }
    std::size_t GroupStatementLimit() const { return provider_ ? provider_->GroupStatementLimit() : 1; }
    std::size_t GroupByteLimit() const { return provider_ ? provider_->GroupByteLimit() : 0; }

private:
    ConnectionProvider& Provider();
    std::unique_ptr<ConnectionProvider> provider_;
};

// Chooses the provider for a connection string and opens it.
std::unique_ptr<ConnectionProvider> OpenProvider(const std::string& connectionString,
                                                 OpenMode mode = OpenMode::kReadWrite);

}  // namespace qdt::db
