#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace qdt::app::testing {

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs the companion with no input and returns its exit code and both outputs.
inline CliResult RunCli(const std::vector<std::string>& args) {
    std::string dir = test::TempDir();
    std::string cmd = ShellQuote(QDT_CLI_PATH);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    cmd += " >" + dir + "/out 2>" + dir + "/err </dev/null";
    int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(dir + "/out"), ReadWholeFile(dir + "/err")};
}

}  // namespace qdt::app::testing
