#pragma once

#include <sql.h>
#include <sqlext.h>

#include <string>
#include <utility>

#include "db/Error.h"

namespace qdt::db::odbc {

// Owns one ODBC handle and frees it when dropped.
class OdbcHandle {
public:
    OdbcHandle() = default;
    OdbcHandle(SQLSMALLINT type, SQLHANDLE handle) : type_(type), handle_(handle) {}
    ~OdbcHandle() { Reset(); }
    OdbcHandle(OdbcHandle&& o) noexcept : type_(o.type_), handle_(std::exchange(o.handle_, nullptr)) {}
    OdbcHandle& operator=(OdbcHandle&& o) noexcept {
        if (this != &o) {
            Reset();
            type_ = o.type_;
            handle_ = std::exchange(o.handle_, nullptr);
        }
        return *this;
    }
    OdbcHandle(const OdbcHandle&) = delete;
    OdbcHandle& operator=(const OdbcHandle&) = delete;

    SQLHANDLE Get() const { return handle_; }
    SQLSMALLINT Type() const { return type_; }
    explicit operator bool() const { return handle_ != nullptr; }
    void Reset() {
        if (handle_ != nullptr) SQLFreeHandle(type_, handle_);
        handle_ = nullptr;
    }

private:
    SQLSMALLINT type_ = 0;
    SQLHANDLE handle_ = nullptr;
};

// The process-wide ODBC 3 environment, made on first use and kept for the
// life of the process (connections may outlive any owner object).
SQLHENV Environment();

// Removes the "[unixODBC][Driver][...]" tags that the driver manager and the
// drivers put before their messages.
std::string StripDriverTags(std::string message);

// The diagnostics of a handle as a user-fit error: the driver's own words,
// the first record's native code and SQLSTATE. `prefix` goes before the
// driver's text; `secret` is masked (db::MaskSecret). `narrow` reads them
// through the narrow API as UTF-8, as a connection made through it must: the
// driver manager would turn their bytes into UTF-16 one by one.
DatabaseError DiagnosticsError(SQLSMALLINT type, SQLHANDLE handle, const std::string& prefix = {},
                               const std::string& secret = {}, bool narrow = false);

// Throws DiagnosticsError unless rc is a success or SQL_NO_DATA.
inline void Check(SQLRETURN rc, SQLSMALLINT type, SQLHANDLE handle, const std::string& prefix = {},
                  const std::string& secret = {}, bool narrow = false) {
    if (!SQL_SUCCEEDED(rc) && rc != SQL_NO_DATA) throw DiagnosticsError(type, handle, prefix, secret, narrow);
}

// The first SQLSTATE of a handle's diagnostics, empty when there is none.
std::string FirstState(SQLSMALLINT type, SQLHANDLE handle);

}  // namespace qdt::db::odbc
