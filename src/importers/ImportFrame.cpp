#include "importers/ImportFrame.h"

#include <limits>
#include <stdexcept>
#include <utility>

#include "data/Dialect.h"
#include "data/SqlLiterals.h"
#include "data/Statement.h"
#include "db/Error.h"
#include "db/Text.h"

namespace qdt::importers {

namespace {

std::int32_t ToIdentity(std::int64_t value, const std::string& table) {
    if (value < std::numeric_limits<std::int32_t>::min() || value > std::numeric_limits<std::int32_t>::max())
        throw db::DatabaseError("The new row of " + table + " has the identity " + std::to_string(value) +
                                ", which is not a 32-bit whole number.");
    return static_cast<std::int32_t>(value);
}

}  // namespace

ImportFrame::ImportFrame(run::RunContext& ctx, db::Connection& destination, data::ImageSystem system,
                         const std::vector<std::string>& tables, std::function<void()> beforeWrite)
    : ctx_(ctx), destination_(destination), beforeWrite_(std::move(beforeWrite)) {
    std::vector<std::string> existing;
    auto schema = destination_.OpenSchema();
    for (; !schema->Eof(); schema->MoveNext()) existing.push_back(schema->Fields(std::size_t{2}).Value().ToText());
    schema->Close();
    for (const std::string& table : tables) {
        const std::string* found = nullptr;
        for (const std::string& name : existing) {
            if (name == table) {
                found = &name;
                break;
            }
            if (!found && db::EqualsIgnoreCase(name, table)) found = &name;
        }
        if (!found)
            throw std::runtime_error("The destination database has no table " + table +
                                     ": it does not look like a Quillmart 5 shop database.");
        tables_[table] = *found;
    }

    const data::ImageCopySetting& images = ctx_.settings.ImageCopySettings[system];
    if (images.CopyImages) images_.emplace(images.SourceDir, images.DestinDir);
}

const std::string& ImportFrame::Table(const std::string& name) const {
    auto found = tables_.find(name);
    if (found == tables_.end()) throw std::logic_error("The import did not declare the table " + name + ".");
    return found->second;
}

// Every text an importer writes goes through here, so that the literal form
// follows the destination (MySQL also reads "\\" as an escape).
std::string ImportFrame::TextLiteral(const std::string& text, const std::string& table,
                                     const std::string& column) const {
    return data::TextLiteral(text, ctx_.destination.Kind, {Table(table), "", column});
}

std::string ImportFrame::FirstRow(const std::string& columns, const std::string& rest) const {
    return data::FirstRowQuery(ctx_.destination.Kind, columns, rest);
}

void ImportFrame::Run(std::string sql) {
    data::ExecuteStatement(ctx_, destination_, std::move(sql))->Close();
    CountInsert(ctx_.strQuery);
}

// Every importer writes its rows through Run with the table's name from
// Table(), so the INSERT names it exactly; tax rates are counted from their
// map instead, since the tax bands may add one of their own.
void ImportFrame::CountInsert(const std::string& sql) {
    static const std::string kInsert = "INSERT INTO ";
    if (sql.compare(0, kInsert.size(), kInsert) != 0) return;
    for (const auto& [name, own] : tables_) {
        const std::size_t end = kInsert.size() + own.size();
        if (name == kTaxRatesTable || sql.compare(kInsert.size(), own.size(), own) != 0) continue;
        if (end < sql.size() && sql[end] != ' ' && sql[end] != '(') continue;
        ++ctx_.tally.rowsCreated[name];
        return;
    }
}

void ImportFrame::SaveTaxBands() {
    savedRates_[0] =
        data::GetTaxBand(ctx_, destination_, data::kOrderHandlingTaxBandName, data::kOrderHandlingTaxBandKey);
    savedRates_[1] = data::GetTaxBand(ctx_, destination_, data::kShippingTaxBandName, data::kShippingTaxBandKey);
}

void ImportFrame::RestoreTaxBands() {
    data::SetTaxBand(ctx_, destination_, data::kOrderHandlingTaxBandName, data::kOrderHandlingTaxBandKey,
                     savedRates_[0], taxRates_);
    data::SetTaxBand(ctx_, destination_, data::kShippingTaxBandName, data::kShippingTaxBandKey, savedRates_[1],
                     taxRates_);
}

void ImportFrame::ClearTables(const std::string& statusText, const std::vector<std::string>& tables) {
    AddMessage(statusText);
    Yield();
    if (beforeWrite_) std::exchange(beforeWrite_, nullptr)();
    const std::string prefix(data::DialectFor(ctx_.destination.Kind).deletePrefix);
    for (const std::string& table : tables) Run(prefix + Table(table));
    AppendMessage("done.");
    Yield();
}

void ImportFrame::DeleteImages(const std::string& subfolder) {
    if (images_) images_->DeleteImages(subfolder);
}

void ImportFrame::CopyImage(const std::string& sourceFile, const std::string& subfolder, std::int32_t id) {
    if (images_) images_->CopyImage(sourceFile, subfolder + "\\" + std::to_string(id));
}

bool ImportFrame::CopyFile(const std::string& sourcePath, const std::string& targetName) {
    return images_ && images_->CopyFileToFolder(sourcePath, targetName);
}

std::int32_t ImportFrame::Insert(const std::string& table, std::string insert, const std::string& readBack) {
    Run(std::move(insert));
    Identity& identity = identity_[table];
    if (identity == Identity::ReadBack) return ReadBackId(table, readBack);
    const std::optional<std::int64_t> last = destination_.LastInsertId();
    if (!last) {
        identity = Identity::ReadBack;
        return ReadBackId(table, readBack);
    }
    if (identity == Identity::Unchecked) {
        // A trigger or a key that is not the engine's row id would make the
        // two differ; the statement's own answer is the one that counts.
        const std::int32_t id = ReadBackId(table, readBack);
        identity = id == *last ? Identity::Trusted : Identity::ReadBack;
        return id;
    }
    return ToIdentity(*last, Table(table));
}

std::int32_t ImportFrame::ReadBackId(const std::string& table, const std::string& readBack) {
    auto row = data::ExecuteStatement(ctx_, destination_, readBack);
    if (row->Eof()) {
        row->Close();
        throw db::DatabaseError("The row just added to " + Table(table) + " cannot be found again.");
    }
    const db::Value value = row->Fields(std::size_t{0}).Value();
    row->Close();
    return ToIdentity(value.ToInteger(), Table(table));
}

std::int32_t ImportFrame::TaxRateId(const std::string& rateText, bool firstRowForm) {
    const std::string key = data::TaxRateKey(rateText);
    if (auto found = taxRates_.find(key); found != taxRates_.end()) return found->second;
    const std::string& table = Table(kTaxRatesTable);
    const std::string rest = table + " WHERE T_TaxRate = " + rateText;
    const std::int32_t id = Insert(kTaxRatesTable, "INSERT INTO " + table + " (T_TaxRate) VALUES (" + rateText + ")",
                                   firstRowForm ? FirstRow("T_ID", rest) : "SELECT T_ID FROM " + rest);
    taxRates_.emplace(key, id);
    return id;
}

std::optional<ImageFiles> ImportFrame::Finish() {
    if (tables_.count(kTaxRatesTable)) ctx_.tally.rowsCreated[kTaxRatesTable] = static_cast<long>(taxRates_.size());
    if (images_) {
        ctx_.tally.imagesCopied = static_cast<long>(images_->StagedCount());
        ctx_.tally.imagesMissing = static_cast<long>(images_->MissingCount());
        if (std::string missing = images_->MissingWarning(); !missing.empty()) ctx_.strWarnings += missing + "\r\n";
    }
    return std::move(images_);
}

}  // namespace qdt::importers
