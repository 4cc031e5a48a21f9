#include "importers/FlatFileImporter.h"

#include <unordered_map>
#include <unordered_set>

#include "data/Statement.h"
#include "data/run/Progress.h"
#include "importers/FlatFileRow.h"
#include "importers/ImportFrame.h"

namespace qdt::importers {

namespace {

const std::vector<std::string> kClearedTables = {kProdTypeTable, kProductsTable, kVersionsTable, kLinkTable,
                                                 kTaxRatesTable};
const char* const kImageFolders[] = {"images_categories", "images_products", "images_versions"};

class FlatFileImport {
public:
    FlatFileImport(run::RunContext& ctx, db::Connection& destination, const std::function<void()>& beforeWrite)
        : frame_(ctx, destination, data::kImagesFlatFile, kClearedTables, beforeWrite) {}

    std::optional<ImageFiles> Run(db::Connection& source, const std::string& table, const std::string& sourceName) {
        run::RunContext& ctx = frame_.Context();
        frame_.SaveTaxBands();

        // Counted and checked before the tables are cleared: a bad row must
        // not leave the shop without a catalogue.
        frame_.AddMessage("Getting Record Count... ");
        frame_.Yield();
        auto rows = data::ExecuteStatement(ctx, source, "SELECT * FROM " + table);
        source_ = {sourceName, rows.get()};
        const std::size_t count = CheckFlatFileSource(*rows, source_, ctx.status);
        frame_.AppendMessage(std::to_string(count));
        frame_.Yield();
        rows->MoveFirst();

        frame_.ClearTables("Deleting records from destination tables... ", kClearedTables);
        if (frame_.CopyingImages()) {
            frame_.AddMessage("Deleting old category, product and version images... ");
            frame_.Yield();
            for (const char* folder : kImageFolders) {
                frame_.DeleteImages(folder);
                frame_.DeleteImages(std::string(folder) + "_large");
            }
            frame_.AppendMessage("done.");
            frame_.Yield();
        }

        frame_.AddMessage("Processing Records... ");
        frame_.Yield();
        std::size_t processed = 0;
        std::size_t rowNumber = 1;
        for (; !rows->Eof(); rows->MoveNext()) {
            ++rowNumber;
            FlatFileRow row = ReadFlatFileRow(*rows);
            if (!row[kVersionCode].empty()) {
                ImportRow(row, rowNumber);
                ++processed;
                ctx.status.SetBarValue(run::Bar::Total,
                                       run::Percent(static_cast<double>(processed), static_cast<double>(count)));
                frame_.Yield();
            }
            frame_.Yield();
        }
        rows->Close();
        frame_.AppendMessage("done.");
        frame_.Yield();

        frame_.RestoreTaxBands();
        return frame_.Finish();
    }

private:
    void ImportRow(FlatFileRow& row, std::size_t rowNumber) {
        ImportCategories(row);
        ImportProduct(row);
        Link(row);
        if (versions_.insert(row[kVersionCode]).second)
            ImportVersion(row, CheckVersionNumbers(row, rowNumber, source_));
    }

    // A category is known by its whole path, so one name under two parents is two categories.
    void ImportCategories(FlatFileRow& row) {
        std::int32_t parent = 0;
        for (std::size_t level = 0; level < kCategoryLevels; ++level) {
            const std::string& name = row.Level(level, kCategoryName);
            if (name.empty()) continue;
            row.categoryPath += '\0';
            row.categoryPath += name;
            auto [entry, added] = categories_.try_emplace(row.categoryPath, 0);
            if (added) {
                const std::string& table = frame_.Table(kProdTypeTable);
                const std::string nameLiteral = frame_.TextLiteral(name, kProdTypeTable, "PT_Name1");
                entry->second = frame_.Insert(
                    kProdTypeTable,
                    "INSERT INTO " + table +
                        " (PT_MotherProdType, PT_Live, PT_Name1, PT_Desc1, PT_ProductDisplayType, "
                        "PT_ProdTypeDisplayType, PT_OrderByValue, PT_OrderProductsBy) VALUES (" +
                        std::to_string(parent) + ",'y'," + nameLiteral + ", " +
                        frame_.TextLiteral(row.Level(level, kCategoryDesc), kProdTypeTable, "PT_Desc1") + ", 'd', 'd', 0,'')",
                    frame_.FirstRow("PT_ID", table + " WHERE PT_Name1 = " + nameLiteral + " ORDER BY PT_ID DESC"));
                frame_.CopyImage(row.Level(level, kCategoryImage), "images_categories", entry->second);
                frame_.CopyImage(row.Level(level, kCategoryLargeImage), "images_categories_large", entry->second);
            }
            parent = entry->second;
        }
        row.categoryId = parent;
    }

