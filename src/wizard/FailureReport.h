#pragma once

#include <cstddef>
#include <string>

namespace qdt::wizard {

inline constexpr const char* kLineBreak = "\r\n";
inline constexpr const char* kMessageBoxTitle = "Quillmart Data Tool";
inline constexpr const char* kSeeStatusWindow = "See status window for more details.";

// How much of a failed statement the log shows.
inline constexpr std::size_t kShownStatementCharacters = 4096;

// A statement as the log shows it: whole when short, else its first
// kShownStatementCharacters characters and its length, so that a failing
// 100 MB line does not flood the log. Characters are UTF-8 ones, never split.
inline std::string ShownStatement(const std::string& statement) {
    std::size_t characters = 0;
    std::size_t cut = statement.size();
    for (std::size_t i = 0; i < statement.size(); ++i) {
        if ((static_cast<unsigned char>(statement[i]) & 0xC0) == 0x80) continue;
        if (characters == kShownStatementCharacters) cut = i;
        ++characters;
    }
    if (characters <= kShownStatementCharacters) return statement;
    return statement.substr(0, cut) + kLineBreak + "... (statement of " + std::to_string(characters) +
           " characters, first " + std::to_string(kShownStatementCharacters) + " shown)";
}

// The log text of a failure: an empty line, "Error occurred!", the error's
// description and, when one was under way, the statement that failed.
inline std::string ErrorLogText(const std::string& description, const std::string& strQuery) {
    std::string log = std::string(kLineBreak) + "Error occurred!" + kLineBreak + description;
    if (!strQuery.empty()) log += std::string(kLineBreak) + kLineBreak + ShownStatement(strQuery);
    return log;
}

}  // namespace qdt::wizard
