#include "wizard/report/RunReport.h"

#include <ctime>
#include <iomanip>
#include <sstream>

#include "data/ConversionSettings.h"
#include "data/Detection.h"
#include "db/SecretMask.h"
#include "importers/ImportFrame.h"

namespace qdt::wizard::report {

namespace {

const char* KindName(data::DatabaseKind kind) {
    switch (kind) {
        case data::kAccess: return "access";
        case data::kSqlServer: return "sqlserver";
        case data::kExcel: return "excel";
        case data::kTextFile: return "text";
        case data::kSqlFile: return "sql-file";
        case data::kMySql: return "mysql";
        case data::kSqlite: return "sqlite";
    }
    return "unknown";
}

bool InAFile(data::DatabaseKind kind) {
    return kind == data::kAccess || kind == data::kExcel || kind == data::kTextFile || kind == data::kSqlite ||
           kind == data::kSqlFile;
}

std::vector<std::string> Unselected(const data::SelectionList& list) {
    std::vector<std::string> names;
    for (const auto& [name, value] : list.Entries())
        if (value != "y") names.push_back(name);
    return names;
}

long Created(const run::RunTally& tally, const char* table) {
    const auto found = tally.rowsCreated.find(table);
    return found == tally.rowsCreated.end() ? 0 : found->second;
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find("\r\n", start);
        if (end == std::string::npos) end = text.size();
        if (end > start) lines.push_back(text.substr(start, end - start));
        start = end + 2;
    }
    return lines;
}

void Sides(RunReport& report, const run::RunContext& ctx) {
    // Execute SQL detects nothing: the check only names the database's kind.
    const bool detected = ctx.intAction == run::kDataCopy;
    report.source = SideOf(ctx.source, detected);
    report.destination = SideOf(ctx.destination, detected);
    report.action = ctx.intAction;
#ifdef QDT_VERSION
    report.toolVersion = QDT_VERSION;
#endif
}

void Failure(RunReport& report, const run::RunContext& ctx, const StepOutcome& outcome) {
    report.error = MaskPasswords(outcome.error, ctx);
    report.failedStatement = MaskPasswords(outcome.failedStatement, ctx);
}

}  // namespace

ReportSide SideOf(const data::ConnectionProfile& profile, bool detected) {
    ReportSide side;
    side.kind = KindName(profile.Kind);
    if (profile.Kind == data::kSqlFile) {
        side.file = profile.ScriptPath.empty() ? profile.Database : profile.ScriptPath;
    } else if (InAFile(profile.Kind)) {
        side.file = profile.Database;
        if (profile.Kind == data::kExcel) side.database = profile.Server;  // the worksheet
    } else {
        side.server = profile.Server;
        side.database = profile.Database;
        side.user = profile.Trusted ? std::string() : profile.User;
    }
    if (detected) {
        side.system = profile.SystemName;
        // The check finds only the version of a destination, which is a Quillmart shop by then.
        if (side.system.empty() && profile.Version != 0) side.system = data::kSystemQuillmart;
        if (!side.system.empty()) side.version = data::FormatVersion(profile.Version);
    }
    return side;
}

bool RunReport::VerificationMismatch() const {
    if (outcome != Outcome::kSucceeded) return false;
    for (const ReportTable& t : tables)
        if (!t.Matched()) return true;
    return false;
}

void BeginReport(RunReport& report, const run::RunContext& ctx, bool rehearsal) {
    report = RunReport();
    report.started = Clock::now();
    report.rehearsal = rehearsal;
    Sides(report, ctx);
    if (ctx.intAction != run::kDataCopy) return;
    const data::ConversionSettings& s = ctx.settings;
    if (const std::optional<data::ImageSystem> images = data::ImageSystemOf(ctx.source.SystemName)) {
        report.settings.images = s.ImageCopySettings[*images];
        return;
    }
    report.settings.tablesNotCopied = Unselected(s.CopyTableList);
    report.settings.tablesNotCompared = Unselected(s.CompareTableList);
    report.settings.jobsNotRun = Unselected(s.JobList);
    for (const auto& [name, value] : s.JobList.Entries())
        if (value == "y") report.settings.jobs.push_back(name);
}

void EndReport(RunReport& report, const run::RunContext& ctx, const StepOutcome& outcome) {
    report.ended = Clock::now();
    report.outcome = outcome.succeeded ? Outcome::kSucceeded : Outcome::kFailed;
    const run::RunTally& tally = ctx.tally;
    if (ctx.intAction == run::kExecuteSql) {
        report.script = ReportScript{tally.statementsRun, tally.batchesRun};
    } else if (data::ImageSystemOf(ctx.source.SystemName)) {
        ReportImport import;
        import.categories = Created(tally, importers::kProdTypeTable);
        import.products = Created(tally, importers::kProductsTable);
        import.versions = Created(tally, importers::kVersionsTable);
        import.links = Created(tally, importers::kLinkTable);
        import.relatedProducts = Created(tally, importers::kRelatedTable);
        import.taxRates = Created(tally, importers::kTaxRatesTable);
        import.imagesCopied = tally.imagesCopied;
        import.imagesMissing = tally.imagesMissing;
        report.import = import;
    } else {
        report.tables.clear();
        for (const run::CopiedTable& t : tally.copied)
            report.tables.push_back({t.table, t.rowsRead, t.rowsAfter, t.seconds});
    }
    report.warnings = Lines(MaskPasswords(ctx.strWarnings, ctx));
    if (!outcome.succeeded) Failure(report, ctx, outcome);
}

void CheckReport(RunReport& report, const run::RunContext& ctx, const StepOutcome& outcome,
                 Clock::time_point started) {
    report = RunReport();
    report.started = started;
    report.ended = Clock::now();
    Sides(report, ctx);
    report.outcome = outcome.succeeded ? Outcome::kCheckPassed : Outcome::kCheckFailed;
    if (!outcome.succeeded) Failure(report, ctx, outcome);
}

std::string MaskPasswords(std::string text, const run::RunContext& ctx) {
    for (const data::ConnectionProfile* side : {&ctx.source, &ctx.destination})
        if (!side->Password.empty()) text = db::MaskSecret(std::move(text), side->Password);
    return text;
}

std::string IsoTime(Clock::time_point t) {
    const std::time_t seconds = Clock::to_time_t(t);
    std::tm utc{};
    gmtime_r(&seconds, &utc);
    const auto millis =
        std::chrono::duration_cast<std::chrono::milliseconds>(t.time_since_epoch()).count() % 1000;
    std::ostringstream out;
    out << std::put_time(&utc, "%Y-%m-%dT%H:%M:%S") << '.' << std::setw(3) << std::setfill('0') << millis << 'Z';
    return out.str();
}

}  // namespace qdt::wizard::report
