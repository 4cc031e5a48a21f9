#include "db/odbc/OdbcRecordset.h"

#include <cstdint>
#include <limits>
#include <string>

#include "db/odbc/OdbcText.h"

namespace qdt::db::odbc {

namespace {

constexpr std::size_t kChunkUnits = 4096;

DateTime ToDateTime(const SQL_TIMESTAMP_STRUCT& t) {
    // The fraction comes in billionths of a second, as DateTime keeps it.
    return DateTime{t.year, t.month, t.day, t.hour, t.minute, t.second, static_cast<int>(t.fraction)};
}

}  // namespace

OdbcRecordset::OdbcRecordset(std::shared_ptr<OdbcSession> session, OpenResult open, StatementSource source)
    : session_(std::move(session)), open_(std::move(open)), source_(std::move(source)) {
    wideBuffer_.resize(kChunkUnits);
    byteBuffer_.resize(kChunkUnits * 2);
    narrowText_ = open_->connection->NarrowTextIsUtf8();
    Describe();
    Start();
}

OdbcRecordset::~OdbcRecordset() { Finish(); }

void OdbcRecordset::CheckStmt(SQLRETURN rc) const {
    Check(rc, SQL_HANDLE_STMT, Stmt(), {}, open_->connection->Password(), open_->connection->NarrowTextIsUtf8());
}

void OdbcRecordset::Describe() {
    SQLSMALLINT count = 0;
    CheckStmt(SQLNumResultCols(Stmt(), &count));
    std::size_t shown = static_cast<std::size_t>(count);
    if (!source_.columnNames.empty() && source_.columnNames.size() < shown) shown = source_.columnNames.size();
    for (std::size_t i = 0; i < shown; ++i) {
        auto column = static_cast<SQLUSMALLINT>(i + 1);
        SQLWCHAR name[512];
        SQLSMALLINT nameLength = 0, sqlType = 0, digits = 0, nullable = 0;
        SQLULEN size = 0;
        CheckStmt(SQLDescribeColW(Stmt(), column, name, 512, &nameLength, &sqlType, &size, &digits, &nullable));
        SQLLEN isUnsigned = SQL_FALSE;
        SQLColAttributeW(Stmt(), column, SQL_DESC_UNSIGNED, nullptr, 0, nullptr, &isUnsigned);
        ColumnPlan plan = PlanColumn(sqlType, isUnsigned == SQL_TRUE);
        std::string fieldName = i < source_.columnNames.size()
                                    ? source_.columnNames[i]
                                    : FromWide(name, static_cast<std::size_t>(std::min<SQLSMALLINT>(nameLength, 511)));
        fields_.emplace_back(std::move(fieldName), plan.typeCode);
        reads_.push_back(plan.readAs);
    }
}

bool OdbcRecordset::FetchRow() {
    if (!open_) return false;
    SQLRETURN rc = SQLFetch(Stmt());
    if (rc == SQL_NO_DATA) {
        Finish();
        return false;
    }
    CheckStmt(rc);
    for (std::size_t i = 0; i < fields_.size(); ++i)
        fields_[i].SetValue(ReadValue(static_cast<SQLUSMALLINT>(i + 1), reads_[i]));
    return true;
}

Value OdbcRecordset::ReadValue(SQLUSMALLINT column, ReadAs how) {
    SQLHSTMT stmt = Stmt();
    SQLLEN indicator = 0;
    switch (how) {
        case ReadAs::Integer: {
            SQLBIGINT v = 0;
            CheckStmt(SQLGetData(stmt, column, SQL_C_SBIGINT, &v, 0, &indicator));
            return indicator == SQL_NULL_DATA ? Value::Null() : Value::Integer(v);
        }
        case ReadAs::UnsignedBigInt: {
            SQLUBIGINT v = 0;
            CheckStmt(SQLGetData(stmt, column, SQL_C_UBIGINT, &v, 0, &indicator));
            if (indicator == SQL_NULL_DATA) return Value::Null();
            if (v > static_cast<SQLUBIGINT>(std::numeric_limits<std::int64_t>::max()))
                return Value::Decimal(std::to_string(v));
            return Value::Integer(static_cast<std::int64_t>(v));
        }
        case ReadAs::Single: {
            SQLREAL v = 0;
            CheckStmt(SQLGetData(stmt, column, SQL_C_FLOAT, &v, 0, &indicator));
            return indicator == SQL_NULL_DATA ? Value::Null() : Value::Single(v);
        }
        case ReadAs::Double: {
            SQLDOUBLE v = 0;
            CheckStmt(SQLGetData(stmt, column, SQL_C_DOUBLE, &v, 0, &indicator));
            return indicator == SQL_NULL_DATA ? Value::Null() : Value::Double(v);
        }
        case ReadAs::Boolean: {
            unsigned char v = 0;
            CheckStmt(SQLGetData(stmt, column, SQL_C_BIT, &v, 0, &indicator));
            return indicator == SQL_NULL_DATA ? Value::Null() : Value::Boolean(v != 0);
        }
        case ReadAs::Date:
        case ReadAs::Timestamp: {
            SQL_TIMESTAMP_STRUCT v{};
            CheckStmt(SQLGetData(stmt, column, SQL_C_TYPE_TIMESTAMP, &v, sizeof v, &indicator));
            // MySQL's zero date stands for "no date".
            if (indicator == SQL_NULL_DATA || (v.year == 0 && v.month == 0 && v.day == 0)) return Value::Null();
            return Value::Date(ToDateTime(v));
        }
        case ReadAs::Time: {
            SQL_TIME_STRUCT v{};
            CheckStmt(SQLGetData(stmt, column, SQL_C_TYPE_TIME, &v, sizeof v, &indicator));
            if (indicator == SQL_NULL_DATA) return Value::Null();
            DateTime d;  // times sit on the zero day, as dates without a day part always have
            d.hour = v.hour;
            d.minute = v.minute;
            d.second = v.second;
            return Value::Date(d);
        }
        case ReadAs::Decimal: return ReadDecimal(column);
        case ReadAs::Text: return narrowText_ ? ReadUtf8Text(column) : ReadText(column);
        case ReadAs::Binary: return ReadBinary(column);
    }
    return Value::Null();
}

Value OdbcRecordset::ReadDecimal(SQLUSMALLINT column) {
    char text[128];
    SQLLEN indicator = 0;
    CheckStmt(SQLGetData(Stmt(), column, SQL_C_CHAR, text, sizeof text, &indicator));
    if (indicator == SQL_NULL_DATA) return Value::Null();
    std::size_t length = indicator >= 0 && static_cast<std::size_t>(indicator) < sizeof text
                             ? static_cast<std::size_t>(indicator)
                             : sizeof text - 1;
    return Value::Decimal(std::string(text, length));
}

// Long values come in chunks: each call returns what fits, with the
// truncation warning, until the last part comes with plain success.
Value OdbcRecordset::ReadText(SQLUSMALLINT column) {
    // Chunks are joined as UTF-16 first, so a character whose surrogate pair
    // is split between two chunks still comes out whole.
    std::vector<SQLWCHAR> joined;
    const SQLLEN bufferBytes = static_cast<SQLLEN>(wideBuffer_.size() * sizeof(SQLWCHAR));
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(Stmt(), column, SQL_C_WCHAR, wideBuffer_.data(), bufferBytes, &indicator);
        if (rc == SQL_NO_DATA) break;
        CheckStmt(rc);
        if (indicator == SQL_NULL_DATA) {
            if (first) return Value::Null();
            break;
        }
        bool whole = indicator != SQL_NO_TOTAL && indicator < bufferBytes;
        std::size_t units = whole ? static_cast<std::size_t>(indicator) / sizeof(SQLWCHAR) : wideBuffer_.size() - 1;
        if (first && whole) return Value::Text(FromWide(wideBuffer_.data(), units));
        joined.insert(joined.end(), wideBuffer_.begin(), wideBuffer_.begin() + static_cast<std::ptrdiff_t>(units));
        if (whole) break;
    }
    return Value::Text(FromWide(joined.data(), joined.size()));
}

