#pragma once

#include <exception>
#include <string>
#include <vector>

#include "data/run/ConversionSettings.h"
#include "data/run/RunContext.h"
#include "db/Connection.h"

namespace qdt::wizard {

// A destination table and the storage engine that keeps it.
struct TableEngine {
    std::string table;
    std::string engine;
};

// The destination tables a setup job writes.
std::vector<std::string> TablesOfJob(const std::string& job);

// The destination tables a Quillmart copy writes with these settings, in the
// order it writes them: the selected copies, comparisons and jobs.
std::vector<std::string> TablesTheCopyWrites(const data::ConversionSettings& settings);

// The destination tables the run writes: those of the Quillmart copy, or,
// for a catalogue source, those its importer writes.
std::vector<std::string> TablesTheRunWrites(const run::RunContext& ctx);

// Those of the tables whose engine cannot undo a change (MyISAM, Aria,
// MEMORY, ...), found whatever the case of their names and named as the
// destination spells them: only MySQL keeps such tables; other destinations give none.
std::vector<TableEngine> TablesThatCannotRollBack(run::RunContext& ctx, db::Connection& destination,
                                                  const std::vector<std::string>& tables);

// The warning shown before a run that would write such tables.
std::string CannotRollBackWarning(const std::vector<TableEngine>& tables);

// What is known about the destination after a failed run.
struct RollbackFacts {
    // The failure or the rollback found the server's connection gone.
    bool connectionLost = false;
    // The rollback's own failure; empty when it succeeded.
    std::string rollbackError;
    // Tables that cannot roll back and that the run had begun to write.
    std::vector<std::string> changedAnyway;
};

bool IsConnectionLost(const std::exception& error);

// The log line that says what became of the destination's earlier state.
std::string RollbackLine(const RollbackFacts& facts);

}  // namespace qdt::wizard
