#include "importers/VpaspImporter.h"

#include <charconv>
#include <unordered_map>

#include "data/run/Progress.h"
#include "db/Value.h"
#include "importers/ImportFrame.h"
#include "importers/VpaspSource.h"

namespace qdt::importers {

namespace {

const std::vector<std::string> kClearedTables = {kProdTypeTable, kProductsTable, kVersionsTable,
                                                 kLinkTable,     kRelatedTable,  kTaxRatesTable};

// A float as the decimal a user would have typed for it (19.99, not
// 19.9899997...), so that sums of prices carry no binary noise.
double Typed(float value) {
    const std::string text = db::FormatSingle(value);
    double typed = 0;
    std::from_chars(text.data(), text.data() + text.size(), typed);
    return typed;
}

std::string Yn(bool flag) { return flag ? "y" : "n"; }

class VpaspImport {
public:
    VpaspImport(run::RunContext& ctx, db::Connection& destination, const std::function<void()>& beforeWrite)
        : ctx_(ctx), frame_(ctx, destination, data::kImagesVpasp, kClearedTables, beforeWrite) {}

    std::optional<ImageFiles> Run(db::Connection& source) {
        run::Status& status = ctx_.status;
        frame_.SaveTaxBands();

        // Read and checked whole before the tables are cleared: a bad product
        // must not leave the shop without a catalogue.
        frame_.AddMessage("Reading the VPASP shop... ");
        frame_.Yield();
        const VpaspShop shop = ReadVpaspShop(ctx_, source);
        frame_.AppendMessage("done.");
        frame_.Yield();

        status.SetBarMax(run::Bar::Current, 6);
        status.SetBarValue(run::Bar::Current, 0);
        frame_.ClearTables("\r\nDeleting catalogue tables... ", kClearedTables);
        status.SetBarValue(run::Bar::Current, 6);
        DeleteImages("Deleting old category images... ", "images_categories");

        frame_.AddMessage("Adding categories... ");
        frame_.Yield();
        WriteCategories(shop);
        frame_.AppendMessage("done.");
        frame_.Yield();

        DeleteImages("Deleting old product images... ", "images_products");
        DeleteImages("Deleting old product images (large)... ", "images_products_large");
        frame_.AddMessage("Getting record count... ");
        status.SetBarMax(run::Bar::Current, 100);
        frame_.AppendMessage(std::to_string(shop.products.size()));
        frame_.Yield();

        frame_.AddMessage("Adding products...");
        frame_.Yield();
        status.SetBarValue(run::Bar::Current, 0);
        std::size_t done = 0;
        for (const VpaspProduct& product : shop.products) {
            WriteProduct(product);
            status.SetBarValue(run::Bar::Current, run::Percent(static_cast<double>(++done),
                                                               static_cast<double>(shop.products.size())));
            frame_.Yield();
        }
        frame_.AppendMessage("done.");
        frame_.Yield();

        frame_.AddMessage("Adding related products... ");
        frame_.Yield();
        WriteRelated(shop);
        frame_.AppendMessage("done.");
        frame_.Yield();

        frame_.RestoreTaxBands();
        return frame_.Finish();
    }

private:
    void DeleteImages(const std::string& statusText, const std::string& subfolder) {
        if (!frame_.CopyingImages()) return;
        frame_.AddMessage(statusText);
        frame_.Yield();
        frame_.DeleteImages(subfolder);
        frame_.AppendMessage("done.");
        frame_.Yield();
    }

    std::string Text(const std::string& text, const char* table, const char* column) const {
        return frame_.TextLiteral(text, table, column);
    }

    void WriteCategories(const VpaspShop& shop) {
        run::Status& status = ctx_.status;
        status.SetBarValue(run::Bar::Current, 0);
        status.SetBarMax(run::Bar::Current, static_cast<double>(shop.categories.size()));
        const std::string& table = frame_.Table(kProdTypeTable);
        std::size_t done = 0;
        for (std::size_t index : shop.order.order) {
            const VpaspCategory& category = shop.categories[index];
            // Parents are written first; a parent that is not found is a top-level or orphaned category's.
            const auto parent = categories_.find(category.parentId);
            const std::int32_t parentId = category.TopLevel() || parent == categories_.end() ? 0 : parent->second;
            const std::string name = Text(category.name, kProdTypeTable, "PT_Name1");
            const std::int32_t id = frame_.Insert(
                kProdTypeTable,
                "INSERT INTO " + table +
                    " (PT_MotherProdType,PT_Live,PT_Name1,PT_Desc1,PT_ProductDisplayType,PT_ProdTypeDisplayType,"
                    "PT_OrderByValue,PT_OrderProductsBy) VALUES (" +
                    std::to_string(parentId) + ",'" + Yn(category.live) + "'," + name + "," +
                    Text(category.description, kProdTypeTable, "PT_Desc1") + ",'e','n',0,'')",
                frame_.FirstRow("PT_ID", table + " WHERE PT_Name1=" + name + " ORDER BY PT_ID DESC"));
            categories_[category.id] = id;
            frame_.CopyImage(category.image, "images_categories", id);
            status.SetBarValue(run::Bar::Current, static_cast<double>(++done));
            frame_.Yield();
        }
    }

