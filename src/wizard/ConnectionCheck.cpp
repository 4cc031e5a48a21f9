#include "wizard/ConnectionCheck.h"

#include <fstream>
#include <optional>

#include "data/ConversionSettings.h"
#include "wizard/FailureReport.h"
#include "wizard/OwnError.h"
#include "wizard/RollbackSafety.h"
#include "data/Detection.h"
#include "data/Statement.h"
#include "db/Connection.h"

namespace qdt::wizard {

namespace {

const std::string kBr = kLineBreak;
const std::string kCheckDetails = kBr + "Please go back and ensure that the database details are set up correctly.";

const std::string kContextSame = "Trying to connect to the same databases!";
const std::string kContextSource = "An error occurred trying to connect to the source database." + kCheckDetails;
const std::string kContextDestination =
    "An error occurred trying to connect to the destination database." + kCheckDetails;
const std::string kContextDestinationVersion =
    "An error occurred when trying to detect the version of the destination database." + kBr +
    "Please go back and check you've selected the correct database.";
const std::string kContextScript =
    "An error occurred trying to open the .SQL file." + kBr + "Please go back and ensure that the file exists.";

class Check {
public:
    explicit Check(run::RunContext& ctx) : ctx_(ctx), status_(ctx.status) {}

    StepOutcome Run() {
        ctx_.strQuery.clear();
        status_.ClearMessages();
        status_.ClearMessagesConnect();
        try {
            Body();
            return outcome_;
        } catch (const OwnError& e) {
            return Failed(e.what(), true);
        } catch (const std::exception& e) {
            return Failed(e.what(), false);
        }
    }

private:
    void Log(const std::string& text) {
        status_.AddMessageConnect(text);
        status_.Yield();
    }
    void Append(const std::string& text) {
        status_.AppendMessageConnect(text);
        status_.Yield();
    }

    void Body() {
        data::ConnectionProfile& src = ctx_.source;
        data::ConnectionProfile& dst = ctx_.destination;
        src.ConnectionString = data::GetConnectionString(src);
        dst.ConnectionString = data::GetConnectionString(dst);

        context_ = kContextSame;
        if (src.ConnectionString == dst.ConnectionString)
            throw OwnError(1001, "Both the source and destination databases are same!" + kCheckDetails);

        context_ = kContextSource;
        Log(std::string("Testing ") + data::DatabaseKindCaption(src.Kind) + " source connection... ");
        source_.Open(src.ConnectionString, 
                     ctx_.intAction == run::kDataCopy ? db::OpenMode::kReadOnly : db::OpenMode::kReadWrite);
        if (src.Kind == data::kExcel) ProbeWorksheet();
        Append("done.");
        Log("Detecting version...");
        DetectSource();

        if (ctx_.intAction == run::kDataCopy) {
            CheckDestinationDatabase();
            data::PrepareConversionSettings(ctx_.settings, src, dst);
            WarnAboutTablesThatCannotRollBack();
        } else {
            CheckScriptFile();
        }

        source_.Close();
        destination_.Close();
        outcome_.succeeded = true;
        outcome_.backEnabled = outcome_.nextEnabled = outcome_.tablesEnabled = true;
        outcome_.cancelEnabled = true;
    }

    // An Excel source must have the chosen sheet, or any sheet at all.
    void ProbeWorksheet() {
        const std::string& sheet = ctx_.source.Server;
        if (!sheet.empty()) {
            data::ExecuteStatement(ctx_, source_, "SELECT TOP 1 * FROM [" + sheet + "$]")->Close();
            return;
        }
        auto rs = source_.OpenSchema();
        if (rs->Eof()) throw std::runtime_error("The Excel file '" + ctx_.source.Database + "' has no worksheet.");
        rs->Close();
    }

