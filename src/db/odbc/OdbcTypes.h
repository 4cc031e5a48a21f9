#pragma once

#include <sql.h>
#include <sqlext.h>

namespace qdt::db::odbc {

// How a column's values are fetched from the driver.
enum class ReadAs { Integer, UnsignedBigInt, Single, Double, Decimal, Boolean, Date, Time, Timestamp, Text, Binary };

struct ColumnPlan {
    int typeCode;
    ReadAs readAs;
};

// The type code and fetch method for a column the driver describes as
// sqlType. Tiny integers give 17 whether signed or not, as they do from
// every other provider, so rules keyed on the code see one kind of tiny
// integer; the values are read as 64-bit integers, so a sign is never lost.
// Types with no code of their own (intervals, driver-specific ones) are read
// as text and reported as variable-length text.
ColumnPlan PlanColumn(SQLSMALLINT sqlType, bool isUnsigned);

}  // namespace qdt::db::odbc
