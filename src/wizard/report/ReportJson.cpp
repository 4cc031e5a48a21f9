// The only place that writes JSON: the run report's document.
#include <nlohmann/json.hpp>

#include <cmath>

#include "wizard/report/RunReport.h"

namespace qdt::wizard::report {

namespace {

using nlohmann::ordered_json;

const char* OutcomeName(Outcome outcome) {
    switch (outcome) {
        case Outcome::kCheckFailed: return "check-failed";
        case Outcome::kCheckPassed: return "check-passed";
        case Outcome::kSucceeded: return "succeeded";
        case Outcome::kFailed: return "failed";
    }
    return "failed";
}

// Empty texts are left out, so a file side has no server and a server side no file.
ordered_json Side(const ReportSide& side) {
    ordered_json j;
    j["kind"] = side.kind;
    for (const auto& [key, value] : {std::pair{"file", &side.file}, std::pair{"server", &side.server},
                                     std::pair{"database", &side.database}, std::pair{"user", &side.user},
                                     std::pair{"system", &side.system}, std::pair{"version", &side.version}})
        if (!value->empty()) j[key] = *value;
    return j;
}

double Rounded(double seconds) { return std::round(seconds * 1000.0) / 1000.0; }

ordered_json Settings(const ReportSettings& s) {
    ordered_json j;
    j["tablesNotCopied"] = s.tablesNotCopied;
    j["tablesNotCompared"] = s.tablesNotCompared;
    j["jobs"] = s.jobs;
    j["jobsNotRun"] = s.jobsNotRun;
    if (s.images) {
        j["images"] = {{"copy", s.images->CopyImages},
                       {"sourceFolder", s.images->SourceDir},
                       {"uploadsFolder", s.images->DestinDir}};
    }
    return j;
}

ordered_json Copy(const std::vector<ReportTable>& tables) {
    ordered_json list = ordered_json::array();
    bool allMatched = true;
    for (const ReportTable& t : tables) {
        ordered_json row;
        row["table"] = t.table;
        row["rowsRead"] = t.rowsRead;
        row["rowsAfter"] = t.rowsAfter ? ordered_json(*t.rowsAfter) : ordered_json(nullptr);
        row["seconds"] = Rounded(t.seconds);
        row["matched"] = t.Matched();
        allMatched &= t.Matched();
        list.push_back(std::move(row));
    }
    return {{"tables", std::move(list)}, {"verification", allMatched ? "matched" : "NOT MATCHED"}};
}

}  // namespace

std::string ToJson(const RunReport& r) {
    ordered_json j;
    j["format"] = 1;
    j["tool"] = {{"name", "Quillmart Data Tool"}, {"version", r.toolVersion}};
    j["action"] = r.action == run::kExecuteSql ? "execute-sql" : "data-copy";
    j["rehearsal"] = r.rehearsal;
    j["started"] = IsoTime(r.started);
    j["ended"] = IsoTime(r.ended);
    j["seconds"] = Rounded(std::chrono::duration<double>(r.ended - r.started).count());
    j["source"] = Side(r.source);
    j["destination"] = Side(r.destination);
    if (r.action == run::kDataCopy) j["settings"] = Settings(r.settings);
    j["outcome"] = OutcomeName(r.outcome);
    // Whether the destination keeps what the run wrote.
    j["kept"] = r.outcome == Outcome::kSucceeded && !r.rehearsal;
    if (r.action == run::kDataCopy && !r.import && r.outcome != Outcome::kCheckFailed &&
        r.outcome != Outcome::kCheckPassed)
        j["copy"] = Copy(r.tables);
    if (r.import) {
        const ReportImport& i = *r.import;
        j["import"] = {{"categories", i.categories},     {"products", i.products},
                       {"versions", i.versions},         {"links", i.links},
                       {"relatedProducts", i.relatedProducts}, {"taxRates", i.taxRates},
                       {"imagesCopied", i.imagesCopied}, {"imagesMissing", i.imagesMissing}};
    }
    if (r.script) j["script"] = {{"statements", r.script->statements}, {"batches", r.script->batches}};
    j["warnings"] = r.warnings;
    if (r.Succeeded()) j["error"] = nullptr;
    else j["error"] = {{"description", r.error}, {"statement", r.failedStatement}};
    // Texts the tool did not make itself (file names, driver messages) may not
    // be valid UTF-8; they are written with the bad bytes replaced.
    return j.dump(2, ' ', false, ordered_json::error_handler_t::replace) + "\n";
}

}  // namespace qdt::wizard::report
