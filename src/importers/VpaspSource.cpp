#include "importers/VpaspSource.h"

#include <cfloat>
#include <cmath>
#include <map>
#include <optional>
#include <stdexcept>
#include <unordered_set>

#include "data/Dialect.h"
#include "data/Statement.h"
#include "data/WholeNumber.h"
#include "data/run/Progress.h"
#include "db/Error.h"
#include "db/Text.h"
#include "db/Value.h"

namespace qdt::importers {

namespace {

constexpr const char* kNotImported = " The catalogue was not imported.";

const std::vector<VpaspTable> kTables = {
    {"categories", {"categoryid", "highercategoryid", "catdescription", "catmemo", "cathide", "catimage"}},
    {"configuration", {"fieldname", "fieldvalue"}},
    {"products",
     {"catalogid", "cname", "cdescription", "specialoffer", "cdescurl", "cstock", "weight", "retailprice", "cprice",
      "ccode", "features", "selectlist", "crossselling", "hide", "cimageurl", "extendedimage"}},
    {"ProdCategories", {"intcatalogid", "intcategoryid"}},
    {"prodfeatures",
     {"featurenum", "featurecaption", "featurename", "featurerequired", "featureprice", "featuremulti",
      "featuretype"}},
};

// A cell is quoted in a message, but never at a length that buries it.
std::string Shown(const std::string& text) {
    std::size_t cut = 40;
    if (text.size() <= cut) return "'" + text + "'";
    while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
    return "'" + text.substr(0, cut) + "...'";
}

// A finite number, or nothing for Null, empty text and anything that is not one.
std::optional<double> NumberOf(const db::Value& value) {
    if (value.IsNull()) return std::nullopt;
    try {
        const double number = value.ToDouble();
        if (std::isfinite(number)) return number;
    } catch (const db::DatabaseError&) {
    }
    return std::nullopt;
}

// Ids are compared as text; a whole number is written plainly whatever
// column type carried it, so that 3, 3.0 and "3" meet.
std::string IdText(const db::Value& value) {
    if (value.kind() != db::Value::Kind::Text) {
        if (const std::optional<double> number = NumberOf(value); number && *number == std::trunc(*number) &&
                                                                   std::fabs(*number) < 1e15)
            return std::to_string(static_cast<long long>(*number));
    }
    return value.ToText();
}

// The source's own spelling of each table the import reads.
class SourceTables {
public:
    SourceTables(run::RunContext& ctx, db::Connection& source) {
        std::vector<std::string> existing;
        auto schema = source.OpenSchema();
        for (; !schema->Eof(); schema->MoveNext()) existing.push_back(schema->Fields(std::size_t{2}).Value().ToText());
        schema->Close();

        std::vector<std::string> missingTables, missingColumns;
        for (const VpaspTable& table : kTables) {
            const std::string* found = nullptr;
            for (const std::string& name : existing) {
                if (name == table.name) {
                    found = &name;
                    break;
                }
                if (!found && db::EqualsIgnoreCase(name, table.name)) found = &name;
            }
            if (!found) {
                missingTables.push_back(table.name);
                continue;
            }
            names_[table.name] = *found;
            auto first = data::ExecuteStatement(ctx, source, data::FirstRowQuery(ctx.source.Kind, "*", *found));
            std::vector<std::string> columns;
            for (const db::Field& field : first->AllFields()) columns.push_back(field.Name());
            first->Close();
            columns_[table.name] = columns;
            for (const char* column : table.columns)
                if (!Has(table.name, column)) missingColumns.push_back(std::string(table.name) + "." + column);
        }
        if (missingTables.empty() && missingColumns.empty()) return;
        std::string problem;
        if (!missingTables.empty())
            problem = "it has no table " + Join(missingTables, ", ", " or ");
        if (!missingColumns.empty())
            problem += (problem.empty() ? "it lacks the columns " : "; it also lacks the columns ") +
                       Join(missingColumns, ", ", " and ");
        throw std::runtime_error("The source database does not hold a VPASP shop: " + problem + "." + kNotImported);
    }

