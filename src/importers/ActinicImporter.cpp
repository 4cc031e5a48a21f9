#include "importers/ActinicImporter.h"

#include <map>
#include <set>
#include <stdexcept>

#include "data/run/Progress.h"
#include "db/Value.h"
#include "importers/ActinicAttributes.h"
#include "importers/ActinicSource.h"
#include "importers/ActinicVersions.h"
#include "importers/ImportFrame.h"
#include "importers/SourceFileFinder.h"

namespace qdt::importers {

namespace {

const std::vector<std::string> kClearedTables = {kProdTypeTable, kProductsTable,
                                                 kVersionsTable, kLinkTable, kRelatedTable, kTaxRatesTable};
// More versions than this for one product is a catalogue fault, not a shop.
constexpr std::int64_t kMaxVersions = 100000;
// Version names are cut to this many characters.
constexpr std::size_t kVersionNameLength = 75;

class ActinicImport {
public:
    ActinicImport(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                  const std::function<void()>& beforeWrite, RandomName& names)
        : source_(source), frame_(ctx, destination, data::kImagesActinic, kClearedTables, beforeWrite),
          names_(names) {}

    std::optional<ImageFiles> Run() {
        run::RunContext& ctx = frame_.Context();
        frame_.SaveTaxBands();

        // Everything that could stop the import is read before the first change.
        std::vector<std::int32_t> orphans;
        const std::vector<ActinicSection> sections = ParentsFirst(ReadActinicSections(ctx, source_), orphans);
        const int taxColumns = CountActinicTaxColumns(ctx, source_);
        const std::set<std::string> withComponents = CheckActinicComponents(ctx, source_);
        const std::vector<ActinicProduct> products = ReadActinicProducts(ctx, source_, taxColumns, withComponents);

        ctx.status.SetBarMax(run::Bar::Current, 6);
        ctx.status.SetBarValue(run::Bar::Current, 0);
        frame_.ClearTables("\r\nDeleting catalogue tables... ", kClearedTables);
        ctx.status.SetBarValue(run::Bar::Current, 6);

        if (frame_.CopyingImages()) Step("Deleting old category images... ", {"images_categories"});
        AddSections(sections, orphans);
        if (frame_.CopyingImages()) {
            Step("Deleting old product images... ", {"images_products"});
            Step("Deleting old product images (large)... ", {"images_products_large"});
            Step("Deleting old version uploads... ", {"files_versions"});
        }

        frame_.AddMessage("Getting record count... ");
        ctx.status.SetBarMax(run::Bar::Current, 100);
        frame_.AppendMessage(std::to_string(products.size()));
        frame_.AddMessage("Adding products...");
        frame_.Yield();
        ctx.status.SetBarValue(run::Bar::Current, 0);
        for (std::size_t i = 0; i < products.size(); ++i) {
            AddProduct(products[i]);
            ctx.status.SetBarValue(run::Bar::Current, run::Percent(static_cast<double>(i + 1),
                                                                   static_cast<double>(products.size())));
            frame_.Yield();
        }
        frame_.AppendMessage("done.");
        frame_.Yield();
        frame_.RestoreTaxBands();
        return frame_.Finish();
    }

private:
    void Step(const std::string& text, const std::vector<std::string>& subfolders) {
        frame_.AddMessage(text);
        frame_.Yield();
        for (const std::string& folder : subfolders) frame_.DeleteImages(folder);
        frame_.AppendMessage("done.");
        frame_.Yield();
    }

    void Warn(const std::string& warning) { frame_.Context().strWarnings += warning + "\r\n"; }

    std::string Literal(const std::string& text, const char* table, const char* column) const {
        return frame_.TextLiteral(text, table, column);
    }

    void AddSections(const std::vector<ActinicSection>& sections, const std::vector<std::int32_t>& orphans) {
        run::RunContext& ctx = frame_.Context();
        frame_.AddMessage("Adding categories... ");
        frame_.Yield();
        ctx.status.SetBarValue(run::Bar::Current, 0);
        ctx.status.SetBarMax(run::Bar::Current, static_cast<double>(sections.size()));
        const std::string& table = frame_.Table(kProdTypeTable);
        std::size_t done = 0;
        for (const ActinicSection& s : sections) {
            for (std::int32_t orphan : orphans)
                if (orphan == s.id)
                    Warn("The section '" + s.name + "' (" + std::to_string(s.id) +
                         ") names a parent section that is not in the catalogue; it was imported as a top-level "
                         "category.");
            const std::int32_t parent = s.parent == 0 ? 0 : sections_.at(s.parent);
            const std::string name = Literal(s.name, kProdTypeTable, "PT_Name1");
            const std::int32_t id = frame_.Insert(
                kProdTypeTable,
                "INSERT INTO " + table +
                    " (PT_MotherProdType,PT_Live,PT_Name1,PT_Desc1,PT_ProductDisplayType,PT_ProdTypeDisplayType,"
                    "PT_OrderByValue,PT_OrderProductsBy) VALUES (" +
                    std::to_string(parent) + "," + (s.hidden ? "'n'" : "'y'") + "," + name + "," +
                    Literal(s.description, kProdTypeTable, "PT_Desc1") + ",'d','n'," + std::to_string(s.sequence) +
                    ",'P_OrderByValue')",
                frame_.FirstRow("PT_ID", table + " WHERE PT_Name1=" + name + " ORDER BY PT_ID DESC"));
            sections_[s.id] = id;
            frame_.CopyImage(s.image, "images_categories", id);
            ctx.status.SetBarValue(run::Bar::Current, static_cast<double>(++done));
            frame_.Yield();
        }
        frame_.AppendMessage("done.");
        frame_.Yield();
    }

