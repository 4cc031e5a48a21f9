#pragma once

#include "data/run/RunContext.h"
#include "wizard/report/RunReport.h"
#include "wizard/ui/QtStatus.h"

namespace qdt::wizard::ui {

// Keeps the run's two logs, as the window shows them, and its report in a
// folder of its own under report::RunsFolder(), passwords masked. A run that
// cannot be saved is not a failure of the run: the reason goes to stderr and
// the window stays as it is.
void SaveRunQuietly(const run::RunContext& ctx, const report::RunReport& record, const QtStatus& status);

}  // namespace qdt::wizard::ui
