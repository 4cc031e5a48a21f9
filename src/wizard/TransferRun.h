#pragma once

#include "data/run/RunContext.h"
#include "wizard/StepOutcome.h"
#include "wizard/report/RunReport.h"

namespace qdt::wizard {

// The last line of a rehearsal's log.
inline constexpr const char* kRehearsalLine =
    "Rehearsal: nothing was kept. The destination database and the image folders are as they were.";

struct RunOptions {
    // Run everything inside the destination transaction, then roll it back
    // and leave the image folders alone. Refused, before anything is written,
    // when the destination has tables that cannot roll back; a Data Copy only.
    bool rehearse = false;
    // Filled with what the run did, when given.
    report::RunReport* report = nullptr;
};

// The work of the processing step: opens both sides anew from the connection
// strings the check stored, copies, compares and runs the jobs (or runs the
// script), and writes the closing report. A Data Copy runs in one transaction
// on the destination, so a failed run leaves it as it was, except for MySQL
// tables whose engine cannot roll back: the run warns about those before it
// writes and names the ones it reached after a failure. Never throws.
StepOutcome RunTransfer(run::RunContext& ctx);
// With a report asked for, the rows of every table a Quillmart copy copied
// are counted in the destination once the copy is done, for the report's
// verification.
StepOutcome RunTransfer(run::RunContext& ctx, const RunOptions& options);

}  // namespace qdt::wizard
