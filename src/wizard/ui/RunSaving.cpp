#include "wizard/ui/RunSaving.h"

#include <cstdio>
#include <exception>

#include "wizard/report/SavedRuns.h"

namespace qdt::wizard::ui {

void SaveRunQuietly(const run::RunContext& ctx, const report::RunReport& record, const QtStatus& status) {
    try {
        report::SaveRun(report::RunsFolder(), record, report::MaskPasswords(status.ConnectText(), ctx),
                        report::MaskPasswords(status.Step2Text(), ctx));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "The run's log and report could not be saved: %s\n", e.what());
    }
}

}  // namespace qdt::wizard::ui