Value OdbcRecordset::ReadUtf8Text(SQLUSMALLINT column) {
    std::string out;
    auto* buffer = reinterpret_cast<char*>(byteBuffer_.data());
    const auto bufferBytes = static_cast<SQLLEN>(byteBuffer_.size());
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(Stmt(), column, SQL_C_CHAR, buffer, bufferBytes, &indicator);
        if (rc == SQL_NO_DATA) break;
        CheckStmt(rc);
        if (indicator == SQL_NULL_DATA) {
            if (first) return Value::Null();
            break;
        }
        bool whole = indicator != SQL_NO_TOTAL && indicator < bufferBytes;
        out.append(buffer, whole ? static_cast<std::size_t>(indicator) : byteBuffer_.size() - 1);
        if (whole) break;
    }
    return Value::Text(std::move(out));
}

Value OdbcRecordset::ReadBinary(SQLUSMALLINT column) {
    Bytes out;
    const auto bufferBytes = static_cast<SQLLEN>(byteBuffer_.size());
    for (bool first = true;; first = false) {
        SQLLEN indicator = 0;
        SQLRETURN rc = SQLGetData(Stmt(), column, SQL_C_BINARY, byteBuffer_.data(), bufferBytes, &indicator);
        if (rc == SQL_NO_DATA) break;
        CheckStmt(rc);
        if (indicator == SQL_NULL_DATA) return first ? Value::Null() : Value::Binary(std::move(out));
        bool whole = indicator != SQL_NO_TOTAL && indicator <= bufferBytes;
        std::size_t bytes = whole ? static_cast<std::size_t>(indicator) : byteBuffer_.size();
        out.insert(out.end(), byteBuffer_.begin(), byteBuffer_.begin() + static_cast<std::ptrdiff_t>(bytes));
        if (whole) break;
    }
    return Value::Binary(std::move(out));
}

void OdbcRecordset::Finish() {
    if (!open_) return;
    std::shared_ptr<OdbcConnection> connection = open_->connection;
    OdbcHandle statement = std::move(open_->statement);
    open_.reset();
    // Closed and kept for the next statement before the handle is marked free.
    connection->ReturnStatement(std::move(statement));
    connection->SetBusy(false);
}

void OdbcRecordset::Rewind() {
    Finish();
    open_ = session_->Run(source_);
}

void OdbcRecordset::Release() { Finish(); }

}  // namespace qdt::db::odbc
