#include "data/Dialect.h"

namespace qdt::data {

namespace {

// Jet and SQL Server both parse the slashed form year/month/day whatever the
// machine's regional settings, and MySQL accepts it too. The year always has
// four digits: MySQL reads a two-digit year as 19xx or 20xx.
constexpr Dialect kAccessDialect{.firstRow = FirstRowForm::kTop,
                                 .deletePrefix = "DELETE * FROM ",
                                 .dateDelimiter = "#",
                                 .switchesIdentityInsert = false,
                                 .dateForm = DateLiteralForm::kSlashed,
                                 .inAFile = true,
                                 .backslashEscapes = false,
                                 .nulInText = NulInText::kRefused,
                                 .replacesInvalidUtf8 = false,
                                 .fractionDigits = 0,
                                 .fractionDigitsByColumn = false,
                                 .anyColumnTakesText = false};
// A datetime column refuses a literal with more fraction digits than it
// holds, so dates keep whole seconds here.
constexpr Dialect kSqlServerDialect{.firstRow = FirstRowForm::kTop,
                                    .deletePrefix = "DELETE FROM ",
                                    .dateDelimiter = "'",
                                    .switchesIdentityInsert = true,
                                    .dateForm = DateLiteralForm::kSlashed,
                                    .inAFile = false,
                                    .backslashEscapes = false,
                                    .nulInText = NulInText::kRefused,
                                    .replacesInvalidUtf8 = true,
                                    .fractionDigits = 0,
                                    .fractionDigitsByColumn = false,
                                    .anyColumnTakesText = false};
// MySQL rounds (MariaDB cuts) a fraction its column cannot hold, and rounding
// can move a date to the next day, so the fraction is cut to the column's own
// digits first.
constexpr Dialect kMySqlDialect{.firstRow = FirstRowForm::kLimit,
                                .deletePrefix = "DELETE FROM ",
                                .dateDelimiter = "'",
                                .switchesIdentityInsert = false,
                                .dateForm = DateLiteralForm::kSlashed,
                                .inAFile = false,
                                .backslashEscapes = true,
                                .nulInText = NulInText::kBackslashZero,
                                .replacesInvalidUtf8 = true,
                                .fractionDigits = 6,
                                .fractionDigitsByColumn = true,
                                .anyColumnTakesText = false};
// SQLite has no date type: a date is whatever text was stored. Its date
// functions, its ordering and our own reader all understand only the ISO text
// with zero-padded parts, so a slashed date would be stored but never read
// back as a date (and would sort wrongly). Its tokenizer stops at a NUL, so
// such a text goes in as bytes.
constexpr Dialect kSqliteDialect{.firstRow = FirstRowForm::kLimit,
                                 .deletePrefix = "DELETE FROM ",
                                 .dateDelimiter = "'",
                                 .switchesIdentityInsert = false,
                                 .dateForm = DateLiteralForm::kIso,
                                 .inAFile = true,
                                 .backslashEscapes = false,
                                 .nulInText = NulInText::kHexCast,
                                 .replacesInvalidUtf8 = false,
                                 .fractionDigits = 9,
                                 .fractionDigitsByColumn = false,
                                 .anyColumnTakesText = true};
constexpr Dialect kOtherDialect{.firstRow = FirstRowForm::kTop,
                                .deletePrefix = "DELETE FROM ",
                                .dateDelimiter = "'",
                                .switchesIdentityInsert = false,
                                .dateForm = DateLiteralForm::kSlashed,
                                .inAFile = false,
                                .backslashEscapes = false,
                                .nulInText = NulInText::kRefused,
                                .replacesInvalidUtf8 = false,
                                .fractionDigits = 0,
                                .fractionDigitsByColumn = false,
                                .anyColumnTakesText = false};

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
