#include "wizard/TransferRun.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <vector>
#include <optional>

#include "data/Detection.h"
#include "data/SetupJobs.h"
#include "data/Statement.h"
#include "data/TableComparison.h"
#include "data/TableCopy.h"
#include "db/Connection.h"
#include "db/Text.h"
#include "importers/CatalogueImport.h"
#include "wizard/FailureReport.h"
#include "wizard/RollbackSafety.h"
#include "sqlfile/SqlFileRunner.h"

namespace qdt::wizard {

namespace {

const std::string kBr = kLineBreak;

const std::string kCopyContext = "An error has occurred copying one of the tables. " + kBr +
                                 "This may be due to the correct database type not being selected." + kBr +
                                 "Please go back and check you have selected correctly.";

const char* const kMySqlBackslashEscapes =
    "SET SESSION sql_mode = TRIM(BOTH ',' FROM REPLACE(CONCAT(',', @@SESSION.sql_mode, ','), "
    "',NO_BACKSLASH_ESCAPES,', ','))";

struct Comparison {
    std::string destinationTable;
    std::string keyColumn;
    std::string valueColumn;
};

Comparison ComparisonFor(const std::string& table) {
    if (table == "tblQuillmartLanguageStrings") return {"tblQuillmartLanguageStrings1", "LS_ID", "LS_Value"};
    if (table == "tblQuillmartConfig") return {"tblQuillmartConfig", "CFG_Name", "CFG_Value"};
    return {table, "LS_ID", "LS_Value"};
}

class Run {
public:
    Run(run::RunContext& ctx, const RunOptions& options) : ctx_(ctx), status_(ctx.status), options_(options) {}

    StepOutcome Execute() {
        ctx_.strQuery.clear();
        // A second run must report only its own problems.
        ctx_.strWarnings.clear();
        ctx_.tally.Clear();
        if (options_.report) report::BeginReport(*options_.report, ctx_, options_.rehearse);
        status_.ClearMessages();
        StepOutcome outcome;
        try {
            status_.Yield();
            Body();
            outcome = outcome_;
        } catch (const std::exception& e) {
            outcome = Failed(e);
        }
        if (options_.report) report::EndReport(*options_.report, ctx_, outcome);
        return outcome;
    }

private:
    void Add(const std::string& text) { status_.AddMessage(text); }
    void Append(const std::string& text) { status_.AppendMessage(text); }
    void Yield() { status_.Yield(); }

    void Body() {
        if (options_.rehearse && ctx_.intAction == run::kExecuteSql)
            throw std::runtime_error("A rehearsal covers a Data Copy only: a script is not run in a rehearsal.");
        Add("Connecting to source database... ");
        Yield();
        source_.Open(ctx_.source.ConnectionString, 
                     ctx_.intAction == run::kDataCopy ? db::OpenMode::kReadOnly : db::OpenMode::kReadWrite);
        Append("done.");

        Add("Connecting to destination database... ");
        Yield();
        if (ctx_.intAction == run::kExecuteSql) {
            script_.open(ctx_.destination.ScriptPath, std::ios::binary);
            if (!script_)
                throw std::runtime_error("The .SQL file '" + ctx_.destination.ScriptPath + "' could not be opened.");
        } else {
            destination_.Open(ctx_.destination.ConnectionString);
            // Texts are written with backslashes doubled, which a server in
            // this mode would keep doubled.
            if (ctx_.destination.Kind == data::kMySql)
                data::ExecuteStatement(ctx_, destination_, kMySqlBackslashEscapes)->Close();
            destination_.BeginTrans();
            inTransaction_ = true;
        }
        Append("done.");
        Yield();

        if (ctx_.intAction == run::kExecuteSql) {
            sqlfile::ExecuteSQLFile(ctx_, source_, script_, ctx_.source.Kind);
        } else {
            DataCopy();
        }
        Close();
        Report();
    }

    void DataCopy() {
        const std::string& system = ctx_.source.SystemName;
        if (system == data::kSystemQuillmart) {
            QuillmartCopy();
            return;
        }
        WarnAboutTablesThatCannotRollBack();
        // The import checks its whole source first; only then may its tables change.
        images_ = importers::ImportCatalogue(ctx_, source_, destination_,
                                             [this] { Reach(importers::TablesTheImportWrites(ctx_.source.SystemName)); });
    }

    void QuillmartCopy() {
        data::ConversionSettings& s = ctx_.settings;
        s.CopyTableList.RemoveUnselected();
        s.CompareTableList.RemoveUnselected();
        s.JobList.RemoveUnselected();
        status_.SetBarMax(run::Bar::Total,
                          static_cast<double>(s.CopyTableList.Count() + s.CompareTableList.Count() + s.JobList.Count()));
        status_.SetBarValue(run::Bar::Total, 0);
        status_.SetBarValue(run::Bar::Current, 0);
        status_.SetBarMax(run::Bar::Current, 100);
        context_ = kCopyContext;
        WarnAboutTablesThatCannotRollBack();

        for (const auto& entry : s.CopyTableList.Entries()) {
            Reach({entry.first});
            const auto start = std::chrono::steady_clock::now();
            data::CopyTable(ctx_, entry.first, source_, destination_);
            ctx_.tally.Table(entry.first).seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            StepTotal();
        }
        if (options_.report) CountCopiedRows();
        for (const auto& entry : s.CompareTableList.Entries()) {
            Comparison c = ComparisonFor(entry.first);
            Reach({c.destinationTable});
            data::CompareTable(ctx_, entry.first, c.destinationTable, c.keyColumn, c.valueColumn, source_,
                               destination_);
            StepTotal();
        }
        if (s.JobList.Contains(data::kJobAdminLogin)) {
            Reach(TablesOfJob(data::kJobAdminLogin));
            data::AddAdminLogin(ctx_, source_, destination_);
            StepTotal(false);
        }
        Yield();
        if (s.JobList.Contains(data::kJobDownloadShippingRate)) {
            Reach(TablesOfJob(data::kJobDownloadShippingRate));
            data::AddDownloadShippingRate(ctx_, destination_);
            StepTotal(false);
        }
        Yield();
        if (s.JobList.Contains(data::kJobNewsPlaceholders)) {
            Reach(TablesOfJob(data::kJobNewsPlaceholders));
            data::AddNewsPlaceholders(ctx_, destination_);
            StepTotal(false);
        }
        Yield();
    }