    const std::string& operator[](const char* table) const { return names_.at(table); }
    bool Has(const char* table, const std::string& column) const {
        for (const std::string& name : columns_.at(table))
            if (db::EqualsIgnoreCase(name, column)) return true;
        return false;
    }

private:
    static std::string Join(const std::vector<std::string>& items, const char* separator, const char* last) {
        std::string text;
        for (std::size_t i = 0; i < items.size(); ++i)
            text += (i == 0 ? "" : i + 1 == items.size() ? last : separator) + items[i];
        return text;
    }

    std::map<std::string, std::string> names_;
    std::map<std::string, std::vector<std::string>> columns_;
};

class ShopReader {
public:
    ShopReader(run::RunContext& ctx, db::Connection& source) : ctx_(ctx), source_(source), tables_(ctx, source) {}

    VpaspShop Read() {
        VpaspShop shop;
        ReadCategories(shop);
        ReadTaxColumn();
        ReadProducts(shop);
        return shop;
    }

private:
    std::unique_ptr<db::Recordset> Query(std::string sql) { return data::ExecuteStatement(ctx_, source_, std::move(sql)); }

    void ReadCategories(VpaspShop& shop) {
        auto rows = Query("SELECT * FROM " + tables_["categories"] + " ORDER BY highercategoryid ASC");
        for (; !rows->Eof(); rows->MoveNext()) {
            VpaspCategory category;
            category.id = IdText(rows->Fields("categoryid").Value());
            category.parentId = IdText(rows->Fields("highercategoryid").Value());
            category.name = rows->Fields("catdescription").Value().ToText();
            category.description = rows->Fields("catmemo").Value().ToText();
            category.live = db::ToLowerAscii(rows->Fields("cathide").Value().ToText()) != "yes";
            category.image = rows->Fields("catimage").Value().ToText();
            shop.categories.push_back(std::move(category));
            ctx_.status.Yield();
        }
        rows->Close();
        shop.order = OrderCategories(shop.categories);
        for (std::size_t orphan : shop.order.orphans) {
            const VpaspCategory& category = shop.categories[orphan];
            Warn("The VPASP category " + category.Label() + " names the parent category " + category.parentId +
                 ", which does not exist; it was imported as a top-level category.");
        }
        for (const VpaspCategory& category : shop.categories) categoryIds_.insert(category.id);
    }

    void ReadTaxColumn() {
        auto row = Query("SELECT fieldvalue FROM " + tables_["configuration"] + " WHERE fieldname='xtaxbyproduct'");
        if (row->Eof()) {
            Warn("The VPASP configuration has no xtaxbyproduct setting, which names the products' tax column: "
                 "every product was given the tax rate 0.");
        } else {
            taxColumn_ = row->Fields("fieldvalue").Value().ToText();
        }
        row->Close();
        if (!taxColumn_.empty() && !tables_.Has("products", taxColumn_))
            throw std::runtime_error("The VPASP setting xtaxbyproduct names the tax column " + Shown(taxColumn_) +
                                     ", which the products table does not have." + kNotImported);
    }

    void ReadProducts(VpaspShop& shop) {
        auto counted = Query("SELECT COUNT(*) As Countage FROM " + tables_["products"]);
        const double total = static_cast<double>(counted->Fields("Countage").Value().ToInteger());
        counted->Close();
        ctx_.status.SetBarMax(run::Bar::Current, 100);
        ctx_.status.SetBarValue(run::Bar::Current, 0);

        std::unordered_set<std::int32_t> numbers;
        auto rows = Query("SELECT * FROM " + tables_["products"]);
        std::size_t rowNumber = 0;
        for (; !rows->Eof(); rows->MoveNext()) {
            ++rowNumber;
            VpaspProduct product = ReadProduct(*rows, rowNumber);
            if (!numbers.insert(product.number).second)
                throw std::runtime_error("Two VPASP products have the catalogid " + std::to_string(product.number) +
                                         "; the second is " + product.Label() + "." + kNotImported);
            shop.products.push_back(std::move(product));
            ctx_.status.SetBarValue(run::Bar::Current,
                                    run::Percent(static_cast<double>(shop.products.size()), total));
            ctx_.status.Yield();
        }
        rows->Close();
        // Each product's own queries, once the product rows are read: a
        // forward-only result of a server may not share its connection.
        for (VpaspProduct& product : shop.products) {
            ReadLinks(product);
            ReadOptionGroups(product);
            ctx_.status.Yield();
        }
    }

