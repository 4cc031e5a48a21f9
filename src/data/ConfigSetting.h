#pragma once

#include <cstdint>
#include <string>

#include "db/Connection.h"
#include "db/Value.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// CFG_Value of the first tblQuillmartConfig row named name, as text (Null
// gives empty text). A database without that setting is an error: the old
// shop's configuration is incomplete and the caller cannot go on.
std::string ReadConfigSetting(run::RunContext& ctx, db::Connection& conn, const std::string& name);

// A value as a signed 16-bit whole number, rounded half to even; what is not
// a number or lies outside the range is an error naming the setting.
std::int16_t ToSmallWholeNumber(const db::Value& value, const std::string& what);

}  // namespace qdt::data
