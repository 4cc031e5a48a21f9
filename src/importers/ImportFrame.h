#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "data/TaxBand.h"
#include "data/run/ConversionSettings.h"
#include "data/run/RunContext.h"
#include "db/Connection.h"
#include "importers/ImageFiles.h"

namespace qdt::importers {

// The destination tables of a catalogue import, as the importers name them.
inline constexpr const char* kProdTypeTable = "tblQuillmartProdType";
inline constexpr const char* kProductsTable = "tblQuillmartProducts";
inline constexpr const char* kVersionsTable = "tblQuillmartVersions";
inline constexpr const char* kLinkTable = "tblQuillmartProductProdTypeLink";
inline constexpr const char* kRelatedTable = "tblQuillmartRelatedProducts";
inline constexpr const char* kTaxRatesTable = "tblQuillmartTaxRates";
// Where the tax bands live; the importers restore them there.
inline constexpr const char* kConfigTable = "tblQuillmartConfig";

// What every catalogue import shares, so that an importer is only the reading
// of its source and the mapping of its rows: the destination's real table
// names, the statements (each kept in strQuery before it runs), the tax bands
// saved and restored, the clearing of the tables, the identities of new rows,
// the tax-rate map, and the image files staged until the commit.
//
// The import runs inside the transaction the transfer run holds on the
// destination, so a failure or a cancel leaves rows and files as they were.
class ImportFrame {
public:
    // Resolves the tables against the destination's own (a case-sensitive
    // MySQL server may spell tblQuillmartProdType "tblQuillmartProdtype") and,
    // when the system's images are copied, prepares the staging folder.
    // Throws, before anything is changed, when a table or the uploads folder
    // is missing.
    // beforeWrite (may be empty) is called once, before the first change.
    ImportFrame(run::RunContext& ctx, db::Connection& destination, data::ImageSystem system,
                const std::vector<std::string>& tables, std::function<void()> beforeWrite = {});

    run::RunContext& Context() { return ctx_; }
    void AddMessage(const std::string& text) { ctx_.status.AddMessage(text); }
    void AppendMessage(const std::string& text) { ctx_.status.AppendMessage(text); }
    void Yield() { ctx_.status.Yield(); }

    // The destination's own name of one of the frame's tables.
    const std::string& Table(const std::string& name) const;
    // A text as a literal the destination reads back unchanged; the table
    // (one of the frame's) and column name it in an error.
    std::string TextLiteral(const std::string& text, const std::string& table, const std::string& column) const;
    // "SELECT TOP 1 <columns> FROM <rest>" or "SELECT <columns> FROM <rest> LIMIT 0, 1".
    std::string FirstRow(const std::string& columns, const std::string& rest) const;
    // Executes a statement on the destination and closes its result. An
    // INSERT into one of the frame's tables is counted for the run report.
    void Run(std::string sql);

    // Reads the two tax bands' rates, before the tax rates are cleared.
    void SaveTaxBands();
    // Points the two tax bands at rows with the saved rates again.
    void RestoreTaxBands();
    // The status line, then the destination's delete statement for each table.
    void ClearTables(const std::string& statusText, const std::vector<std::string>& tables);

    bool CopyingImages() const { return images_.has_value(); }
    // Both do nothing when images are not copied.
    void DeleteImages(const std::string& subfolder);
    void CopyImage(const std::string& sourceFile, const std::string& subfolder, std::int32_t id);
    // Stages a file (a download) under targetName, extension included; false
    // when images are not copied or the file is not found.
    bool CopyFile(const std::string& sourcePath, const std::string& targetName);

    // Runs the INSERT of a row into one of the frame's tables and returns the
    // new row's identity: the engine's own last-insert id, checked once per
    // table against readBack (the statement that finds the newest row with
    // the values just written) and used alone from then on; readBack alone
    // when the engine cannot tell or the two disagreed.
    std::int32_t Insert(const std::string& table, std::string insert, const std::string& readBack);
    // The T_ID for a rate written as rateText (a checked number), adding a
    // tax rate row the first time; firstRowForm limits the read-back to one row.
    std::int32_t TaxRateId(const std::string& rateText, bool firstRowForm);
    data::TaxRateMap& TaxRates() { return taxRates_; }

    // Ends a successful import: the tax rates and image files are counted
    // for the run report, the missing files go to the warnings once, and the
    // staged image files (if any) go to the caller, who puts them in
    // place once the destination has committed.
    std::optional<ImageFiles> Finish();

private:
    enum class Identity { Unchecked, Trusted, ReadBack };
    std::int32_t ReadBackId(const std::string& table, const std::string& readBack);
    void CountInsert(const std::string& sql);

    run::RunContext& ctx_;
    db::Connection& destination_;
    std::map<std::string, std::string> tables_;
    std::map<std::string, Identity> identity_;
    std::optional<ImageFiles> images_;
    data::TaxRateMap taxRates_;
    std::array<float, 2> savedRates_{};
    std::function<void()> beforeWrite_;
};

}  // namespace qdt::importers
