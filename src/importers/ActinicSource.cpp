#include "importers/ActinicSource.h"

#include <cmath>
#include <map>
#include <stdexcept>

#include "data/Statement.h"
#include "data/WholeNumber.h"
#include "db/Error.h"
#include "db/Text.h"

namespace qdt::importers {

namespace {

// The filter of the products that are imported.
constexpr const char* kOrderable =
    " WHERE Product.Status ='N' AND Product.[Can be ordered online]=True AND bSuppressHTML = False";

std::string Text(const db::Recordset& rows, const char* column) {
    const db::Value& v = rows.Fields(column).Value();
    return v.IsNull() ? std::string() : v.ToText();
}

std::string ProductName(const std::string& name, const std::string& reference) {
    return "The product '" + name + "' (reference '" + reference + "')";
}

// A part of a tax column's text as a number; an empty or missing part is 0.
double TaxPart(const std::vector<std::string>& parts, std::size_t i, const std::string& what,
               const std::string& column) {
    if (i >= parts.size() || parts[i].empty()) return 0;
    try {
        return db::Value::Text(parts[i]).ToDouble();
    } catch (const db::DatabaseError&) {
        throw std::runtime_error(what + " has '" + parts[i] + "' in " + column + ", where a number is expected.");
    }
}

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + 1)
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string TaxColumn(int i) { return "sTax" + std::to_string(i) + "OpaqueData"; }

}  // namespace

std::string WithoutMarkers(std::string text, bool nul) {
    for (const char* marker : {"!!<", ">!!"})
        for (std::size_t at; (at = text.find(marker)) != std::string::npos;) text.erase(at, 3);
    if (nul) std::erase(text, '\0');
    return text;
}

std::int32_t ActinicWholeNumber(const db::Value& value, const std::string& what, const std::string& column) {
    // Null, and a text left empty, stand for 0.
    if (value.IsNull()) return 0;
    if (value.kind() == db::Value::Kind::Text && value.AsText().find_first_not_of(' ') == std::string::npos) return 0;
    double v = 0;
    try {
        v = value.ToDouble();
    } catch (const db::DatabaseError&) {
        throw std::runtime_error(what + " has '" + value.ToText() + "' in " + column +
                                 ", where a whole number is expected.");
    }
    if (auto whole = data::RoundToWhole<std::int32_t>(v)) return *whole;
    throw std::runtime_error(what + " has '" + value.ToText() + "' in " + column +
                             ", which is too large for a whole number.");
}

std::int32_t ActinicWholeNumber(const std::string& text, const std::string& what, const std::string& column) {
    return ActinicWholeNumber(db::Value::Text(text), what, column);
}

bool ActinicFlag(const db::Value& value) {
    if (value.IsNull()) return false;
    if (value.kind() == db::Value::Kind::Text) {
        const std::string& t = value.AsText();
        if (t == "True" || t == "true" || t == "TRUE") return true;
        if (t == "False" || t == "false" || t == "FALSE" || t.empty()) return false;
    }
    return value.ToDouble() != 0;
}

std::vector<ActinicSection> ReadActinicSections(run::RunContext& ctx, db::Connection& source) {
    std::vector<ActinicSection> sections;
    auto rows = data::ExecuteStatement(ctx, source, "SELECT * FROM [Catalog section] ORDER BY nParentSectionID ASC");
    for (; !rows->Eof(); rows->MoveNext()) {
        ActinicSection s;
        s.name = Text(*rows, "Section text");
        const std::string what = "The section '" + s.name + "'";
        s.id = ActinicWholeNumber(rows->Fields("nSectionID").Value(), what, "nSectionID");
        s.parent = ActinicWholeNumber(rows->Fields("nParentSectionID").Value(), what, "nParentSectionID");
        s.description = WithoutMarkers(Text(*rows, "sSectionDescription"), false);
        s.hidden = ActinicFlag(rows->Fields("bHideOnWebSite").Value());
        s.sequence = ActinicWholeNumber(rows->Fields("nPrintSequence").Value(), what, "nPrintSequence");
        s.image = Text(*rows, "sSectionImageFile");
        sections.push_back(std::move(s));
    }
    rows->Close();
    return sections;
}

std::vector<ActinicSection> ParentsFirst(std::vector<ActinicSection> sections, std::vector<std::int32_t>& orphans) {
    std::map<std::int32_t, std::size_t> byId;
    for (std::size_t i = 0; i < sections.size(); ++i) byId.emplace(sections[i].id, i);
    std::vector<ActinicSection> ordered;
    std::vector<bool> placed(sections.size(), false);
    std::set<std::int32_t> done;
    // Each pass places the sections whose parents are placed; read order is
    // kept among those that become ready together.
    for (bool progress = true; progress;) {
        progress = false;
        for (std::size_t i = 0; i < sections.size(); ++i) {
            if (placed[i]) continue;
            const std::int32_t parent = sections[i].parent;
            if (parent != 0 && byId.count(parent) && !done.count(parent)) continue;
            if (parent != 0 && !byId.count(parent)) {
                orphans.push_back(sections[i].id);
                sections[i].parent = 0;
            }
            placed[i] = true;
            done.insert(sections[i].id);
            ordered.push_back(sections[i]);
            progress = true;
        }
    }
    // What is left hangs in a loop of parents: cut it at its first member.
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (placed[i]) continue;
        orphans.push_back(sections[i].id);
        sections[i].parent = 0;
        placed[i] = true;
        done.insert(sections[i].id);
        ordered.push_back(sections[i]);
        for (bool progress = true; progress;) {
            progress = false;
            for (std::size_t j = 0; j < sections.size(); ++j)
                if (!placed[j] && done.count(sections[j].parent)) {
                    placed[j] = true;
                    done.insert(sections[j].id);
                    ordered.push_back(sections[j]);
                    progress = true;
                }
        }
    }
    return ordered;
}