    // The rows each copied table holds once the copy is done, for the
    // verification. Counted before the comparisons and the jobs, which add
    // rows of their own (the news placeholders, the download shipping rate).
    void CountCopiedRows() {
        for (run::CopiedTable& t : ctx_.tally.copied) {
            auto counted = data::ExecuteStatement(ctx_, destination_, "SELECT COUNT(*) FROM " + t.table);
            t.rowsAfter = static_cast<long>(counted->Fields(std::size_t{0}).Value().ToInteger());
            counted->Close();
        }
    }

    // Tables whose engine cannot roll back keep whatever the run writes to
    // them, whatever happens later: say so before anything is written.
    void WarnAboutTablesThatCannotRollBack() {
        cannotRollBack_ = TablesThatCannotRollBack(ctx_, destination_, TablesTheRunWrites(ctx_));
        // A rehearsal promises to leave the destination as it was.
        if (options_.rehearse && !cannotRollBack_.empty())
            throw std::runtime_error("A rehearsal cannot run on this destination, since it has tables that cannot "
                                     "roll back. " +
                                     CannotRollBackWarning(cannotRollBack_));
        if (!cannotRollBack_.empty()) ctx_.strWarnings += "- " + CannotRollBackWarning(cannotRollBack_) + kBr;
    }

    // The tables the next piece of work writes; from here on they may hold changes.
    void Reach(const std::vector<std::string>& tables) {
        for (const std::string& table : tables)
            for (const TableEngine& t : cannotRollBack_)
                if (db::EqualsIgnoreCase(t.table, table) &&
                    std::find(changedAnyway_.begin(), changedAnyway_.end(), t.table) == changedAnyway_.end())
                    changedAnyway_.push_back(t.table);
    }

    void StepTotal(bool yield = true) {
        status_.SetBarValue(run::Bar::Total, status_.BarValue(run::Bar::Total) + 1);
        if (yield) Yield();
    }

    void Close() {
        Yield();
        if (inTransaction_) {
            if (options_.rehearse) destination_.RollbackTrans();
            else destination_.CommitTrans();
            inTransaction_ = false;
        }
        // A rehearsal drops the staged files, which leaves the folders as they were.
        if (options_.rehearse) images_.reset();
        // The import's image files wait for the rows: only now do they replace the old ones.
        if (images_) {
            for (const std::string& problem : images_->Publish()) ctx_.strWarnings += problem + kBr;
            images_.reset();
        }
        // From here the work is saved: a cancel request can no longer undo it,
        // so the closing steps only let the window breathe.
        Add("Closing Databases... ");
        Breathe();
        source_.Close();
        Breathe();
        if (ctx_.intAction == run::kExecuteSql) script_.close();
        else destination_.Close();
        Breathe();
        outcome_.backEnabled = outcome_.nextEnabled = true;
        Append("done.");
        Breathe();
    }

    void Breathe() {
        try {
            status_.Yield();
        } catch (const run::OperationCancelled&) {
        }
    }

    void Report() {
        if (!ctx_.strWarnings.empty())
            Add(kBr + "The following problems were encountered;" + kBr + ctx_.strWarnings);
        Add(kBr + "Data Transfer Successful!");
        if (options_.rehearse) Add(kRehearsalLine);
        outcome_.succeeded = true;
    }

    StepOutcome Failed(const std::exception& error) {
        Add(ErrorLogText(error.what(), ctx_.strQuery));
        if (inTransaction_) {
            RollbackFacts facts;
            facts.connectionLost = IsConnectionLost(error);
            facts.changedAnyway = changedAnyway_;
            try {
                destination_.RollbackTrans();
            } catch (const std::exception& e) {
                facts.rollbackError = e.what();
                facts.connectionLost |= IsConnectionLost(e);
            }
            Add(RollbackLine(facts));
        }
        // The shop keeps its old image files; the staged ones go.
        images_.reset();
        if (script_.is_open()) script_.close();
        if (options_.rehearse) Add(kRehearsalLine);
        StepOutcome out = FailedOutcome(context_ + kBr + kBr + kSeeStatusWindow);
        out.error = error.what();
        out.failedStatement = ctx_.strQuery;
        return out;
    }

    run::RunContext& ctx_;
    run::Status& status_;
    const RunOptions& options_;
    std::string context_;
    StepOutcome outcome_;
    db::Connection source_;
    db::Connection destination_;
    std::ifstream script_;
    std::optional<importers::ImageFiles> images_;
    bool inTransaction_ = false;
    std::vector<TableEngine> cannotRollBack_;
    // Of those, the ones the run has begun to write.
    std::vector<std::string> changedAnyway_;
};

}  // namespace

StepOutcome RunTransfer(run::RunContext& ctx) { return RunTransfer(ctx, RunOptions{}); }

StepOutcome RunTransfer(run::RunContext& ctx, const RunOptions& options) { return Run(ctx, options).Execute(); }

}  // namespace qdt::wizard
