#pragma once

namespace qdt::db {

// The numeric data-type codes that the rest of the system reads from a field.
// The values are the ones shop databases have always reported, so rules keyed
// on them keep working whatever engine sits underneath.
enum DataType : int {
    kEmpty = 0,
    kSmallInt = 2,
    kInteger = 3,
    kSingle = 4,
    kDouble = 5,
    kCurrency = 6,
    kDate = 7,
    kBoolean = 11,
    kTinyInt = 16,
    kUnsignedTinyInt = 17,
    kBigInt = 20,
    kGuid = 72,
    kBinary = 128,
    kChar = 129,
    kWChar = 130,
    kDecimal = 131,
    kDBDate = 133,
    kDBTime = 134,
    kDBTimeStamp = 135,
    kVarChar = 200,
    kLongVarChar = 201,
    kVarWChar = 202,
    kLongVarWChar = 203,
    kVarBinary = 204,
    kLongVarBinary = 205,
};

}  // namespace qdt::db
