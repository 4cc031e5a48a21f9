#include "app/cli/ProfileOptions.h"

#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "data/Dialect.h"

namespace qdt::app {

const char* const kTransferUsage =
    "  quillmart-datatool-cli copy --source-kind KIND ... --dest-kind KIND ... [--skip-table NAME]...\n"
    "        [--skip-compare NAME]... [--skip-job NAME]...\n"
    "        [--copy-images] [--image-folder DIR] [--uploads-folder DIR]\n"
    "      Check both databases, then copy the source shop into the destination. For a catalogue\n"
    "      source (excel, text, VPASP, an Actinic access file): --copy-images copies the images the\n"
    "      catalogue names from the image folder (default: the source file's folder) into the shop's\n"
    "      uploads folder (default: the destination file's folder).\n"
    "  quillmart-datatool-cli execute-sql --source-kind sqlserver|mysql|sqlite ... --script FILE\n"
    "      Check the database and the script, then run the script on the database.\n"
    "  quillmart-datatool-cli copy --help, execute-sql --help\n"
    "      Show this help.\n"
    "  For each side (--source-... and --dest-...):\n"
    "      -kind access|sqlserver|mysql|sqlite|excel|text\n"
    "      -file PATH (access: .mdb, .accdb or a SQLite snapshot; sqlite, excel, text)   -server HOST   -port N   -database NAME\n"
    "      -user NAME   -password TEXT   -trusted   -worksheet NAME (excel)\n"
    "  Passwords may come from QDT_SOURCE_PASSWORD and QDT_DEST_PASSWORD instead, which keeps them\n"
    "  out of the process list and the shell's history.\n";

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

namespace {

void ApplyKind(data::ConnectionProfile& p, data::DatabaseKind kind) {
    p.Kind = kind;
    data::ApplyDialect(p);
}

bool SetSideOption(data::ConnectionProfile& p, const std::string& name, const std::string* value,
                   std::string& mysqlPort) {
    auto need = [&]() -> const std::string& {
        if (!value) throw std::invalid_argument("The option --" + name + " needs a value.");
        return *value;
    };
    std::string key = name.substr(name.find('-') + 1);
    if (key == "kind") ApplyKind(p, ParseKind(need()));
    // A file is named in full, as the wizard's pages name it: a text source is
    // split into its folder and table, and a bare name would leave no folder.
    else if (key == "file") p.Database = need().empty() ? need() : std::filesystem::absolute(need()).string();
    else if (key == "database") p.Database = need();
    else if (key == "server") p.Server = need();
    else if (key == "worksheet") p.Server = need();
    else if (key == "user") p.User = need();
    else if (key == "password") p.Password = need();
    else if (key == "trusted") p.Trusted = true;
    else if (key == "port") {
        const std::string& v = need();
        int port = 0;
        auto res = std::from_chars(v.data(), v.data() + v.size(), port);
        if (res.ec != std::errc() || res.ptr != v.data() + v.size() || port < 1 || port > 32767)
            throw std::invalid_argument("The port '" + v + "' is not a number from 1 to 32767.");
        p.Port = static_cast<std::int16_t>(port);
        mysqlPort = v;
    } else {
        return false;
    }
    return true;
}

}  // namespace

TransferOptions ParseTransferOptions(const std::vector<std::string>& args, bool executeSql) {
    TransferOptions o;
    o.source.Port = o.destination.Port = 1433;
    ApplyKind(o.source, data::kSqlite);
    ApplyKind(o.destination, executeSql ? data::kSqlFile : data::kSqlite);
    std::string sourcePort, destPort;
    bool sourceKind = false, destKind = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a.rfind("--", 0) != 0) throw std::invalid_argument("Unexpected argument '" + a + "'.");
        std::string name = a.substr(2);
        const std::string* value = i + 1 < args.size() ? &args[i + 1] : nullptr;
        bool takesValue = name != "source-trusted" && name != "dest-trusted";
        bool known = false;
        if (name.rfind("source-", 0) == 0) {
            known = SetSideOption(o.source, name, value, sourcePort);
            sourceKind |= name == "source-kind";
        } else if (name.rfind("dest-", 0) == 0 && !executeSql) {
            known = SetSideOption(o.destination, name, value, destPort);
            destKind |= name == "dest-kind";
        } else if (name == "script" && executeSql) {
            if (!value) throw std::invalid_argument("The option --script needs a value.");
            o.destination.Database = *value;
            known = true;
        } else if (!executeSql && name == "copy-images") {
            o.copyImages = true;
            takesValue = false;
            known = true;
        } else if (!executeSql && (name == "image-folder" || name == "uploads-folder")) {
            if (!value) throw std::invalid_argument("The option --" + name + " needs a value.");
            (name == "image-folder" ? o.imageFolder : o.uploadsFolder) = *value;
            known = true;
        } else if (!executeSql && (name == "skip-table" || name == "skip-compare" || name == "skip-job")) {
            if (!value) throw std::invalid_argument("The option --" + name + " needs a value.");
            auto& list = name == "skip-table" ? o.skipTables : name == "skip-compare" ? o.skipCompares : o.skipJobs;
            list.push_back(*value);
            known = true;
        }
        if (!known) throw std::invalid_argument("Unknown option '" + a + "'.");
        if (takesValue) ++i;
    }
    if (!sourceKind) throw std::invalid_argument("--source-kind is required.");
    if (!executeSql && !destKind) throw std::invalid_argument("--dest-kind is required.");
    if (executeSql && o.destination.Database.empty()) throw std::invalid_argument("--script is required.");
    // A script creates tables and runs statements: only a database server or a SQLite file can take it.
    if (executeSql && o.source.Kind != data::kSqlServer && o.source.Kind != data::kMySql &&
        o.source.Kind != data::kSqlite)
        throw std::invalid_argument(std::string("execute-sql runs a script on a SQL Server, MySQL or SQLite "
                                                "database, not on ") +
                                    data::DatabaseKindCaption(o.source.Kind) + ".");
    if (const char* pw = std::getenv("QDT_SOURCE_PASSWORD"); pw && o.source.Password.empty()) o.source.Password = pw;
    if (const char* pw = std::getenv("QDT_DEST_PASSWORD"); pw && o.destination.Password.empty())
        o.destination.Password = pw;
    // The MySQL server box takes "host:port".
    if (o.source.Kind == data::kMySql && !sourcePort.empty()) o.source.Server += ":" + sourcePort;
    if (o.destination.Kind == data::kMySql && !destPort.empty()) o.destination.Server += ":" + destPort;
    return o;
}

}  // namespace qdt::app
