#include "importers/ComersusImporter.h"

#include <charconv>
#include <stdexcept>
#include <unordered_set>
#include <utility>

#include "data/Statement.h"
#include "data/run/Progress.h"
#include "db/Value.h"
#include "importers/ComersusCategories.h"
#include "importers/ComersusSource.h"
#include "importers/ComersusVersions.h"
#include "importers/ImportFrame.h"

namespace qdt::importers {

namespace {

const std::vector<std::string> kClearedTables = {kProdTypeTable, kProductsTable, kVersionsTable, kLinkTable,
                                                 kRelatedTable};

// The cleared tables, and the tax rates the versions' band is read from.
std::vector<std::string> FrameTables() {
    std::vector<std::string> tables = kClearedTables;
    tables.push_back(kTaxRatesTable);
    return tables;
}

// A related id as the source gave it, for the product map: only a whole
// number written plainly can name a product.
std::optional<std::int32_t> PlainId(const std::string& text) {
    std::int32_t id = 0;
    const auto res = std::from_chars(text.data(), text.data() + text.size(), id);
    if (res.ec != std::errc() || res.ptr != text.data() + text.size()) return std::nullopt;
    return id;
}

std::string Joined(const std::vector<std::string>& pieces) {
    std::string out;
    for (const std::string& piece : pieces) out += (out.empty() ? "" : ", ") + piece;
    return out;
}

struct Related {
    std::int32_t productId;
    std::string where;
    std::vector<std::string> pieces;
};

class ComersusImport {
public:
    ComersusImport(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                   const std::function<void()>& beforeWrite)
        : frame_(ctx, destination, data::kImagesComersus, FrameTables(), beforeWrite),
          ctx_(ctx),
          source_(source),
          destination_(destination),
          status_(ctx.status) {}

    std::optional<ImageFiles> Run() {
        // Everything that would stop the import part-way for want of a row
        // or a table is looked at while the destination is still untouched.
        CheckComersusSource(ctx_, source_);
        ReadTaxBand();
        const std::int32_t root = RootCategory();

        status_.SetBarMax(run::Bar::Current, 6);
        status_.SetBarValue(run::Bar::Current, 0);
        frame_.ClearTables("\r\nDeleting catalogue tables... ", kClearedTables);
        status_.SetBarValue(run::Bar::Current, static_cast<double>(kClearedTables.size()));
        DeleteImages("Deleting old category images... ", {"images_categories"});

        frame_.AddMessage("Adding categories... ");
        frame_.Yield();
        status_.SetBarValue(run::Bar::Current, 0);
        status_.SetBarMax(run::Bar::Current,
                          Count("SELECT COUNT(*) As Countage FROM categories WHERE categoryDesc <> 'Root'"));
        ImportComersusCategories(source_, frame_, categories_, root, true);
        frame_.AppendMessage("done.");
        frame_.Yield();

        DeleteImages("Deleting old product images... ", {"images_products"});
        DeleteImages("Deleting old product images (large)... ", {"images_products_large"});
        // Version images are named by V_ID too, and the new versions reuse those numbers.
        DeleteImages("Deleting old version images... ", {"images_versions", "images_versions_large"});

        const std::string visible = ComersusVisibleProducts(ctx_.source.Kind);
        frame_.AddMessage("Getting record count... ");
        frame_.Yield();
        const double count = Count("SELECT COUNT(*) As Countage FROM products WHERE " + visible);
        status_.SetBarMax(run::Bar::Current, 100);
        frame_.AppendMessage(db::FormatDouble(count));
        frame_.Yield();

        frame_.AddMessage("Adding products...");
        frame_.Yield();
        auto products = data::ExecuteStatement(ctx_, source_, "SELECT * FROM products WHERE " + visible);
        status_.SetBarValue(run::Bar::Current, 0);
        double done = 0;
        for (; !products->Eof(); products->MoveNext()) {
            // A Yes/No column the filter could not see as -1.
            if (ComersusTrue(products->Fields("listHidden").Value())) continue;
            ImportProduct(*products);
            ++done;
            status_.SetBarValue(run::Bar::Current, run::Percent(done, count));
            frame_.Yield();
        }
        frame_.AppendMessage("done.");
        frame_.Yield();

        ImportRelated();
        products->Close();
        return frame_.Finish();
    }

private:
    void ReadTaxBand() {
        auto rows = data::ExecuteStatement(ctx_, destination_, "SELECT T_ID FROM " + frame_.Table(kTaxRatesTable));
        if (rows->Eof()) {
            rows->Close();
            throw std::runtime_error("The destination database has no tax rate in " + frame_.Table(kTaxRatesTable) +
                                     ": every imported version takes the first one as its tax band. Add a tax "
                                     "rate to the shop first. Nothing was changed.");
        }
        taxBand_ = rows->Fields(std::size_t{0}).Value().ToInteger();
        rows->Close();
        frame_.Yield();
    }