    // A product keeps the texts and images of the first row that names it.
    void ImportProduct(FlatFileRow& row) {
        auto [entry, added] = products_.try_emplace(row[kProductName], 0);
        if (added) {
            const std::string& table = frame_.Table(kProductsTable);
            const std::string nameLiteral = frame_.TextLiteral(row[kProductName], kProductsTable, "P_Name1");
            entry->second = frame_.Insert(
                kProductsTable,
                "INSERT INTO " + table +
                    " (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_SpecTable1, P_Hyperlink1, P_Featured, "
                    "P_OrderByValue, P_OrderVersionsBy, P_VersionDisplayType) VALUES ('y', " +
                    nameLiteral + ", " + frame_.TextLiteral(row[kProductDesc], kProductsTable, "P_Desc1") + ", " +
                    frame_.TextLiteral(row[kProductStrapLine], kProductsTable, "P_StrapLine1") + ", " + frame_.TextLiteral(row[kProductSpecTable], kProductsTable, "P_SpecTable1") +
                    ", " + frame_.TextLiteral(row[kProductHyperlink], kProductsTable, "P_Hyperlink1") + ", 0, 0, '', 'd')",
                frame_.FirstRow("P_ID", table + " WHERE P_Name1 = " + nameLiteral + " ORDER BY P_ID DESC"));
            frame_.CopyImage(row[kProductImage], "images_products", entry->second);
            frame_.CopyImage(row[kProductLargeImage], "images_products_large", entry->second);
        }
        row.productId = entry->second;
    }

    // One link for each category path a product's rows name.
    void Link(const FlatFileRow& row) {
        if (!links_.insert((std::int64_t{row.categoryId} << 32) | std::uint32_t(row.productId)).second) return;
        frame_.Run("INSERT INTO " + frame_.Table(kLinkTable) + " VALUES(" + std::to_string(row.productId) + "," +
                   std::to_string(row.categoryId) + ")");
    }

    void ImportVersion(FlatFileRow& row, const VersionNumbers& numbers) {
        row.taxId = frame_.TaxRateId(numbers.taxRate, true);
        const std::string& table = frame_.Table(kVersionsTable);
        const std::string codeLiteral = frame_.TextLiteral(row[kVersionCode], kVersionsTable, "V_CodeNumber");
        const std::string insert =
            "INSERT INTO " + table +
            " (V_Name1, V_CodeNumber, V_Price, V_Weight, V_RRP, V_Quantity, V_Desc1, V_Product, V_Live, "
            "V_DownLoadInfo, V_DownloadType, V_OrderByValue, V_Tax) VALUES (" +
            frame_.TextLiteral(row[kVersionName], kVersionsTable, "V_Name1") + ", " + codeLiteral + ", " + numbers.price + ", " + numbers.weight +
            ", " + numbers.rrp + ", " + numbers.quantity + ", " + frame_.TextLiteral(row[kVersionDesc], kVersionsTable, "V_Desc1") + ", " +
            std::to_string(row.productId) + ",'y','','n',0," + std::to_string(row.taxId) + ")";
        // Only a version's image files are named by its identity; asking for
        // one nobody uses would cost a round trip per version on a server.
        const bool named = frame_.CopyingImages() && !(row[kVersionImage].empty() && row[kVersionLargeImage].empty());
        if (!named) {
            frame_.Run(insert);
            return;
        }
        row.versionId = frame_.Insert(
            kVersionsTable, insert,
            frame_.FirstRow("V_ID", table + " WHERE V_CodeNumber = " + codeLiteral + " ORDER BY V_ID DESC"));
        frame_.CopyImage(row[kVersionImage], "images_versions", row.versionId);
        frame_.CopyImage(row[kVersionLargeImage], "images_versions_large", row.versionId);
    }

    ImportFrame frame_;
    FlatFileSource source_;
    std::unordered_map<std::string, std::int32_t> categories_;
    std::unordered_map<std::string, std::int32_t> products_;
    std::unordered_set<std::int64_t> links_;
    std::unordered_set<std::string> versions_;
};

}  // namespace

std::optional<ImageFiles> ImportFlatFile(run::RunContext& ctx, const std::string& table, db::Connection& source,
                                         db::Connection& destination, const std::function<void()>& beforeWrite) {
    return FlatFileImport(ctx, destination, beforeWrite).Run(source, table, FlatFileSourceName(ctx.source, table));
}

std::vector<std::string> FlatFileTablesWritten() { return kClearedTables; }

std::string FlatFileSourceName(const data::ConnectionProfile& source, const std::string& table) {
    const std::string file = "'" + source.Database + "'";
    if (source.Kind == data::kExcel) {
        std::string sheet = table;
        if (sheet.size() >= 2 && sheet.front() == '[' && sheet.back() == ']') sheet = sheet.substr(1, sheet.size() - 2);
        if (!sheet.empty() && sheet.back() == '$') sheet.pop_back();
        return "worksheet " + sheet + " of " + file;
    }
    if (source.Kind == data::kTextFile) return file;
    return "table " + table + " of " + file;
}

}  // namespace qdt::importers
