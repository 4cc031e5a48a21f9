#pragma once

#include <stdexcept>

namespace qdt::sqlfile {

// A script that cannot be run as it stands (an unterminated string, a stray
// NUL, an undecodable encoding); the message names the file and line.
class ScriptError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace qdt::sqlfile
