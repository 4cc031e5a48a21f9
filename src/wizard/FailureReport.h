#pragma once

#include <string>

namespace qdt::wizard {

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

}  // namespace qdt::wizard
