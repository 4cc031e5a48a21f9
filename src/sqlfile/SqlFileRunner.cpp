#include "sqlfile/SqlFileRunner.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "sqlfile/ScriptReader.h"
#include "sqlfile/ScriptSplitter.h"

namespace qdt::sqlfile {

namespace {

using run::Bar;
using run::Status;

// Lines are joined with CR LF whatever the file used, so statements reach the
// server the same way from any platform's files. The text's final size is
// measured first and reserved, so the script is held once, not copied as it grows.
std::string ReadScript(Status& status, std::istream& file) {
    const std::int64_t fileLength = StreamLength(file);
    std::string script;
    if (const std::int64_t size = CrLfLength(file); size > 0) script.reserve(static_cast<std::size_t>(size));
    ScriptReader reader(file);
    std::int64_t lineCount = 0;
    std::int64_t charCount = 0;
    while (!reader.AtEnd()) {
        ++lineCount;
        const std::string_view line = reader.NextLine();
        script += line;
        script += "\r\n";
        charCount += static_cast<std::int64_t>(line.size());
        status.Yield();
        // Repainting the bar for every line would slow big scripts down.
        if (lineCount % 10 == 0 && fileLength > 0) {
            const double share = static_cast<double>(charCount) / static_cast<double>(fileLength) * 100.0;
            status.SetBarValue(Bar::Current, static_cast<float>(std::min(share, 100.0)));
        }
    }
    return script;
}

void ExecuteBatch(run::RunContext& ctx, db::Connection& connection, const Batch& batch) {
    const std::vector<std::string_view>& statements = batch.statements;
    if (statements.empty()) return;
    const double total = static_cast<double>(statements.size()) * batch.repeat;
    double done = 0;
    for (int run = 0; run < batch.repeat; ++run) {
        for (std::string_view statement : statements) {
            // A blank piece (after a closing ";" or between GO lines) would be
            // refused by some servers; it still counts as progress.
            if (!IsBlankStatement(statement)) {
                ctx.strQuery = statement;
                auto result = connection.Execute(ctx.strQuery);
                if (result) result->Close();
                ++ctx.tally.statementsRun;
            }
            ++done;
            ctx.status.SetBarValue(Bar::Current, done / total * 100.0);
            ctx.status.Yield();
        }
    }
}

}  // namespace

void ExecuteSQLFile(run::RunContext& ctx, db::Connection& connection, std::istream& file,
                    data::DatabaseKind kind) {
    Status& status = ctx.status;
    for (Bar bar : {Bar::Current, Bar::Total}) {
        status.SetBarMax(bar, 100);
        status.SetBarValue(bar, 0);
    }

    status.AddMessage("Reading .SQL file... ");
    status.Yield();
    const std::string script = ReadScript(status, file);
    status.SetBarValue(Bar::Current, 0);
    status.AppendMessage("done.");
    status.Yield();

    status.AddMessage("Interpreting SQL... ");
    status.Yield();
    const std::vector<Batch> batches = SplitScript(script, RulesFor(kind), ctx.destination.ScriptPath);
    status.AppendMessage("done.");
    status.Yield();

    status.AddMessage("Executing SQL... ");
    status.Yield();
    for (std::size_t i = 0; i < batches.size(); ++i) {
        ExecuteBatch(ctx, connection, batches[i]);
        ctx.tally.batchesRun += batches[i].repeat;
        status.SetBarValue(Bar::Total, static_cast<double>(i + 1) / static_cast<double>(batches.size()) * 100.0);
    }
    status.AppendMessage("done.");
    status.Yield();
}

}  // namespace qdt::sqlfile