int CountActinicTaxColumns(run::RunContext& ctx, db::Connection& source) {
    auto first = data::ExecuteStatement(ctx, source, "SELECT TOP 1 * FROM Product");
    int count = 0;
    for (int i = 1; i <= 50; ++i) {
        const std::string column = TaxColumn(i);
        const db::Field* field = nullptr;
        for (const db::Field& f : first->AllFields())
            if (db::EqualsIgnoreCase(f.Name(), column)) field = &f;
        if (!field || first->Eof() || field->Value().IsNull() || field->Value().ToText().empty()) break;
        count = i;
    }
    first->Close();
    return count;
}

std::set<std::string> CheckActinicComponents(run::RunContext& ctx, db::Connection& source) {
    std::set<std::string> references;
    auto rows = data::ExecuteStatement(
        ctx, source,
        "SELECT sProductRef, nPropertyID, sString2, sString3 FROM productproperties WHERE sStatus = 'N' AND ntype = 5");
    for (; !rows->Eof(); rows->MoveNext()) {
        const std::string reference = Text(*rows, "sProductRef");
        references.insert(reference);
        const std::string referenced = Text(*rows, "sString2");
        if (!referenced.empty())
            ActinicWholeNumber(referenced,
                               "The component '" + Text(*rows, "sString3") + "' of the product with reference '" +
                                   reference + "'",
                               "sString2");
    }
    rows->Close();
    return references;
}

std::vector<ActinicProduct> ReadActinicProducts(run::RunContext& ctx, db::Connection& source, int taxColumns,
                                                const std::set<std::string>& numericReferences) {
    std::vector<ActinicProduct> products;
    auto rows = data::ExecuteStatement(ctx, source, std::string("SELECT * From Product") + kOrderable);
    for (; !rows->Eof(); rows->MoveNext()) {
        ActinicProduct p;
        p.name = Text(*rows, "Short description");
        p.reference = Text(*rows, "Product reference");
        const std::string what = ProductName(p.name, p.reference);
        if (numericReferences.count(p.reference)) ActinicWholeNumber(p.reference, what, "Product reference");
        p.description = WithoutMarkers(Text(*rows, "Full description"), true);
        p.sequence = ActinicWholeNumber(rows->Fields("Product sequence").Value(), what, "Product sequence");
        p.section = ActinicWholeNumber(rows->Fields("nParentSectionID").Value(), what, "nParentSectionID");
        p.price = ActinicWholeNumber(rows->Fields("price").Value(), what, "price");
        p.image = Text(*rows, "Image FileName");
        p.largeImage = Text(*rows, "sExtendedInfoImage");
        p.quantity = ActinicWholeNumber(rows->Fields("nStockOnHand").Value(), what, "nStockOnHand") -
                     ActinicWholeNumber(rows->Fields("nStockSuspend").Value(), what, "nStockSuspend");
        const std::int32_t warn = ActinicWholeNumber(rows->Fields("nStockWarn").Value(), what, "nStockWarn");
        p.warnLevel = !ActinicFlag(rows->Fields("bStockEnabled").Value()) ? 0 : warn == 0 ? 2 : warn;
        p.weight = ActinicWholeNumber(rows->Fields("ShippingOpaqueData").Value(), what, "ShippingOpaqueData");
        p.hasSubItems = ActinicFlag(rows->Fields("bHasSubItems").Value());
        p.pricingModel = ActinicWholeNumber(rows->Fields("nPricingModel").Value(), what, "nPricingModel");
        p.downloadFile = Text(*rows, "sDDFileName");

        float rate = 0;
        for (int i = 1; i <= taxColumns; ++i) {
            const std::string column = TaxColumn(i);
            const std::string text = Text(*rows, column.c_str());
            if (text.empty()) continue;
            const std::vector<std::string> parts = Split(text, '=');
            const double ratePart = TaxPart(parts, 1, what, column);
            if (ratePart > 0) {
                rate += static_cast<float>(ratePart);
            } else if (const double pricePart = TaxPart(parts, 2, what, column); pricePart > 0) {
                p.price = std::nearbyint(p.price + pricePart);
            }
        }
        p.taxRate = rate / 100.0f;
        products.push_back(std::move(p));
    }
    rows->Close();
    return products;
}

}  // namespace qdt::importers