    std::int32_t RootCategory() {
        auto rows = data::ExecuteStatement(ctx_, source_, "SELECT * FROM categories WHERE categoryDesc = 'Root'");
        if (rows->Eof()) {
            rows->Close();
            throw std::runtime_error(
                "The Comersus source has no category named Root, the top of its category tree, so there is no "
                "tree to import. Nothing was changed.");
        }
        const std::int32_t id = ComersusId(*rows, "idCategory", "category 'Root'");
        rows->Close();
        return id;
    }

    double Count(const std::string& sql) {
        auto rows = data::ExecuteStatement(ctx_, source_, sql);
        const double count = rows->Fields("Countage").Value().ToDouble();
        rows->Close();
        return count;
    }

    void DeleteImages(const std::string& text, std::initializer_list<const char*> folders) {
        if (!frame_.CopyingImages()) return;
        frame_.AddMessage(text);
        frame_.Yield();
        for (const char* folder : folders) frame_.DeleteImages(folder);
        frame_.AppendMessage("done.");
        frame_.Yield();
    }

    void ImportProduct(const db::Recordset& row) {
        ComersusProductBasics basics;
        basics.name = row.Fields("description").Value().ToText();
        const std::string unnamed = "product '" + basics.name + "'";
        const std::int32_t id = ComersusId(row, "idProduct", unnamed);
        const std::string where = "product " + std::to_string(id) + " ('" + basics.name + "')";
        const bool live = ComersusTrue(row.Fields("active").Value());
        const std::string details = row.Fields("details").Value().ToText();
        const float rrp = ComersusSingle(row, "listPrice", where);
        const char* shipping = ComersusTrue(row.Fields("freeShipping").Value()) ? "f" : "n";
        basics.stock = ComersusWhole(
            ComersusNumberOrZero(row, "stock", where) - ComersusNumberOrZero(row, "stockSecurity", where), "stock",
            where);
        basics.stockLevelAlert =
            ComersusWhole(ComersusNumberOrZero(row, "stockLevelAlert", where), "stockLevelAlert", where);
        // P_Featured holds one character: a home-page product is 1, whether
        // the shop wrote -1 or a Yes/No column gave true.
        const bool featured = ComersusNumberOrZero(row, "showInHome", where) != 0;
        const bool bundle = ComersusTrue(row.Fields("isBundleMain").Value());
        basics.price = ComersusSingle(row, "price", where);
        basics.weight = ComersusSingle(row, "weight", where);
        basics.sku = row.Fields("sku").Value().ToText();
        frame_.Yield();

        const std::string& table = frame_.Table(kProductsTable);
        const std::string name = frame_.TextLiteral(basics.name, kProductsTable, "P_Name1");
        const std::int32_t productId = frame_.Insert(
            kProductsTable,
            "INSERT INTO " + table +
                " (P_Live, P_Name1, P_Desc1, P_StrapLine1, P_HyperLink1, P_Featured, P_OrderByValue, "
                "P_OrderVersionsBy, P_VersionDisplayType) VALUES ('" +
                (live ? "y" : "n") + "'," + name + "," + frame_.TextLiteral(details, kProductsTable, "P_Desc1") +
                ",'',''," + (featured ? "1" : "0") + ",0,'V_OrderByValue','o')",
            frame_.FirstRow("P_ID", table + " WHERE P_Name1=" + name + " ORDER BY P_ID DESC"));
        products_[id] = productId;
        frame_.Yield();
        frame_.CopyImage(row.Fields("smallImageURL").Value().ToText(), "images_products", productId);
        frame_.Yield();
        frame_.CopyImage(row.Fields("imageURL").Value().ToText(), "images_products_large", productId);
        frame_.Yield();

        Link(id, productId, where);
        ReadRelated(id, where);
        std::vector<ComersusOptionGroup> groups = bundle ? BundleGroup(id, basics) : OptionGroups(id, where);
        frame_.Yield();
        WriteVersions(ComersusVersions(std::move(basics), std::move(groups)), productId, rrp, shipping);
    }

