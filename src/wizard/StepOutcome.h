#pragma once

#include <stdexcept>
#include <string>

namespace qdt::wizard {

// A refusal of the check itself (1001 to 1005), as opposed to a failure of a
// database or file, which the check only passes on.
class OwnError : public std::runtime_error {
public:
    OwnError(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

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
};

inline constexpr const char* kLineBreak = "\r\n";
inline constexpr const char* kMessageBoxTitle = "Quillmart Data Tool";
inline constexpr const char* kSeeStatusWindow = "See status window for more details.";

// The log text of a failure: an empty line, "Error occurred!", the error's
// description and, when one was under way, the statement that failed.
inline std::string ErrorLogText(const std::string& description, const std::string& strQuery) {
    std::string log = std::string(kLineBreak) + "Error occurred!" + kLineBreak + description;
    if (!strQuery.empty()) log += std::string(kLineBreak) + kLineBreak + strQuery;
    return log;
}

// What the window is left with after a failure: a box, Back and Cancel.
inline StepOutcome FailedOutcome(const std::string& messageBox) {
    StepOutcome out;
    out.messageBox = messageBox;
    out.backEnabled = out.cancelEnabled = true;
    return out;
}

}  // namespace qdt::wizard
