#include "db/odbc/OdbcTypes.h"

#include "db/DataType.h"

namespace qdt::db::odbc {

namespace {
// SQL Server types that FreeTDS reports with driver-specific codes.
constexpr SQLSMALLINT kSsTime2 = -154;
constexpr SQLSMALLINT kSsXml = -152;
}  // namespace

ColumnPlan PlanColumn(SQLSMALLINT sqlType, bool isUnsigned) {
    switch (sqlType) {
        case SQL_INTEGER: return {kInteger, ReadAs::Integer};
        case SQL_SMALLINT: return {kSmallInt, ReadAs::Integer};
        case SQL_TINYINT: return {kUnsignedTinyInt, ReadAs::Integer};
        case SQL_BIGINT: return {kBigInt, isUnsigned ? ReadAs::UnsignedBigInt : ReadAs::Integer};
        case SQL_REAL: return {kSingle, ReadAs::Single};
        case SQL_FLOAT:
        case SQL_DOUBLE: return {kDouble, ReadAs::Double};
        case SQL_DECIMAL:
        case SQL_NUMERIC: return {kDecimal, ReadAs::Decimal};
        case SQL_BIT: return {kBoolean, ReadAs::Boolean};
        case SQL_TYPE_DATE:
        case SQL_DATE: return {kDBDate, ReadAs::Date};
        case SQL_TYPE_TIME:
        case SQL_TIME:
        case kSsTime2: return {kDBTime, ReadAs::Time};
        case SQL_TYPE_TIMESTAMP:
        case SQL_TIMESTAMP: return {kDBTimeStamp, ReadAs::Timestamp};
        case SQL_CHAR: return {kChar, ReadAs::Text};
        case SQL_WCHAR: return {kWChar, ReadAs::Text};
        case SQL_VARCHAR: return {kVarChar, ReadAs::Text};
        case SQL_LONGVARCHAR: return {kLongVarChar, ReadAs::Text};
        case SQL_WVARCHAR: return {kVarWChar, ReadAs::Text};
        case SQL_WLONGVARCHAR:
        case kSsXml: return {kLongVarWChar, ReadAs::Text};
        case SQL_BINARY: return {kBinary, ReadAs::Binary};
        case SQL_VARBINARY: return {kVarBinary, ReadAs::Binary};
        case SQL_LONGVARBINARY: return {kLongVarBinary, ReadAs::Binary};
        case SQL_GUID: return {kGuid, ReadAs::Text};
        default: return {kVarChar, ReadAs::Text};
    }
}

}  // namespace qdt::db::odbc
