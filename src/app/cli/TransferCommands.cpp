#include "app/cli/TransferCommands.h"

#include <cstdio>

#include "app/cli/ProfileOptions.h"
#include "wizard/ConnectionCheck.h"
#include "data/run/TextStatus.h"
#include "wizard/TransferRun.h"

namespace qdt::app {

namespace {

// Prints each log addition as it happens, so a long run shows its progress;
// the window's "\r\n" line breaks become the terminal's "\n".
class ConsoleStatus : public run::TextStatus {
public:
    void AppendMessage(const std::string& m) override {
        TextStatus::AppendMessage(m);
        Print(m);
    }
    void AppendMessageConnect(const std::string& m) override {
        TextStatus::AppendMessageConnect(m);
        Print(m);
    }

private:
    static void Print(const std::string& m) {
        std::string out;
        for (std::size_t i = 0; i < m.size(); ++i) {
            if (m[i] == '\r' && i + 1 < m.size() && m[i + 1] == '\n') continue;
            out += m[i];
        }
        std::fwrite(out.data(), 1, out.size(), stdout);
        std::fflush(stdout);
    }
};

void Unselect(data::SelectionList& list, const std::vector<std::string>& names, const char* what) {
    for (const std::string& n : names)
        if (!list.Set(n, "n"))
            throw std::invalid_argument(std::string("There is no ") + what + " '" + n + "' to skip for this source.");
}

int Transfer(const std::vector<std::string>& args, bool executeSql) {
    TransferOptions options;
    try {
        options = ParseTransferOptions(args, executeSql);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "%s\n\nUsage:\n%s", e.what(), kTransferUsage);
        return 2;
    }
    ConsoleStatus status;
    run::RunContext ctx(status);
    ctx.intAction = executeSql ? run::kExecuteSql : run::kDataCopy;
    ctx.source = options.source;
    ctx.destination = options.destination;

    wizard::StepOutcome check = wizard::RunConnectionCheck(ctx);
    std::fputs("\n", stdout);
    if (!check.succeeded) {
        std::fprintf(stderr, "%s\n", check.messageBox.c_str());
        return 1;
    }
    try {
        Unselect(ctx.settings.CopyTableList, options.skipTables, "table to copy");
        Unselect(ctx.settings.CompareTableList, options.skipCompares, "table to compare");
        Unselect(ctx.settings.JobList, options.skipJobs, "job");
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    wizard::StepOutcome run = wizard::RunTransfer(ctx);
    std::fputs("\n", stdout);
    if (!run.succeeded) {
        std::fprintf(stderr, "%s\n", run.messageBox.c_str());
        return 1;
    }
    return 0;
}

}  // namespace

int CopyCommand(const std::vector<std::string>& args) { return Transfer(args, false); }
int ExecuteSqlCommand(const std::vector<std::string>& args) { return Transfer(args, true); }

}  // namespace qdt::app