    // A category that was not imported (Root itself, or one that Root does
    // not reach) cannot be linked: the link is left out with a warning.
    void Link(std::int32_t id, std::int32_t productId, const std::string& where) {
        auto rows = data::ExecuteStatement(ctx_, source_,
                                           "SELECT idCategory FROM categories_products WHERE idProduct = " +
                                               std::to_string(id));
        std::vector<std::string> skipped;
        std::unordered_set<std::int32_t> linked;
        for (; !rows->Eof(); rows->MoveNext()) {
            frame_.Yield();
            const std::string category = rows->Fields("idCategory").Value().ToText();
            const std::optional<std::int32_t> number = PlainId(category);
            const auto found = number ? categories_.find(*number) : categories_.end();
            if (found == categories_.end()) {
                skipped.push_back(category.empty() ? "(none)" : category);
                continue;
            }
            // The link table's key is the pair; a pair listed twice is one link.
            if (!linked.insert(found->second).second) continue;
            frame_.Run("INSERT INTO " + frame_.Table(kLinkTable) + " (PPT_ProductID, PPT_ProdTypeID) VALUES(" +
                       std::to_string(productId) + "," + std::to_string(found->second) + ")");
        }
        rows->Close();
        if (!skipped.empty())
            ctx_.strWarnings += "The Comersus " + where + " was not linked to the category " + Joined(skipped) +
                                ": no such category was imported (Root and the categories it does not reach are "
                                "not).\r\n";
    }

    void ReadRelated(std::int32_t id, const std::string& where) {
        auto rows = data::ExecuteStatement(ctx_, source_,
                                           "SELECT idRelatedProduct FROM relatedProducts WHERE idProduct = " +
                                               std::to_string(id));
        Related related{id, where, {}};
        for (; !rows->Eof(); rows->MoveNext()) related.pieces.push_back(rows->Fields("idRelatedProduct").Value().ToText());
        rows->Close();
        if (!related.pieces.empty()) related_.push_back(std::move(related));
        frame_.Yield();
    }

    // The main product alone, then one choice per item of the bundle.
    std::vector<ComersusOptionGroup> BundleGroup(std::int32_t id, const ComersusProductBasics& basics) {
        auto rows = data::ExecuteStatement(
            ctx_, source_,
            "SELECT products.description, products.sku, products.price, products.weight, products.imageURL, "
            "products.smallImageURL, products.stock, products.stockSecurity, products.stockLevelAlert FROM "
            "products INNER JOIN bundles on products.idProduct = bundles.idProduct WHERE bundles.mainIdProduct = " +
                std::to_string(id));
        ComersusOptionGroup group;
        ComersusOption mainAlone;
        mainAlone.price = basics.price;
        mainAlone.weight = basics.weight;
        group.options.push_back(mainAlone);
        for (; !rows->Eof(); rows->MoveNext()) {
            ComersusOption item;
            item.name = rows->Fields("description").Value().ToText();
            const std::string where =
                "bundle item '" + item.name + "' of product " + std::to_string(id) + " ('" + basics.name + "')";
            item.price = ComersusSingle(*rows, "price", where);
            item.weight = ComersusSingle(*rows, "weight", where);
            item.sku = rows->Fields("sku").Value().ToText();
            item.imageURL = rows->Fields("imageURL").Value().ToText();
            item.smallImageURL = rows->Fields("smallImageURL").Value().ToText();
            item.stock = ComersusWhole(
                ComersusNumberOrZero(*rows, "stock", where) - ComersusNumberOrZero(*rows, "stockSecurity", where),
                "stock", where);
            item.stockLevelAlert =
                ComersusWhole(ComersusNumberOrZero(*rows, "stockLevelAlert", where), "stockLevelAlert", where);
            group.options.push_back(std::move(item));
        }
        rows->Close();
        if (group.options.size() == 1) return {};
        std::vector<ComersusOptionGroup> groups;
        groups.push_back(std::move(group));
        return groups;
    }

    std::vector<ComersusOptionGroup> OptionGroups(std::int32_t id, const std::string& where) {
        auto rows = data::ExecuteStatement(
            ctx_, source_,
            "SELECT optionsgroups.idOptionGroup, optionsgroups.OptionGroupDesc FROM optionsgroups INNER JOIN "
            "optionsgroups_products ON optionsgroups.idOptionGroup = optionsgroups_products.idOptionGroup WHERE "
            "idProduct = " +
                std::to_string(id));
        std::vector<ComersusOptionGroup> groups;
        for (; !rows->Eof(); rows->MoveNext()) {
            ComersusOptionGroup group;
            group.groupId = ComersusId(*rows, "idOptionGroup", "option group of " + where);
            group.description = rows->Fields("OptionGroupDesc").Value().ToText();
            groups.push_back(std::move(group));
        }
        rows->Close();
        for (ComersusOptionGroup& group : groups) {
            auto options = data::ExecuteStatement(
                ctx_, source_,
                "SELECT options.idOption, options.optionDescrip, options.priceToAdd, options.weight FROM options "
                "INNER JOIN options_optionsgroups ON options.idOption = options_optionsgroups.idOption WHERE "
                "options_optionsgroups.idOptionGroup = " +
                    std::to_string(group.groupId));
            for (; !options->Eof(); options->MoveNext()) {
                if (group.options.empty()) group.options.emplace_back();  // the blank choice
                ComersusOption option;
                option.name = options->Fields("optionDescrip").Value().ToText();
                const std::string place = "option '" + option.name + "' of group " + std::to_string(group.groupId) +
                                          " ('" + group.description + "') of " + where;
                option.price = ComersusSingle(*options, "priceToAdd", place);
                option.weight = ComersusSingle(*options, "weight", place);
                group.options.push_back(std::move(option));
                frame_.Yield();
            }
            options->Close();
        }
        return groups;
    }

