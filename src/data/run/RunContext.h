#pragma once

#include <string>

#include "data/run/ConnectionProfile.h"
#include "data/run/ConversionSettings.h"
#include "data/run/RunTally.h"
#include "data/run/Status.h"

namespace qdt::run {

enum Action { kDataCopy = 0, kExecuteSql = 1 };

// What the check and the run share with everything they call: the two sides,
// the chosen action, the statement under way, the warnings so far and the
// status it reports through.
struct RunContext {
    explicit RunContext(Status& s) : status(s) {}

    data::ConnectionProfile source;
    data::ConnectionProfile destination;
    int intAction = kDataCopy;
    // The statement about to be executed, so that a failure can show it.
    std::string strQuery;
    // Problems that did not stop the run, listed at its end.
    std::string strWarnings;
    // What to copy, compare and run, and the image settings of catalogue imports.
    data::ConversionSettings settings;
    // What the run did, for its report; emptied when a run starts.
    RunTally tally;
    Status& status;
};

}  // namespace qdt::run
