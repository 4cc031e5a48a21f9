#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace qdt::run {

// One table of a Data Copy as the run report lists it.
struct CopiedTable {
    std::string table;
    // Rows the copy read from the source and wrote one INSERT each.
    long rowsRead = 0;
    // Rows the destination table holds after the copy; unset until counted.
    std::optional<long> rowsAfter;
    double seconds = 0;
};

// What a run did, counted where the work is done, so that the run report can
// say it without reading the log: the copy's rows, the rows an import created
// per destination table, its image files, and the script's statements.
struct RunTally {
    std::vector<CopiedTable> copied;
    // Catalogue import: rows created, by the table's name as the importers
    // write it (tblQuillmartProducts, ...).
    std::map<std::string, long> rowsCreated;
    long imagesCopied = 0;
    long imagesMissing = 0;
    // Execute SQL.
    long statementsRun = 0;
    long batchesRun = 0;

    CopiedTable& Table(const std::string& table) {
        for (CopiedTable& t : copied)
            if (t.table == table) return t;
        copied.push_back({table, 0, std::nullopt, 0});
        return copied.back();
    }
    void Clear() { *this = RunTally(); }
};

}  // namespace qdt::run
