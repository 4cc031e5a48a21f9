#pragma once

#include <optional>
#include <string>
#include <vector>

#include "data/run/ConnectionProfile.h"

namespace CLI {
class App;
}

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
    // Where the JSON run report goes; empty: none.
    std::string reportFile;
    bool rehearse = false;
    bool checkOnly = false;
};

// One side's options as typed (--source-kind, --dest-file, ...).
struct SideArgs {
    std::string kind;
    std::optional<std::string> file;
    std::optional<std::string> server;
    std::optional<std::string> worksheet;
    std::string database;
    std::string user;
    std::string password;
    std::optional<std::string> port;
    bool trusted = false;
};

// What the command line holds before it is checked and turned into profiles.
struct TransferArgs {
    SideArgs source;
    SideArgs destination;
    std::string script;
    std::vector<std::string> skipTables;
    std::vector<std::string> skipCompares;
    std::vector<std::string> skipJobs;
    bool copyImages = false;
    std::optional<std::string> imageFolder;
    std::optional<std::string> uploadsFolder;
    std::string reportFile;
    bool rehearse = false;
    bool checkOnly = false;
};

// Declares the options of copy (executeSql false) or execute-sql on the command.
void AddTransferOptions(CLI::App& command, TransferArgs& args, bool executeSql);

// The profiles and choices the parsed options describe. Throws
// std::invalid_argument with a message naming the bad option.
TransferOptions ResolveTransferOptions(const TransferArgs& args, bool executeSql);

data::DatabaseKind ParseKind(const std::string& name);

}  // namespace qdt::app
