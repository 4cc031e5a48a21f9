#include "wizard/RollbackSafety.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "data/run/ConnectionProfile.h"
#include "data/Statement.h"
#include "db/Error.h"
#include "db/Text.h"
#include "data/Detection.h"
#include "importers/CatalogueImport.h"

namespace qdt::wizard {

namespace {

std::string ComparedTable(const std::string& table) {
    return table == "tblQuillmartLanguageStrings" ? "tblQuillmartLanguageStrings1" : table;
}

// Engines that undo an unfinished transaction. Aria is crash-safe but does
// not roll back, so it is not among them.
bool EngineRollsBack(const std::string& engine) {
    static constexpr std::array<std::string_view, 5> kTransactional = {"innodb", "xtradb", "tokudb", "rocksdb",
                                                                       "ndbcluster"};
    const std::string lower = db::ToLowerAscii(engine);
    return std::find(kTransactional.begin(), kTransactional.end(), lower) != kTransactional.end();
}

bool Contains(const std::string& text, std::string_view part) { return text.find(part) != std::string::npos; }

std::string JoinNames(const std::vector<std::string>& names) {
    std::string text;
    for (const std::string& n : names) text += (text.empty() ? "" : ", ") + n;
    return text;
}

}  // namespace

std::vector<std::string> TablesOfJob(const std::string& job) {
    if (job == data::kJobAdminLogin) return {"tblQuillmartLogins"};
    if (job == data::kJobDownloadShippingRate) return {"tblQuillmartShippingMethods", "tblQuillmartShippingRates"};
    if (job == data::kJobNewsPlaceholders) return {"tblQuillmartNews"};
    return {};
}

std::vector<std::string> TablesTheCopyWrites(const data::ConversionSettings& settings) {
    std::vector<std::string> tables;
    auto add = [&](const std::string& t) {
        for (const std::string& have : tables)
            if (db::EqualsIgnoreCase(have, t)) return;
        tables.push_back(t);
    };
    for (const auto& [table, chosen] : settings.CopyTableList.Entries())
        if (chosen == "y") add(table);
    for (const auto& [table, chosen] : settings.CompareTableList.Entries())
        if (chosen == "y") add(ComparedTable(table));
    for (const auto& [job, chosen] : settings.JobList.Entries())
        if (chosen == "y")
            for (const std::string& t : TablesOfJob(job)) add(t);
    return tables;
}

std::vector<std::string> TablesTheRunWrites(const run::RunContext& ctx) {
    if (ctx.source.SystemName == data::kSystemQuillmart) return TablesTheCopyWrites(ctx.settings);
    return importers::TablesTheImportWrites(ctx.source.SystemName);
}

std::vector<TableEngine> TablesThatCannotRollBack(run::RunContext& ctx, db::Connection& destination,
                                                  const std::vector<std::string>& tables) {
    std::vector<TableEngine> found;
    if (ctx.destination.Kind != data::kMySql || tables.empty()) return found;
    auto rs = data::ExecuteStatement(ctx, destination,
                                     "SELECT TABLE_NAME, ENGINE FROM information_schema.TABLES "
                                     "WHERE TABLE_SCHEMA = DATABASE() AND TABLE_TYPE = 'BASE TABLE'");
    std::vector<TableEngine> engines;
    for (; !rs->Eof(); rs->MoveNext())
        engines.push_back({rs->Fields(std::size_t{0}).Value().ToText(), rs->Fields(std::size_t{1}).Value().ToText()});
    rs->Close();
    for (const std::string& table : tables)
        for (const TableEngine& e : engines)
            if (db::EqualsIgnoreCase(e.table, table) && !EngineRollsBack(e.engine)) found.push_back(e);
    return found;
}

std::string CannotRollBackWarning(const std::vector<TableEngine>& tables) {
    std::string names;
    for (const TableEngine& t : tables) names += (names.empty() ? "" : ", ") + t.table + " (" + t.engine + ")";
    return "These destination tables cannot roll back, so a failure part-way through the run cannot be "
           "undone for them: " +
           names + ".";
}

bool IsConnectionLost(const std::exception& error) {
    // MySQL clients: 2006 server has gone away, 2013 lost connection during a query.
    if (const auto* db = dynamic_cast<const db::DatabaseError*>(&error)) {
        if (db->NativeCode() == 2006 || db->NativeCode() == 2013) return true;
        if (db->State() == "08S01" || db->State() == "08003") return true;
    }
    const std::string text = db::ToLowerAscii(error.what());
    return Contains(text, "server has gone away") || Contains(text, "lost connection to");
}

std::string RollbackLine(const RollbackFacts& facts) {
    const std::string tail =
        facts.changedAnyway.empty()
            ? "."
            : ", except for these tables, which cannot roll back and may have been changed: " +
                  JoinNames(facts.changedAnyway) + ".";
    if (facts.connectionLost)
        return "The connection to the destination database was lost before the work was saved. The server discards "
               "a transaction that was not committed when its connection drops, so the destination database was "
               "left unchanged" +
               tail;
    if (facts.rollbackError.empty()) return "The destination database was left unchanged" + tail;
    // SQLite ends the transaction itself on some failures (a full disk, an I/O
    // error), undoing it from its journal; the rollback then finds none.
    if (Contains(facts.rollbackError, "no transaction is active"))
        return "SQLite had already undone the unfinished transaction when the error occurred, so the destination "
               "database was left unchanged" +
               tail;
    return "The destination database could not be returned to its earlier state: " + facts.rollbackError +
           (facts.changedAnyway.empty() ? "" : " Tables that cannot roll back and may have been changed: " +
                                                   JoinNames(facts.changedAnyway) + ".");
}

}  // namespace qdt::wizard
