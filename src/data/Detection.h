#pragma once

#include <string>

#include "data/run/ConnectionProfile.h"
#include "db/Connection.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// The shop systems a source may hold, as stored in ConnectionProfile::SystemName.
inline constexpr const char* kSystemQuillmart = "Quillmart";
inline constexpr const char* kSystemVpasp = "VPASP";
inline constexpr const char* kSystemActinic = "Actinic";
inline constexpr const char* kSystemComersus = "Comersus";
inline constexpr const char* kSystemFlatFile = "Flat File";

// Names the shop system of an open source database from its table names:
// any table starting with tblQuillmart (in any case) means Quillmart, a table
// "Catalog section" Actinic, "adminStats" Comersus, and anything else VPASP.
std::string DetectSourceSystem(db::Connection& conn);

// The schema version for the profile's SystemName: the probed Quillmart
// version, 5 for VPASP and Comersus, 61 for Actinic, 0 otherwise.
float GetSchemaVersion(run::RunContext& ctx, const ConnectionProfile& profile, db::Connection& conn);

// The Quillmart schema version (4.5 to 5.104), told from the columns of the
// order-numbers and versions tables. Both tables must exist.
float GetQuillmartVersion(run::RunContext& ctx, const ConnectionProfile& profile, db::Connection& conn);

// A version as the user sees it: 4.5, 5, 5.104, 61.
std::string FormatVersion(float version);

}  // namespace qdt::data
