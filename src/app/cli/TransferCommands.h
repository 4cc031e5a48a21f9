#pragma once

#include <string>
#include <vector>

namespace qdt::app {

// Runs the check and then the transfer exactly as the wizard does, printing
// both logs; 0 only when the run ends in success.
int CopyCommand(const std::vector<std::string>& args);
int ExecuteSqlCommand(const std::vector<std::string>& args);

}  // namespace qdt::app
