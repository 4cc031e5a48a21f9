#pragma once

#include "data/run/RunContext.h"
#include "wizard/StepOutcome.h"

namespace qdt::wizard {

// The work of the processing step: opens both sides anew from the connection
// strings the check stored, copies, compares and runs the jobs (or runs the
// script), and writes the closing report. A Data Copy runs in one transaction
// on the destination, so a failed run leaves it as it was, except for MySQL
// tables whose engine cannot roll back: the run warns about those before it
// writes and names the ones it reached after a failure. Never throws.
StepOutcome RunTransfer(run::RunContext& ctx);

}  // namespace qdt::wizard
