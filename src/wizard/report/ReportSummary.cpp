#include <algorithm>
#include <cstdio>

#include "wizard/report/RunReport.h"

namespace qdt::wizard::report {

namespace {

std::string Padded(std::string text, std::size_t width, bool right) {
    if (text.size() >= width) return text;
    const std::string blanks(width - text.size(), ' ');
    return right ? blanks + text : text + blanks;
}

std::string Seconds(double seconds) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.2f", seconds);
    return buffer;
}

std::string OutcomeLine(const RunReport& r) {
    switch (r.outcome) {
        case Outcome::kCheckFailed: return "The check failed: nothing was changed.";
        case Outcome::kCheckPassed: return "The check passed: the run would be allowed.";
        case Outcome::kFailed: return "The run failed.";
        case Outcome::kSucceeded: break;
    }
    if (r.VerificationMismatch()) return "The run ended, but the destination does not hold every row read: NOT MATCHED.";
    return r.rehearsal ? "The rehearsal succeeded; nothing was kept." : "The run succeeded.";
}

void CopyTable(std::string& out, const std::vector<ReportTable>& tables) {
    std::size_t width = std::string("Table").size();
    for (const ReportTable& t : tables) width = std::max(width, t.table.size());
    out += Padded("Table", width, false) + "  " + Padded("Read", 9, true) + "  " + Padded("After", 9, true) + "  " +
           Padded("Seconds", 8, true) + "  Verification\n";
    for (const ReportTable& t : tables) {
        out += Padded(t.table, width, false) + "  " + Padded(std::to_string(t.rowsRead), 9, true) + "  " +
               Padded(t.rowsAfter ? std::to_string(*t.rowsAfter) : "-", 9, true) + "  " +
               Padded(Seconds(t.seconds), 8, true) + "  " + (t.Matched() ? "matched" : "NOT MATCHED") + "\n";
    }
}

}  // namespace

std::string Summary(const RunReport& r) {
    std::string out = "Run report: " + OutcomeLine(r) + "\n";
    if (!r.tables.empty()) CopyTable(out, r.tables);
    if (r.import) {
        const ReportImport& i = *r.import;
        out += "Created: " + std::to_string(i.categories) + " categories, " + std::to_string(i.products) +
               " products, " + std::to_string(i.versions) + " versions, " + std::to_string(i.links) + " links, " +
               std::to_string(i.relatedProducts) + " related products, " + std::to_string(i.taxRates) +
               " tax rates; image files: " + std::to_string(i.imagesCopied) + " copied, " +
               std::to_string(i.imagesMissing) + " missing.\n";
    }
    if (r.script)
        out += "Ran " + std::to_string(r.script->statements) + " statements in " + std::to_string(r.script->batches) +
               " batches.\n";
    if (!r.warnings.empty()) out += std::to_string(r.warnings.size()) + " warning(s); see the log.\n";
    return out;
}

}  // namespace qdt::wizard::report
