#pragma once

#include "app/cli/ProfileOptions.h"

namespace qdt::app {

// Exit codes of the copy and execute-sql commands.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitFailure = 1;
inline constexpr int kExitUsage = 2;
inline constexpr int kExitNotMatched = 3;

// Runs the check and then the transfer exactly as the wizard does, printing
// both logs and, at the end, the report's summary on stderr: 0 when the run
// ends in success, 3 when it did but a copied table does not hold the rows
// read, 1 on a failure, 2 for options that do not fit the source.
int TransferCommand(const TransferOptions& options, bool executeSql);

}  // namespace qdt::app