    VpaspProduct ReadProduct(const db::Recordset& rows, std::size_t rowNumber) {
        VpaspProduct p;
        auto text = [&](const char* column) { return rows.Fields(column).Value().ToText(); };
        p.name = text("cname");
        const db::Value& catalogId = rows.Fields("catalogid").Value();
        const std::optional<double> number = NumberOf(catalogId);
        const std::optional<std::int32_t> whole = number ? data::RoundToWhole<std::int32_t>(*number) : std::nullopt;
        if (!whole)
            throw std::runtime_error("The VPASP product " + Shown(p.name) + " (row " + std::to_string(rowNumber) +
                                     " of products), column catalogid: " + Shown(catalogId.ToText()) +
                                     " is not a 32-bit whole number." + kNotImported);
        p.number = *whole;
        p.live = !Flag(rows.Fields("hide").Value(), p, "hide");
        p.description = text("cdescription");
        p.strapLine = text("specialoffer");
        p.hyperlink = text("cdescurl");
        p.code = text("ccode");
        p.crossSelling = text("crossselling");
        p.image = text("cimageurl");
        p.largeImage = text("extendedimage");
        p.features = text("features");
        p.selectList = text("selectlist");

        const db::Value& stock = rows.Fields("cstock").Value();
        if (!stock.IsNull()) {
            const std::optional<double> n = NumberOf(stock);
            const std::optional<std::int32_t> w = n ? data::RoundToWhole<std::int32_t>(*n) : std::nullopt;
            if (!w) Refuse(p, "cstock", Shown(stock.ToText()) + " is not a 32-bit whole number");
            p.stock = *w;
        }
        p.weight = Single(rows.Fields("weight").Value(), p, "weight", true);
        p.rrp = Single(rows.Fields("retailprice").Value(), p, "retailprice", true);
        p.price = Single(rows.Fields("cprice").Value(), p, "cprice", false);
        p.taxRate = "0";
        if (!taxColumn_.empty())
            if (const std::optional<double> rate = NumberOf(db::Value::Text(text(taxColumn_.c_str()))))
                p.taxRate = db::FormatComputed(*rate * 100);
        return p;
    }

    void ReadLinks(VpaspProduct& product) {
        auto rows = Query("SELECT intcategoryid FROM " + tables_["ProdCategories"] +
                          " WHERE intcatalogid = " + std::to_string(product.number));
        for (; !rows->Eof(); rows->MoveNext()) {
            std::string id = IdText(rows->Fields("intcategoryid").Value());
            // A link to a category that is not there is dropped.
            if (categoryIds_.count(id)) product.categoryIds.push_back(std::move(id));
            ctx_.status.Yield();
        }
        rows->Close();
    }

