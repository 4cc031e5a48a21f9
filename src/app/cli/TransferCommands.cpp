#include "app/cli/TransferCommands.h"

#include <unistd.h>

#include <cstdio>
#include <fstream>

#include "app/cli/ConsoleStatus.h"
#include "app/cli/ProfileOptions.h"
#include "data/ConversionSettings.h"
#include "wizard/ConnectionCheck.h"
#include "data/run/TextStatus.h"
#include "wizard/TransferRun.h"
#include "wizard/report/RunReport.h"

namespace qdt::app {

namespace {

// The failure as the log shows it: "Error occurred!", the description, the
// statement that failed and, after a run, what became of the destination.
std::string FailureText(const std::string& log, const std::string& messageBox) {
    const std::size_t at = log.rfind("Error occurred!");
    std::string text = at == std::string::npos ? messageBox : log.substr(at);
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) out += text[i];
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out + "\n";
}

int Fail(ConsoleStatus& status, const std::string& log, const wizard::StepOutcome& outcome) {
    status.ClearProgress();
    std::fflush(stdout);
    std::fputs(FailureText(log, outcome.messageBox).c_str(), stderr);
    return kExitFailure;
}

// The image options go to the detected catalogue system's settings, over the
// defaults the check prepared.
void ApplyImageOptions(run::RunContext& ctx, const TransferOptions& options) {
    if (!options.copyImages && !options.imageFolder && !options.uploadsFolder) return;
    const std::optional<data::ImageSystem> system = data::ImageSystemOf(ctx.source.SystemName);
    if (!system)
        throw std::invalid_argument("--copy-images, --image-folder and --uploads-folder are for catalogue sources; "
                                    "this source was detected as " +
                                    ctx.source.SystemName + ".");
    data::ImageCopySetting& images = ctx.settings.ImageCopySettings[*system];
    if (options.copyImages) images.CopyImages = true;
    if (options.imageFolder) images.SourceDir = *options.imageFolder;
    if (options.uploadsFolder) images.DestinDir = *options.uploadsFolder;
}

void Unselect(data::SelectionList& list, const std::vector<std::string>& names, const char* what) {
    for (const std::string& n : names)
        if (!list.Set(n, "n"))
            throw std::invalid_argument(std::string("There is no ") + what + " '" + n + "' to skip for this source.");
}

// The report goes where --report says, also after a failure; a report
// that cannot be written is a failure of its own.
bool WriteReport(const TransferOptions& options, const wizard::report::RunReport& report) {
    if (options.reportFile.empty()) return true;
    std::ofstream out(options.reportFile, std::ios::binary | std::ios::trunc);
    out << wizard::report::ToJson(report);
    out.close();
    if (out) return true;
    std::fprintf(stderr, "The report could not be written to '%s'.\n", options.reportFile.c_str());
    return false;
}

void PrintSummary(const wizard::report::RunReport& report) {
    std::fflush(stdout);
    std::fputs(wizard::report::Summary(report).c_str(), stderr);
}

}  // namespace

int TransferCommand(const TransferOptions& options, bool executeSql) {
    namespace report = wizard::report;
    ConsoleStatus status(isatty(fileno(stderr)) != 0, isatty(fileno(stdout)) != 0);
    run::RunContext ctx(status);
    ctx.intAction = executeSql ? run::kExecuteSql : run::kDataCopy;
    ctx.source = options.source;
    ctx.destination = options.destination;
    report::RunReport record;

    const report::Clock::time_point checkStarted = report::Clock::now();
    wizard::StepOutcome check = wizard::RunConnectionCheck(ctx);
    std::fputs("\n", stdout);
    if (!check.succeeded) {
        report::CheckReport(record, ctx, check, checkStarted);
        const int code = Fail(status, status.txtConnect, check);
        return WriteReport(options, record) ? code : kExitFailure;
    }
    try {
        Unselect(ctx.settings.CopyTableList, options.skipTables, "table to copy");
        Unselect(ctx.settings.CompareTableList, options.skipCompares, "table to compare");
        Unselect(ctx.settings.JobList, options.skipJobs, "job");
        ApplyImageOptions(ctx, options);
    } catch (const std::invalid_argument& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return kExitUsage;
    }
    if (options.checkOnly) {
        report::CheckReport(record, ctx, check, checkStarted);
        return WriteReport(options, record) ? kExitSuccess : kExitFailure;
    }
    wizard::StepOutcome run = wizard::RunTransfer(ctx, {options.rehearse, &record});
    status.ClearProgress();
    std::fputs("\n", stdout);
    int code = kExitSuccess;
    if (!run.succeeded) code = Fail(status, status.txtStep2, run);
    else if (record.VerificationMismatch()) code = kExitNotMatched;
    PrintSummary(record);
    return WriteReport(options, record) ? code : kExitFailure;
}

}  // namespace qdt::app
