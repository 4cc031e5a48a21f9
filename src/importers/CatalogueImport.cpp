#include "importers/CatalogueImport.h"

#include <stdexcept>

#include "data/Detection.h"
#include "importers/ActinicImporter.h"
#include "importers/ComersusImporter.h"
#include "importers/FlatFileImporter.h"
#include "importers/ImportFrame.h"
#include "importers/VpaspImporter.h"

namespace qdt::importers {

namespace {

// The text file's table, the chosen worksheet, or the first one the workbook lists.
std::string FlatFileTable(run::RunContext& ctx, db::Connection& source) {
    if (!ctx.source.TextTable.empty()) return ctx.source.TextTable;
    if (!ctx.source.Server.empty()) return "[" + ctx.source.Server + "$]";
    auto schema = source.OpenSchema();
    if (schema->Eof()) {
        schema->Close();
        throw std::runtime_error("The file '" + ctx.source.Database + "' holds no worksheet to import.");
    }
    const std::string name = schema->Fields(std::size_t{2}).Value().ToText();
    schema->Close();
    return "[" + name + "]";
}

std::optional<ImageFiles> FlatFile(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                   const std::function<void()>& beforeWrite) {
    run::Status& status = ctx.status;
    status.AddMessage("Opening file... ");
    const std::string table = FlatFileTable(ctx, source);
    status.AppendMessage("done.");
    status.SetBarMax(run::Bar::Total, 100);
    status.SetBarValue(run::Bar::Total, 0);
    status.SetBarValue(run::Bar::Current, 0);
    status.Yield();
    return ImportFlatFile(ctx, table, source, destination, beforeWrite);
}

}  // namespace

std::optional<ImageFiles> ImportCatalogue(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                          const std::function<void()>& beforeWrite) {
    const std::string& system = ctx.source.SystemName;
    std::optional<ImageFiles> images;
    if (system == data::kSystemFlatFile)
        images = FlatFile(ctx, source, destination, beforeWrite);
    else if (system == data::kSystemVpasp)
        images = ImportVPASP(ctx, source, destination, beforeWrite);
    else if (system == data::kSystemActinic)
        images = ImportActinic(ctx, source, destination, beforeWrite);
    else if (system == data::kSystemComersus)
        images = ImportComersus(ctx, source, destination, beforeWrite);
    else
        throw std::runtime_error("The " + system +
                                 " catalogue importer is not available in this version of the Data Tool.");
    for (const std::string& warning : source.Warnings()) ctx.strWarnings += warning + "\r\n";
    return images;
}

std::vector<std::string> TablesTheImportWrites(const std::string& system) {
    // The Comersus import leaves the tax rates and their bands alone.
    if (system == data::kSystemComersus) return ComersusTablesWritten();
    std::vector<std::string> tables;
    if (system == data::kSystemFlatFile)
        tables = FlatFileTablesWritten();
    else if (system == data::kSystemVpasp)
        tables = VpaspTablesWritten();
    else if (system == data::kSystemActinic)
        tables = ActinicTablesWritten();
    else
        return {};
    tables.push_back(kConfigTable);
    return tables;
}

}  // namespace qdt::importers
