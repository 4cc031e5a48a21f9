#pragma once

#include <string>

namespace qdt::wizard {

// What the check or the run leaves for the window to show.
struct StepOutcome {
    bool succeeded = false;
    // Text of the information box titled "Quillmart Data Tool"; empty: no box.
    std::string messageBox;
    bool backEnabled = false;
    bool nextEnabled = false;
    bool cancelEnabled = false;
    bool tablesEnabled = false;
    // The check's findings for the confirmation page.
    std::string txtSource;
    std::string txtDestin;
    // After a failure: the error's description and the statement under way
    // (empty when none), as the log shows them; for the run report.
    std::string error;
    std::string failedStatement;
};

// What the window is left with after a failure: a box, Back and Cancel.
inline StepOutcome FailedOutcome(const std::string& messageBox) {
    StepOutcome out;
    out.messageBox = messageBox;
    out.backEnabled = out.cancelEnabled = true;
    return out;
}

}  // namespace qdt::wizard
