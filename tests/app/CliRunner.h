#pragma once

#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/TestEnv.h"

namespace qdt::app::testing {

// The last line of a rehearsal's log.
inline const std::string kRehearsalLine =
    "\nRehearsal: nothing was kept. The destination database and the image folders are as they were.\n";

struct CliResult {
    int exitCode = -1;
    std::string out;
    std::string err;
};

inline std::string ReadWholeFile(const std::string& path) {
    std::ostringstream s;
    s << std::ifstream(path, std::ios::binary).rdbuf();
    return s.str();
}

inline nlohmann::json ReadReport(const std::string& path) { return nlohmann::json::parse(ReadWholeFile(path)); }

inline std::string ShellQuote(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs a program in a folder, with no input and no display, and returns its exit code and both outputs.
inline CliResult RunProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& folder = ".") {
    std::string dir = test::TempDir();
    std::string cmd = "cd " + ShellQuote(folder) + " && env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM " +
                      ShellQuote(program);
    for (const auto& a : args) cmd += " " + ShellQuote(a);
    cmd += " >" + dir + "/out 2>" + dir + "/err </dev/null";
    int status = std::system(cmd.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadWholeFile(dir + "/out"), ReadWholeFile(dir + "/err")};
}

inline CliResult RunCli(const std::vector<std::string>& args, const std::string& folder = ".") {
    return RunProgram(QDT_CLI_PATH, args, folder);
}

// The companion's copy between two SQLite files, with further options.
inline std::vector<std::string> SqliteCopy(const std::string& source, const std::string& dest,
                                           const std::vector<std::string>& more = {}) {
    std::vector<std::string> args = {"copy",        "--source-kind", "sqlite",      "--source-file", source,
                                     "--dest-kind", "sqlite",        "--dest-file", dest};
    args.insert(args.end(), more.begin(), more.end());
    return args;
}

// The test server's options for the mariadb client tools (the password goes in MYSQL_PWD).
inline std::string ClientArgs(const test::MySqlServer& server) {
    return " --no-defaults -h " + ShellQuote(server.host) + " -P " + std::to_string(server.port) + " -u " +
           ShellQuote(server.user);
}

}  // namespace qdt::app::testing
