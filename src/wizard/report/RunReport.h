#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "data/run/RunContext.h"
#include "wizard/StepOutcome.h"

namespace qdt::wizard::report {

using Clock = std::chrono::system_clock;

// One side as the report names it: never a password or a connection string.
struct ReportSide {
    std::string kind;  // access, sqlserver, mysql, sqlite, excel, text, sql-file
    std::string file;
    std::string server;
    std::string database;
    std::string user;
    std::string system;   // detected: Quillmart, Flat File, ...; empty before the check
    std::string version;  // detected, as the check shows it: 4.6, 5.104
};

struct ReportSettings {
    std::vector<std::string> tablesNotCopied;
    std::vector<std::string> tablesNotCompared;
    std::vector<std::string> jobsNotRun;
    std::vector<std::string> jobs;  // the selected ones, in their order
    // Image options of a catalogue source.
    std::optional<data::ImageCopySetting> images;
};

struct ReportTable {
    std::string table;
    long rowsRead = 0;
    std::optional<long> rowsAfter;
    double seconds = 0;
    // The destination holds as many rows as were read.
    bool Matched() const { return rowsAfter && *rowsAfter == rowsRead; }
};

struct ReportImport {
    long categories = 0;
    long products = 0;
    long versions = 0;
    long links = 0;
    long relatedProducts = 0;
    long taxRates = 0;
    long imagesCopied = 0;
    long imagesMissing = 0;
};

struct ReportScript {
    long statements = 0;
    long batches = 0;
};

enum class Outcome { kCheckFailed, kCheckPassed, kSucceeded, kFailed };

// What one run (or one check alone) did, for the JSON report and the human
// summary. Filled by BeginReport and EndReport around the run, or by
// CheckReport after a check that is not followed by a run.
struct RunReport {
    std::string toolVersion;
    int action = run::kDataCopy;
    bool rehearsal = false;
    Clock::time_point started{};
    Clock::time_point ended{};
    ReportSide source;
    ReportSide destination;
    ReportSettings settings;
    Outcome outcome = Outcome::kCheckFailed;
    // Data Copy of a Quillmart source, in copy order.
    std::vector<ReportTable> tables;
    std::optional<ReportImport> import;
    std::optional<ReportScript> script;
    std::vector<std::string> warnings;
    // On failure: the description and the statement under way, passwords masked.
    std::string error;
    std::string failedStatement;

    bool Succeeded() const { return outcome == Outcome::kSucceeded || outcome == Outcome::kCheckPassed; }
    // A run that ended in success but whose destination does not hold what was read.
    bool VerificationMismatch() const;
};

// The side as the report shows it, from a profile (the check's findings included).
ReportSide SideOf(const data::ConnectionProfile& profile, bool detected);

// Before the run changes the settings: the time, the sides and the choices.
void BeginReport(RunReport& report, const run::RunContext& ctx, bool rehearsal);
// After the run: the time, the outcome, the counts, the warnings and the error.
void EndReport(RunReport& report, const run::RunContext& ctx, const StepOutcome& outcome);
// A check with no run after it (it failed, or only the check was asked for).
void CheckReport(RunReport& report, const run::RunContext& ctx, const StepOutcome& outcome,
                 Clock::time_point started);

// The text with every password of the two sides masked.
std::string MaskPasswords(std::string text, const run::RunContext& ctx);

// An instant as the report writes it: 2026-12-06T13:40:42.123Z.
std::string IsoTime(Clock::time_point t);

// The report as one JSON document (described in docs/run-report.md).
std::string ToJson(const RunReport& report);
// A short summary for people: the outcome and, for a copy, a table of the
// per-table counts marked matched or NOT MATCHED. "\n" line ends.
std::string Summary(const RunReport& report);

}  // namespace qdt::wizard::report