    void DetectSource() {
        data::ConnectionProfile& src = ctx_.source;
        std::string appended;
        if (src.Kind == data::kExcel || src.Kind == data::kTextFile) {
            src.SystemName = data::kSystemFlatFile;
            src.Version = 0;
            bool excel = src.Kind == data::kExcel;
            appended = excel ? "Set to Excel Spreadsheet" : "Set To Text File";
            outcome_.txtSource = excel ? "Excel Spreadsheet" : "Text File";
        } else if (ctx_.intAction == run::kDataCopy) {
            src.SystemName = data::DetectSourceSystem(source_);
            src.Version = data::GetSchemaVersion(ctx_, src, source_);
            outcome_.txtSource = src.SystemName + " v" + data::FormatVersion(src.Version);
            appended = "Set to " + outcome_.txtSource;
        } else {
            src.SystemName = data::kSystemQuillmart;
            src.Version = 0;
            appended = "Set To Blank SQL File";
            outcome_.txtSource = src.Kind == data::kSqlServer ? "SQL Server"
                                 : src.Kind == data::kSqlite  ? "SQLite"
                                                              : "MySQL";
        }
        Append(appended);
    }

    void CheckDestinationDatabase() {
        data::ConnectionProfile& dst = ctx_.destination;
        context_ = kContextDestination;
        Log(std::string("Testing ") + data::DatabaseKindCaption(dst.Kind) + " destination connection... ");
        // A failure to connect must not be shown with the source's last probe.
        ctx_.strQuery.clear();
        if (dst.Kind == data::kAccess)
            throw OwnError(1005, "Access files can be read as a source but not written on this system." + kBr +
                                     "Please go back and choose a SQL Server, MySQL or SQLite database as the "
                                     "destination.");
        destination_.Open(dst.ConnectionString);
        Append("done.");

        context_ = kContextDestinationVersion;
        Log("Detecting version...");
        dst.Version = data::GetQuillmartVersion(ctx_, dst, destination_);
        std::string shown = data::FormatVersion(dst.Version);
        Append("Set to Quillmart v" + shown);
        outcome_.txtDestin = "Quillmart v" + shown;
        ApplyVersionGate();
    }

    void ApplyVersionGate() {
        const float s = ctx_.source.Version;
        const float d = ctx_.destination.Version;
        const std::string sv = data::FormatVersion(s);
        const std::string dv = data::FormatVersion(d);
        if (ctx_.source.SystemName == data::kSystemQuillmart) {
            if (d < 5.0f)
                throw OwnError(1002, "The destination database has been detected as v" + dv + "." + kBr +
                                         "This wizard can only upgrade to version 5 databases." + kBr + kBr +
                                         "Please go back and select a Quillmart 5 database.");
            if (d < s)
                throw OwnError(1003, "The source database has been detected as a v" + sv +
                                         " and the destination database a v" + dv + "." + kBr +
                                         "This wizard cannot 'downgrade' databases to a previous version." + kBr +
                                         kBr + "Please go back select different databases.");
        } else if (d < 5.104f) {
            throw OwnError(1004, "The destination database has been detected as v" + dv +
                                     ". If needs to be the latest version, v5.104. Please go back and select a new "
                                     "database.");
        }
    }

    // A warning, not a refusal: old shop databases often keep MyISAM tables.
    void WarnAboutTablesThatCannotRollBack() {
        const auto tables = TablesThatCannotRollBack(ctx_, destination_, TablesTheRunWrites(ctx_));
        if (!tables.empty()) Log("Warning: " + CannotRollBackWarning(tables));
    }

    void CheckScriptFile() {
        context_ = kContextScript;
        Log("Testing opening the .SQL file... ");
        const std::string& path = ctx_.destination.ScriptPath;
        std::ifstream file(path, std::ios::binary);
        if (!file) throw std::runtime_error("The .SQL file '" + path + "' could not be opened.");
        file.close();
        Append("done.");
        outcome_.txtDestin = ".SQL File";
    }

    StepOutcome Failed(const std::string& description, bool own) {
        // Logging must not be cut short by a cancel request: the report is what the user needs.
        status_.AddMessageConnect(ErrorLogText(description, ctx_.strQuery));
        StepOutcome out = FailedOutcome(own ? context_ + kBr + kBr + description + kBr + kBr + kSeeStatusWindow
                                            : context_ + kBr + kBr + kSeeStatusWindow);
        out.txtSource = outcome_.txtSource;
        out.txtDestin = outcome_.txtDestin;
        out.error = description;
        out.failedStatement = ctx_.strQuery;
        return out;
    }

    run::RunContext& ctx_;
    run::Status& status_;
    std::string context_;
    StepOutcome outcome_;
    db::Connection source_;
    db::Connection destination_;
};

}  // namespace

StepOutcome RunConnectionCheck(run::RunContext& ctx) { return Check(ctx).Run(); }

}  // namespace qdt::wizard
