#pragma once

#include "data/run/RunContext.h"
#include "wizard/StepOutcome.h"

namespace qdt::wizard {

// Tests both sides before anything is copied: builds the connection strings,
// refuses identical or unconvertible pairs, detects the source system and the
// versions, and prepares the conversion settings. Reports in the check's log;
// never throws.
StepOutcome RunConnectionCheck(run::RunContext& ctx);

}  // namespace qdt::wizard
