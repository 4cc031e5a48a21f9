#pragma once

#include <string>

#include "db/Value.h"

namespace qdt::db::access {

// Access keeps a date as a double: whole days since 1899-12-30, the fraction
// being the time of day. Before that day the whole part is still the (negative)
// day offset while the fraction's absolute value is the time, so -1.5 is
// 1899-12-29 12:00. Times are rounded to the nearest second, as Access shows them.
DateTime DateFromAccessDouble(double value);

}  // namespace qdt::db::access

namespace qdt::db::access {

// Reads the text between the # signs of an Access date literal: 2004/3/7,
// 2004-03-07 9:05:02, 3/7/2004 (month first, as Access reads these), 3/7/04,
// 7-Mar-2004, March 7, 2004, a time alone (9:05 PM, the date being 1899-12-30),
// or a date and a time. False when the text is none of these or no real date.
bool ParseAccessDateLiteral(const std::string& text, DateTime& out);

}  // namespace qdt::db::access
