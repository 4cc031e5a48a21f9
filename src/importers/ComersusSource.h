#pragma once

#include <cstdint>
#include <string>

#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "db/Recordset.h"
#include "db/Value.h"

namespace qdt::importers {

// Refuses, before anything is changed, a source that lacks a table or a
// column the Comersus import reads, with one error naming every one missing.
// A database is taken for Comersus by a single table name, so an unrelated
// database with an adminStats table must stop here, not part-way.
void CheckComersusSource(run::RunContext& ctx, db::Connection& source);

// The filter that leaves out hidden products. A Yes/No column of an Access
// file is true as -1 in Jet but 1 in the snapshot it is read from, so the
// Access form also leaves out True.
std::string ComersusVisibleProducts(data::DatabaseKind sourceKind);

// Comersus keeps its flags as -1 for true; a Yes/No column read as a boolean
// counts when it is true.
bool ComersusTrue(const db::Value& value);

// Readers of one column of the current row. Each refuses a value it cannot
// use with an error naming the row (where: "product 12 ('Blue mug')"), the
// column and the value.
// A number (a Null or empty text is an error).
double ComersusNumber(const db::Recordset& rows, const char* column, const std::string& where);
// A number, 0 when Null or empty.
double ComersusNumberOrZero(const db::Recordset& rows, const char* column, const std::string& where);
// A 32-bit float, as the shop's prices and weights are kept.
float ComersusSingle(const db::Recordset& rows, const char* column, const std::string& where);
// A whole number within 32 bits (halves go to the even neighbour).
std::int32_t ComersusWhole(double value, const char* column, const std::string& where);
std::int32_t ComersusId(const db::Recordset& rows, const char* column, const std::string& where);

}  // namespace qdt::importers
