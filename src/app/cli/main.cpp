// quillmart-datatool-cli: the engine's diagnostics from a shell.
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>
#include <algorithm>

#include "app/Version.h"
#include "app/cli/ProfileOptions.h"
#include "app/cli/ResultPrinter.h"
#include "app/cli/TransferCommands.h"
#include "db/Connection.h"

namespace {

const char* kUsage =
    "Usage:\n"
    "  quillmart-datatool-cli tables \"<connection string>\"\n"
    "      List every table, view and system table of the database.\n"
    "  quillmart-datatool-cli query \"<connection string>\" \"<SQL>\"\n"
    "      Run one statement and print its result.\n"
    "  quillmart-datatool-cli --version\n"
    "  quillmart-datatool-cli --help\n";

// Asked for, the usage is the answer (stdout); after a mistake it is the complaint (stderr).
void PrintUsage(std::FILE* out) {
    std::fputs(kUsage, out);
    std::fputs(qdt::app::kTransferUsage, out);
}

int Tables(const std::string& connectionString) {
    qdt::db::Connection conn;
    conn.Open(connectionString);
    auto rs = conn.OpenSchema();
    qdt::app::PrintRecordset(*rs, stdout);
    rs->Close();
    conn.Close();
    return 0;
}

int Query(const std::string& connectionString, const std::string& sql) {
    qdt::db::Connection conn;
    conn.Open(connectionString);
    auto rs = conn.Execute(sql);
    qdt::app::PrintRecordset(*rs, stdout);
    rs->Close();
    conn.Close();
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);
    std::string command = argc > 1 ? argv[1] : "";
    try {
        if (command == "tables" && argc == 3) return Tables(argv[2]);
        if (command == "query" && argc == 4) return Query(argv[2], argv[3]);
        std::vector<std::string> rest(argv + std::min(argc, 2), argv + argc);
        if (command == "copy") return qdt::app::CopyCommand(rest);
        if (command == "execute-sql") return qdt::app::ExecuteSqlCommand(rest);
        if (command == "--version") {
            std::printf("quillmart-datatool-cli %s\n", qdt::app::kVersion);
            return 0;
        }
        if (command == "--help" || command == "-h" || command == "help") {
            PrintUsage(stdout);
            return 0;
        }
        PrintUsage(stderr);
        return 2;
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
}
