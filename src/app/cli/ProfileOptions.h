#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/run/ConnectionProfile.h"

namespace qdt::app {

// Options of the copy and execute-sql commands, as the wizard's pages and
// settings dialog would have collected them.
struct TransferOptions {
    data::ConnectionProfile source;
    data::ConnectionProfile destination;
    std::vector<std::string> skipTables;
    std::vector<std::string> skipCompares;
    std::vector<std::string> skipJobs;
    // The image settings of a catalogue source; unset keeps the defaults.
    bool copyImages = false;
    std::optional<std::string> imageFolder;
    std::optional<std::string> uploadsFolder;
};

// Reads "--source-kind sqlite --source-file shop.sqlite --dest-kind mysql ...".
// Throws std::invalid_argument with a message naming the bad option.
TransferOptions ParseTransferOptions(const std::vector<std::string>& args, bool executeSql);

data::DatabaseKind ParseKind(const std::string& name);

extern const char* const kTransferUsage;

}  // namespace qdt::app
