#include "app/cli/ProfileOptions.h"

#include <CLI/CLI.hpp>

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "data/Dialect.h"

namespace qdt::app {

namespace {

const char* const kSideFooter =
    "Kinds: access, sqlserver, mysql, sqlite, excel, text. Passwords may come from QDT_SOURCE_PASSWORD and\n"
    "QDT_DEST_PASSWORD instead, which keeps them out of the process list and the shell's history.";

void AddSide(CLI::App& command, SideArgs& side, const std::string& prefix, const std::string& what) {
    const std::string p = "--" + prefix + "-";
    command.add_option(p + "kind", side.kind, "The " + what + "'s kind")->required()->type_name("KIND");
    command.add_option(p + "file", side.file, "The " + what + " file (access: .mdb, .accdb or a SQLite snapshot; sqlite, excel, text)")
        ->type_name("PATH");
    command.add_option(p + "server", side.server, "The " + what + "'s server")->type_name("HOST");
    command.add_option(p + "port", side.port, "The " + what + "'s port")->type_name("N");
    command.add_option(p + "database", side.database, "The " + what + "'s database")->type_name("NAME");
    command.add_option(p + "user", side.user, "The " + what + "'s user")->type_name("NAME");
    command.add_option(p + "password", side.password, "The " + what + "'s password")->type_name("TEXT");
    command.add_flag(p + "trusted", side.trusted, "Log in to SQL Server as the current user");
    command.add_option(p + "worksheet", side.worksheet, "The worksheet of an Excel " + what)->type_name("NAME");
}

void ApplyKind(data::ConnectionProfile& p, data::DatabaseKind kind) {
    p.Kind = kind;
    data::ApplyDialect(p);
}

std::int16_t ParsePort(const std::string& v) {
    int port = 0;
    auto res = std::from_chars(v.data(), v.data() + v.size(), port);
    if (res.ec != std::errc() || res.ptr != v.data() + v.size() || port < 1 || port > 32767)
        throw std::invalid_argument("The port '" + v + "' is not a number from 1 to 32767.");
    return static_cast<std::int16_t>(port);
}

data::ConnectionProfile Profile(const SideArgs& side) {
    data::ConnectionProfile p;
    p.Port = 1433;
    ApplyKind(p, ParseKind(side.kind));
    // A file is named in full, as the wizard's pages name it: a text source is
    // split into its folder and table, and a bare name would leave no folder.
    if (side.file) p.Database = side.file->empty() ? "" : std::filesystem::absolute(*side.file).string();
    if (!side.database.empty()) p.Database = side.database;
    if (side.server) p.Server = *side.server;
    if (side.worksheet) p.Server = *side.worksheet;
    p.User = side.user;
    p.Password = side.password;
    p.Trusted = side.trusted;
    if (side.port) {
        p.Port = ParsePort(*side.port);
        // The MySQL server box takes "host:port".
        if (p.Kind == data::kMySql) p.Server += ":" + *side.port;
    }
    return p;
}

}  // namespace

data::DatabaseKind ParseKind(const std::string& name) {
    if (name == "access") return data::kAccess;
    if (name == "sqlserver" || name == "mssql") return data::kSqlServer;
    if (name == "excel") return data::kExcel;
    if (name == "text") return data::kTextFile;
    if (name == "mysql") return data::kMySql;
    if (name == "sqlite") return data::kSqlite;
    throw std::invalid_argument("Unknown database kind '" + name +
                                "': use access, sqlserver, mysql, sqlite, excel or text.");
}

void AddTransferOptions(CLI::App& command, TransferArgs& args, bool executeSql) {
    AddSide(command, args.source, "source", executeSql ? "database" : "source");
    CLI::Option* checkOnly =
        command.add_flag("--check-only", args.checkOnly, "Run the check alone; exit 0 when the run would be allowed");
    command.add_option("--report", args.reportFile, "Write the JSON run report (or the check's) to FILE")
        ->type_name("FILE");
    if (executeSql) {
        command.add_option("--script", args.script, "The .sql script to run")->required()->type_name("FILE");
        command.footer(kSideFooter);
        return;
    }
    AddSide(command, args.destination, "dest", "destination");
    command.add_option("--skip-table", args.skipTables, "Do not copy this table")->type_name("NAME");
    command.add_option("--skip-compare", args.skipCompares, "Do not compare this table")->type_name("NAME");
    command.add_option("--skip-job", args.skipJobs, "Do not run this setup job")->type_name("NAME");
    command.add_flag("--copy-images", args.copyImages, "Copy the images a catalogue source (excel, text, VPASP, Actinic) names");
    command.add_option("--image-folder", args.imageFolder, "Where the catalogue's images are (default: its folder)")
        ->type_name("DIR");
    command.add_option("--uploads-folder", args.uploadsFolder,
                       "The shop's uploads folder (default: the destination file's folder)")
        ->type_name("DIR");
    CLI::Option* rehearse = command.add_flag(
        "--rehearse", args.rehearse,
        "Run the check and the whole copy, write the report, then roll everything back");
    rehearse->excludes(checkOnly);
    command.footer(kSideFooter);
}

TransferOptions ResolveTransferOptions(const TransferArgs& args, bool executeSql) {
    TransferOptions o;
    o.source = Profile(args.source);
    if (executeSql) {
        ApplyKind(o.destination, data::kSqlFile);
        o.destination.Database = args.script;
        // A script creates tables and runs statements: only a database server or a SQLite file can take it.
        if (o.source.Kind != data::kSqlServer && o.source.Kind != data::kMySql && o.source.Kind != data::kSqlite)
            throw std::invalid_argument(std::string("execute-sql runs a script on a SQL Server, MySQL or SQLite "
                                                    "database, not on ") +
                                        data::DatabaseKindCaption(o.source.Kind) + ".");
    } else {
        o.destination = Profile(args.destination);
    }
    o.skipTables = args.skipTables;
    o.skipCompares = args.skipCompares;
    o.skipJobs = args.skipJobs;
    o.copyImages = args.copyImages;
    o.imageFolder = args.imageFolder;
    o.uploadsFolder = args.uploadsFolder;
    o.reportFile = args.reportFile;
    o.rehearse = args.rehearse;
    o.checkOnly = args.checkOnly;
    if (const char* pw = std::getenv("QDT_SOURCE_PASSWORD"); pw && o.source.Password.empty()) o.source.Password = pw;
    if (const char* pw = std::getenv("QDT_DEST_PASSWORD"); pw && o.destination.Password.empty() && !executeSql)
        o.destination.Password = pw;
    return o;
}

}  // namespace qdt::app