    void AddProduct(const ActinicProduct& product) {
        run::RunContext& ctx = frame_.Context();
        const std::int32_t taxId = frame_.TaxRateId(db::FormatSingle(product.taxRate), false);
        const std::string& table = frame_.Table(kProductsTable);
        const std::string name = Literal(product.name, kProductsTable, "P_Name1");
        const std::int32_t id = frame_.Insert(
            kProductsTable,
            "INSERT INTO " + table +
                " (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, P_OrderByValue, "
                "P_OrderVersionsBy, P_VersionDisplayType) VALUES ('y'," +
                name + "," + Literal(product.description, kProductsTable, "P_Desc1") + ",'','',0," +
                std::to_string(product.sequence) + ",'V_OrderByValue','o')",
            frame_.FirstRow("P_ID", table + " WHERE P_Name1=" + name + " ORDER BY P_ID DESC"));
        frame_.CopyImage(product.image, "images_products", id);
        frame_.CopyImage(product.largeImage, "images_products_large", id);

        if (auto section = sections_.find(product.section); section != sections_.end()) {
            frame_.Run("INSERT INTO " + frame_.Table(kLinkTable) + " (PPT_ProductID, PPT_ProdTypeID) VALUES(" +
                       std::to_string(id) + "," + std::to_string(section->second) + ")");
        } else {
            Warn("The product '" + product.name + "' (reference '" + product.reference + "') is in the section " +
                 std::to_string(product.section) +
                 ", which is not in the catalogue; it was imported without a category.");
        }

        std::vector<ActinicAttribute> attributes = ReadActinicAttributes(ctx, source_, product);
        const std::int64_t count = ActinicVersionCount(attributes);
        if (count > kMaxVersions)
            throw std::runtime_error("The product '" + product.name + "' (reference '" + product.reference +
                                     "') would have " + std::to_string(count) +
                                     " versions, one for each combination of its choices; more than " +
                                     std::to_string(kMaxVersions) + " cannot be imported.");
        if (count == 0)
            Warn("The product '" + product.name + "' (reference '" + product.reference +
                 "') has no combination of choices to make a version of; it was imported without versions.");
        if (count == 1 || product.pricingModel != 0)
            frame_.Run("UPDATE " + table + " SET P_VersionDisplayType = '" + (count == 1 ? "n" : "p") +
                       "' WHERE P_ID = " + std::to_string(id));
        for (std::int64_t p = 1; p <= count; ++p) {
            AddVersion(product, PriceActinicVersion(ctx, source_, product, attributes, p), id, taxId);
            AdvanceActinicChoices(attributes);
        }
    }

    void AddVersion(const ActinicProduct& product, const ActinicVersion& version, std::int32_t productId,
                    std::int32_t taxId) {
        const std::string& table = frame_.Table(kVersionsTable);
        // Cut before the quotes are doubled, so that a cut never splits a doubled quote.
        const std::string name = Literal(FirstCharacters(version.name, kVersionNameLength), kVersionsTable, "V_Name1");
        const std::string insert =
            "INSERT INTO " + table +
            " (V_Name1,V_CodeNumber,V_Price,V_Tax,V_Weight,V_Quantity,V_QuantityWarnLevel,V_Desc1,V_Product,V_Live,"
            "V_DownLoadInfo,V_DownloadType,V_OrderByValue,V_RRP) VALUES (" +
            name + "," + Literal(version.code, kVersionsTable, "V_CodeNumber") + "," +
            db::FormatComputed(version.price) + "," + std::to_string(taxId) + "," + std::to_string(product.weight) +
            "," + std::to_string(product.quantity) + "," + std::to_string(product.warnLevel) + ",''," +
            std::to_string(productId) + ",'y','','n'," + std::to_string(version.order) + ",0)";
        // The identity is only needed to name a download file.
        if (!frame_.CopyingImages() || product.downloadFile.empty()) {
            frame_.Run(insert);
            return;
        }
        const std::int32_t id = frame_.Insert(
            kVersionsTable, insert, frame_.FirstRow("V_ID", table + " WHERE V_Name1=" + name + " ORDER BY V_ID DESC"));
        const std::string random = names_.Next(8);
        const std::string extension = SourceExtension(product.downloadFile);
        if (!frame_.CopyFile(product.downloadFile,
                             "files_versions\\" + std::to_string(id) + "_" + random + "." + extension)) {
            // Once per product, not once for each of its versions.
            if (missingDownloads_.insert(product.name + "\n" + product.downloadFile).second)
                Warn("The download file '" + product.downloadFile + "' of the product '" + product.name +
                     "' was not found; its versions were imported without a download.");
            return;
        }
        frame_.Run("UPDATE " + table +
                   " SET V_DownloadInfo = " + Literal(extension + "|" + random, kVersionsTable, "V_DownloadInfo") +
                   ", V_DownloadType = 'u' WHERE V_ID = " + std::to_string(id));
    }

    db::Connection& source_;
    ImportFrame frame_;
    RandomName& names_;
    std::set<std::string> missingDownloads_;
    std::map<std::int32_t, std::int32_t> sections_;
};

}  // namespace

std::optional<ImageFiles> ImportActinic(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                        const std::function<void()>& beforeWrite, RandomName* names) {
    RandomName own;
    return ActinicImport(ctx, source, destination, beforeWrite, names ? *names : own).Run();
}

std::vector<std::string> ActinicTablesWritten() { return kClearedTables; }

}  // namespace qdt::importers