    void ReadOptionGroups(VpaspProduct& product) {
        const std::string& features = product.features;
        std::vector<FeatureRow> featureRows;
        if (!features.empty()) {
            const std::optional<std::vector<std::int64_t>> numbers = ParseFeatureNumbers(features);
            if (!numbers)
                Refuse(product, "features",
                       Shown(features) + " is not a list of feature numbers separated by commas");
            std::string list;
            for (std::int64_t n : *numbers) list += (list.empty() ? "" : ",") + std::to_string(n);
            auto rows = Query(
                "SELECT featurecaption, featurename, featurerequired, featureprice, featuremulti, featuretype FROM " +
                tables_["prodfeatures"] + " WHERE featurenum IN (" + list + ") ORDER BY featurecaption, featureprice");
            for (; !rows->Eof(); rows->MoveNext()) {
                FeatureRow row;
                row.caption = rows->Fields("featurecaption").Value().ToText();
                row.name = rows->Fields("featurename").Value().ToText();
                row.required = Flag(rows->Fields("featurerequired").Value(), product, "featurerequired");
                row.price = rows->Fields("featureprice").Value().ToText();
                row.multi = rows->Fields("featuremulti").Value().ToText();
                row.type = rows->Fields("featuretype").Value().ToText();
                featureRows.push_back(std::move(row));
                ctx_.status.Yield();
            }
            rows->Close();
        }
        const SelectList selectList = ParseSelectList(product.selectList);
        bool usesSelectList = false;
        for (const FeatureRow& row : featureRows) usesSelectList |= db::ToLowerAscii(row.type) == "selectlist";
        if (usesSelectList && !selectList.misplaced.empty()) {
            std::string items;
            for (const std::string& item : selectList.misplaced) items += (items.empty() ? "" : ", ") + Shown(item);
            Warn("The VPASP product " + product.Label() + " has select-list items whose ']' comes before their '[': " +
                 items + "; each was taken whole as an option's name, at price 0.");
        }
        product.groups = BuildOptionGroups(featureRows, product.name, selectList,
                                           [&](const std::string& price, const std::string& column) {
                                               if (price.empty()) return 0.0f;
                                               return Single(db::Value::Text(price), product, column, false);
                                           });
        product.versions = CountCombinations(product.groups);
        if (product.versions > kMaxVersionsPerProduct)
            throw std::runtime_error(
                "The VPASP product " + product.Label() + " has " +
                (product.versions == UINT64_MAX ? std::string("more than 18446744073709551615")
                                                : std::to_string(product.versions)) +
                " combinations of options, more than the " + std::to_string(kMaxVersionsPerProduct) +
                " versions one product may have." + kNotImported);
    }

    // A 32-bit float; Null is 0 where the column may be empty.
    float Single(const db::Value& value, const VpaspProduct& p, const std::string& column, bool nullIsZero) {
        if (value.IsNull() && nullIsZero) return 0;
        if (value.IsNull()) Refuse(p, column, "the value is empty (Null)");
        const std::optional<double> number = NumberOf(value);
        if (!number) Refuse(p, column, Shown(value.ToText()) + " is not a number");
        if (std::fabs(*number) > FLT_MAX) Refuse(p, column, Shown(value.ToText()) + " is too large a number");
        return static_cast<float>(*number);
    }

    bool Flag(const db::Value& value, const VpaspProduct& p, const char* column) {
        if (value.IsNull()) return false;
        if (value.kind() == db::Value::Kind::Boolean) return value.AsBoolean();
        if (const std::optional<double> number = NumberOf(value)) return *number != 0;
        const std::string text = db::ToLowerAscii(db::Trim(value.ToText()));
        if (text.empty() || text == "false" || text == "no") return false;
        if (text == "true" || text == "yes") return true;
        Refuse(p, column, Shown(value.ToText()) + " is neither yes nor no");
    }

    [[noreturn]] void Refuse(const VpaspProduct& p, const std::string& column, const std::string& problem) {
        throw std::runtime_error("The VPASP product " + p.Label() + ", column " + column + ": " + problem + "." +
                                 kNotImported);
    }

    void Warn(const std::string& line) { ctx_.strWarnings += line + "\r\n"; }

    run::RunContext& ctx_;
    db::Connection& source_;
    SourceTables tables_;
    std::string taxColumn_;
    std::unordered_set<std::string> categoryIds_;
};

}  // namespace

const std::vector<VpaspTable>& VpaspTablesRead() { return kTables; }

VpaspShop ReadVpaspShop(run::RunContext& ctx, db::Connection& source) { return ShopReader(ctx, source).Read(); }

}  // namespace qdt::importers
