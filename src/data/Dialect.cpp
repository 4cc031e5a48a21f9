#include "data/Dialect.h"

namespace qdt::data {

namespace {

// Jet and SQL Server both parse the slashed form year/month/day whatever the
// machine's regional settings, and MySQL accepts it too.
constexpr Dialect kAccessDialect{FirstRowForm::kTop, "DELETE * FROM ", "#", false, DateLiteralForm::kSlashed, true};
constexpr Dialect kSqlServerDialect{FirstRowForm::kTop, "DELETE FROM ", "'", true, DateLiteralForm::kSlashed, false};
constexpr Dialect kMySqlDialect{FirstRowForm::kLimit, "DELETE FROM ", "'", false, DateLiteralForm::kSlashed, false};
// SQLite has no date type: a date is whatever text was stored. Its date
// functions, its ordering and our own reader all understand only the ISO text
// with zero-padded parts, so a slashed date would be stored but never read
// back as a date (and would sort wrongly).
constexpr Dialect kSqliteDialect{FirstRowForm::kLimit, "DELETE FROM ", "'", false, DateLiteralForm::kIso, true};
constexpr Dialect kOtherDialect{FirstRowForm::kTop, "DELETE FROM ", "'", false, DateLiteralForm::kSlashed, false};

}  // namespace

const Dialect& DialectFor(DatabaseKind kind) {
    switch (kind) {
        case kAccess: return kAccessDialect;
        case kSqlServer: return kSqlServerDialect;
        case kMySql: return kMySqlDialect;
        case kSqlite: return kSqliteDialect;
        case kExcel:
        case kTextFile:
        case kSqlFile: break;
    }
    return kOtherDialect;
}

std::string FirstRowQuery(DatabaseKind kind, const std::string& table) { return FirstRowQuery(kind, "*", table); }

std::string FirstRowQuery(DatabaseKind kind, const std::string& columns, const std::string& rest) {
    if (DialectFor(kind).firstRow == FirstRowForm::kLimit) return "SELECT " + columns + " FROM " + rest + " LIMIT 0, 1";
    return "SELECT TOP 1 " + columns + " FROM " + rest;
}

void ApplyDialect(ConnectionProfile& profile) {
    profile.DateDelimiter = std::string(DialectFor(profile.Kind).dateDelimiter);
}

}  // namespace qdt::data