    void WriteVersions(ComersusVersions versions, std::int32_t productId, float rrp, const char* shipping) {
        const std::string& table = frame_.Table(kVersionsTable);
        const std::string tail = "," + std::to_string(productId) + ",'y','','" + shipping + "',";
        const std::string rrpText = db::FormatSingle(rrp);
        while (const std::optional<ComersusVersion> v = versions.Next()) {
            const std::string name = frame_.TextLiteral(v->name, kVersionsTable, "V_Name1");
            const std::string insert =
                "INSERT INTO " + table +
                " (V_Name1,V_CodeNumber,V_Price,V_Tax,V_Weight,V_Quantity,V_QuantityWarnLevel,V_Desc1,V_Product,"
                "V_Live,V_DownLoadInfo,V_DownloadType,V_OrderByValue, V_RRP) VALUES (" +
                name + "," + frame_.TextLiteral(v->code, kVersionsTable, "V_CodeNumber") + "," +
                db::FormatSingle(v->price) + "," + std::to_string(taxBand_) + "," + db::FormatSingle(v->weight) +
                "," + std::to_string(v->stock) + "," + std::to_string(v->stockLevelAlert) + ",''" + tail +
                std::to_string(v->orderValue) + "," + rrpText + ")";
            // Only a version's image files are named by its identity; asking
            // for one nobody uses would cost a round trip per version.
            if (frame_.CopyingImages() && !(v->smallImage.empty() && v->largeImage.empty())) {
                const std::int32_t versionId = frame_.Insert(
                    kVersionsTable, insert,
                    frame_.FirstRow("V_ID", table + " WHERE V_Name1=" + name + " ORDER BY V_ID DESC"));
                frame_.Yield();
                frame_.CopyImage(v->smallImage, "images_versions", versionId);
                frame_.Yield();
                frame_.CopyImage(v->largeImage, "images_versions_large", versionId);
            } else {
                frame_.Run(insert);
            }
            frame_.Yield();
        }
        if (const std::optional<char> type = versions.DisplayType())
            frame_.Run("UPDATE " + frame_.Table(kProductsTable) + " SET P_VersionDisplayType = '" + *type +
                       "' WHERE P_ID = " + std::to_string(productId));
    }

    // A related id that names no imported product (a hidden one, a deleted
    // one) is left out, with one warning per product naming them.
    void ImportRelated() {
        frame_.AddMessage("Adding related products... ");
        frame_.Yield();
        status_.SetBarValue(run::Bar::Current, 0);
        status_.SetBarMax(run::Bar::Current, static_cast<double>(related_.size()));
        const std::string insert =
            "INSERT INTO " + frame_.Table(kRelatedTable) + " (RP_ParentID, RP_ChildID) VALUES (";
        for (const Related& entry : related_) {
            const std::int32_t parent = products_.at(entry.productId);
            std::vector<std::string> skipped;
            for (const std::string& piece : entry.pieces) {
                const std::optional<std::int32_t> number = PlainId(piece);
                const auto found = number ? products_.find(*number) : products_.end();
                if (found == products_.end()) {
                    skipped.push_back(piece.empty() ? "(none)" : piece);
                    continue;
                }
                frame_.Run(insert + std::to_string(parent) + "," + std::to_string(found->second) + ")");
            }
            if (!skipped.empty())
                ctx_.strWarnings += "The Comersus " + entry.where + " was not related to the product " +
                                    Joined(skipped) + ": no such product was imported (hidden products are not).\r\n";
            status_.SetBarValue(run::Bar::Current, status_.BarValue(run::Bar::Current) + 1);
            frame_.Yield();
        }
        frame_.AppendMessage("done.");
        frame_.Yield();
    }

    ImportFrame frame_;
    run::RunContext& ctx_;
    db::Connection& source_;
    db::Connection& destination_;
    run::Status& status_;
    std::int64_t taxBand_ = 0;
    ComersusIdMap categories_;
    ComersusIdMap products_;
    std::vector<Related> related_;
};

}  // namespace

std::optional<ImageFiles> ImportComersus(run::RunContext& ctx, db::Connection& source, db::Connection& destination,
                                         const std::function<void()>& beforeWrite) {
    return ComersusImport(ctx, source, destination, beforeWrite).Run();
}

std::vector<std::string> ComersusTablesWritten() { return kClearedTables; }

}  // namespace qdt::importers
