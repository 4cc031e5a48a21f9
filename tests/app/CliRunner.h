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

// Runs a program with no input and returns its exit code and both outputs;
// shellPrefix goes before it on the shell's line (for example "env -u DISPLAY").
inline CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& shellPrefix = {}) {
    std::string dir = test::TempDir();
    std::string cmd = shellPrefix + " " + ShellQuote(program);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    cmd += " >" + dir + "/out 2>" + dir + "/err </dev/null";
    int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(dir + "/out"), ReadWholeFile(dir + "/err")};
}

// Runs the companion with no input.
inline CliResult RunCli(const std::vector<std::string>& args) { return RunProgram(QDT_CLI_PATH, args); }

}  // namespace qdt::app::testing
