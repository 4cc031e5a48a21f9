// quillmart-datatool-cli: the engine's diagnostics, the check and the run from a shell.
#include <CLI/CLI.hpp>

#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>

#include "app/Version.h"
#include "app/cli/ProfileOptions.h"
#include "app/cli/ResultPrinter.h"
#include "app/cli/TransferCommands.h"
#include "db/Connection.h"

namespace {

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

// The help of the command the line chose (or of the whole program).
std::string HelpOf(const CLI::App& app) {
    for (const CLI::App* command : app.get_subcommands())
        if (command->parsed()) return command->help(app.get_name());
    return app.help();
}

// A mistake on the command line: what is wrong, then the usage, on stderr.
int Mistake(const CLI::App& app, const std::string& message) {
    std::fprintf(stderr, "%s\n\n%s", message.c_str(), HelpOf(app).c_str());
    return qdt::app::kExitUsage;
}

}  // namespace

int main(int argc, char** argv) {
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    CLI::App app("The Quillmart Data Tool's command-line companion: the wizard's check and run, and a look inside "
                 "databases.",
                 "quillmart-datatool-cli");
    app.set_version_flag("--version", std::string("quillmart-datatool-cli ") + qdt::app::kVersion);
    app.require_subcommand(1);

    std::string connectionString, sql;
    CLI::App* tables = app.add_subcommand("tables", "List every table, view and system table of the database");
    tables->add_option("connection", connectionString, "The connection string")->required();
    CLI::App* query = app.add_subcommand("query", "Run one statement and print its result");
    query->add_option("connection", connectionString, "The connection string")->required();
    query->add_option("sql", sql, "The statement")->required();

    qdt::app::TransferArgs copyArgs, scriptArgs;
    CLI::App* copy = app.add_subcommand(
        "copy", "Check both databases, then copy the source shop (or import the catalogue) into the destination");
    qdt::app::AddTransferOptions(*copy, copyArgs, false);
    CLI::App* executeSql =
        app.add_subcommand("execute-sql", "Check the database and the script, then run the script on the database");
    qdt::app::AddTransferOptions(*executeSql, scriptArgs, true);

    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::fputs(HelpOf(app).c_str(), stdout);
        return 0;
    } catch (const CLI::CallForAllHelp&) {
        std::fputs(app.help("", CLI::AppFormatMode::All).c_str(), stdout);
        return 0;
    } catch (const CLI::CallForVersion& e) {
        std::printf("%s\n", e.what());
        return 0;
    } catch (const CLI::ParseError& e) {
        // CLI11 would only miss the subcommand; the word typed in its place says more.
        if (argc > 1 && argv[1][0] != '-' && app.get_subcommands().empty())
            return Mistake(app, std::string("Unknown command '") + argv[1] +
                                    "': use tables, query, copy or execute-sql.");
        return Mistake(app, e.what());
    }

    try {
        if (tables->parsed()) return Tables(connectionString);
        if (query->parsed()) return Query(connectionString, sql);
        const bool script = executeSql->parsed();
        qdt::app::TransferOptions options;
        try {
            options = qdt::app::ResolveTransferOptions(script ? scriptArgs : copyArgs, script);
        } catch (const std::invalid_argument& e) {
            return Mistake(app, e.what());
        }
        return qdt::app::TransferCommand(options, script);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return qdt::app::kExitFailure;
    }
}