    void WriteProduct(const VpaspProduct& product) {
        const std::int32_t taxId = frame_.TaxRateId(product.taxRate, false);
        const std::string& table = frame_.Table(kProductsTable);
        const std::string name = Text(product.name, kProductsTable, "P_Name1");
        const std::int32_t id = frame_.Insert(
            kProductsTable,
            "INSERT INTO " + table +
                " (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, P_OrderByValue, "
                "P_OrderVersionsBy, P_VersionDisplayType) VALUES ('" +
                Yn(product.live) + "'," + name + "," + Text(product.description, kProductsTable, "P_Desc1") + "," +
                Text(product.strapLine, kProductsTable, "P_StrapLine1") + "," +
                Text(product.hyperlink, kProductsTable, "P_HyperLink1") + ",0,0,'','o')",
            frame_.FirstRow("P_ID", table + " WHERE P_Name1=" + name + " ORDER BY P_ID DESC"));
        products_[std::to_string(product.number)] = id;
        frame_.Yield();
        frame_.CopyImage(product.image, "images_products", id);
        frame_.CopyImage(product.largeImage, "images_products_large", id);

        for (const std::string& category : product.categoryIds)
            frame_.Run("INSERT INTO " + frame_.Table(kLinkTable) + " (PPT_ProductID, PPT_ProdTypeID) VALUES(" +
                       std::to_string(id) + "," + std::to_string(categories_.at(category)) + ")");

        const bool priced = WriteVersions(product, id, taxId);
        const std::string update = "UPDATE " + table + " SET P_VersionDisplayType = ";
        if (product.versions == 1)
            frame_.Run(update + "'n' WHERE P_ID = " + std::to_string(id));
        else if (priced)
            frame_.Run(update + "'p' WHERE P_ID = " + std::to_string(id));
    }

    // Writes one version per combination of options; true when an option
    // with a price above 0 took part.
    bool WriteVersions(const VpaspProduct& product, std::int32_t productId, std::int32_t taxId) {
        // What every version of the product shares.
        const std::string tail = "," + std::to_string(taxId) + "," + db::FormatSingle(product.weight) + "," +
                                 std::to_string(product.stock) + ",0," + Text("", kVersionsTable, "V_Desc1") + "," +
                                 std::to_string(productId) + ",'y','','n',0," + db::FormatSingle(product.rrp) + ")";
        const std::string head =
            "INSERT INTO " + frame_.Table(kVersionsTable) +
            " (V_Name1,V_CodeNumber,V_Price,V_Tax,V_Weight,V_Quantity,V_QuantityWarnLevel,V_Desc1,V_Product,V_Live,"
            "V_DownLoadInfo,V_DownloadType,V_OrderByValue, V_RRP) VALUES (";
        const double basePrice = Typed(product.price);
        bool priced = false;
        Combinations combination(product.groups);
        for (std::uint64_t k = 1; k <= product.versions; ++k) {
            std::string name;
            double price = basePrice;
            for (std::size_t g = 0; g < product.groups.size(); ++g) {
                const FeatureOption& option = combination.Option(g);
                name += (g == 0 ? "" : ", ") + option.name;
                price += Typed(option.price);
                if (option.price > 0) priced = true;
            }
            frame_.Run(head + Text(name, kVersionsTable, "V_Name1") + "," +
                       Text(product.code + "-" + std::to_string(k), kVersionsTable, "V_CodeNumber") + "," +
                       db::FormatComputed(price) + tail);
            combination.Advance();
            frame_.Yield();
        }
        return priced;
    }

    void WriteRelated(const VpaspShop& shop) {
        run::Status& status = ctx_.status;
        std::size_t entries = 0;
        for (const VpaspProduct& product : shop.products) entries += product.crossSelling.empty() ? 0 : 1;
        status.SetBarValue(run::Bar::Current, 0);
        status.SetBarMax(run::Bar::Current, static_cast<double>(entries));
        const std::string insert =
            "INSERT INTO " + frame_.Table(kRelatedTable) + " (RP_ParentID, RP_ChildID) VALUES (";
        std::size_t done = 0;
        for (const VpaspProduct& product : shop.products) {
            if (product.crossSelling.empty()) continue;
            const std::string parent = std::to_string(products_.at(std::to_string(product.number)));
            std::string skipped;
            std::size_t start = 0;
            for (;;) {
                const std::size_t end = product.crossSelling.find(',', start);
                // Taken as written: " 3" does not name product 3.
                const std::string piece = product.crossSelling.substr(start, end == std::string::npos ? end : end - start);
                const auto child = products_.find(piece);
                if (child == products_.end())
                    skipped += (skipped.empty() ? "'" : ", '") + piece + "'";
                else
                    frame_.Run(insert + parent + "," + std::to_string(child->second) + ")");
                if (end == std::string::npos) break;
                start = end + 1;
            }
            if (!skipped.empty())
                ctx_.strWarnings += "The VPASP product " + product.Label() +
                                    " lists cross-selling products that were not imported: " + skipped +
                                    "; they were skipped.\r\n";
            status.SetBarValue(run::Bar::Current, static_cast<double>(++done));
            frame_.Yield();
        }
    }

    run::RunContext& ctx_;
    ImportFrame frame_;
    std::unordered_map<std::string, std::int32_t> categories_;  // categoryid -> PT_ID
    std::unordered_map<std::string, std::int32_t> products_;    // catalogid -> P_ID
};

}  // namespace

std::optional<ImageFiles> ImportVPASP(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                      const std::function<void()>& beforeWrite) {
    return VpaspImport(ctx, destination, beforeWrite).Run(source);
}

std::vector<std::string> VpaspTablesWritten() { return kClearedTables; }

}  // namespace qdt::importers
