#include "importers/ActinicAttributes.h"

#include "data/Statement.h"

namespace qdt::importers {

namespace {

std::string Text(const db::Recordset& rows, const char* column) {
    const db::Value& v = rows.Fields(column).Value();
    return v.IsNull() ? std::string() : v.ToText();
}

// A source text as an Access literal: the shop's own references may hold quotes.
std::string Literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

class AttributeReader {
public:
    AttributeReader(run::RunContext& ctx, db::Connection& source, const ActinicProduct& product)
        : ctx_(ctx), source_(source), product_(product),
          what_("The product '" + product.name + "' (reference '" + product.reference + "')"),
          ofProduct_("SELECT * FROM productproperties WHERE ProductProperties.sStatus = 'N' AND "
                     "ProductProperties.sProductRef = " +
                     Literal(product.reference)) {}

    std::vector<ActinicAttribute> Read() {
        std::vector<ActinicAttribute> attributes;
        // Attributes first, then the components offered as attributes.
        auto rows = Query(ofProduct_ + " AND ntype = 6");
        for (; !rows->Eof(); rows->MoveNext()) {
            ActinicAttribute a;
            a.id = Number(*rows, "nPropertyID");
            a.name = Text(*rows, "sString3");
            a.componentId = Number(*rows, "nParentPropertyID");
            attributes.push_back(std::move(a));
        }
        rows->Close();
        if (!product_.hasSubItems && attributes.empty()) return {Simple()};
        const std::size_t ownAttributes = attributes.size();

        rows = Query("SELECT nPropertyID, sString3 FROM productproperties WHERE ProductProperties.sStatus = 'N' AND "
                     "ProductProperties.sProductRef = " +
                     Literal(product_.reference) + " AND ntype = 5 AND sString2 <> ''");
        for (; !rows->Eof(); rows->MoveNext()) {
            ActinicAttribute a;
            a.id = a.componentId = Number(*rows, "nPropertyID");
            attributes.push_back(std::move(a));
        }
        rows->Close();

        for (std::size_t i = 0; i < attributes.size(); ++i) {
            if (i < ownAttributes) ReadChoices(attributes[i]);
            if (attributes[i].componentId > 0) ReadComponent(attributes[i]);
        }
        return attributes;
    }

private:
    std::unique_ptr<db::Recordset> Query(std::string sql) {
        return data::ExecuteStatement(ctx_, source_, std::move(sql));
    }

    std::int32_t Number(const db::Recordset& rows, const char* column) {
        return ActinicWholeNumber(rows.Fields(column).Value(), what_ + " has a property that", column);
    }

    // The product's reference as the number the choices are known by;
    // withNone: followed by "00", the none choice of a referenced product.
    std::int32_t Reference(bool withNone) const {
        return ActinicWholeNumber(product_.reference + (withNone ? "00" : ""), what_, "Product reference");
    }

    ActinicAttribute Simple() const {
        ActinicAttribute a;
        a.id = 1;
        a.name = product_.name;
        a.choices.push_back({1, product_.name, 0, true});
        return a;
    }

    void ReadChoices(ActinicAttribute& a) {
        auto rows = Query(ofProduct_ + " AND ntype = 7 AND nParentPropertyID = " + std::to_string(a.id));
        for (; !rows->Eof(); rows->MoveNext())
            a.choices.push_back(
                {Number(*rows, "nPropertyID"), Text(*rows, "sString3"), Number(*rows, "nSequence"), false});
        rows->Close();
    }

    void ReadComponent(ActinicAttribute& a) {
        auto rows = Query("SELECT * FROM productproperties WHERE ProductProperties.sStatus = 'N' AND nPropertyID = " +
                          std::to_string(a.componentId));
        if (rows->Eof()) {
            rows->Close();
            return;
        }
        a.optional = ActinicFlag(rows->Fields("bFlag2").Value());
        a.componentPrice = Number(*rows, "nValue2");
        a.componentName = Text(*rows, "sString3");
        a.referencedProduct = ActinicWholeNumber(rows->Fields("sString2").Value(), what_ + " has a component that",
                                                 "sString2");
        a.useProductName = ActinicFlag(rows->Fields("bFlag4").Value());
        a.useProductPrice = ActinicWholeNumber(rows->Fields("nValue3").Value(), what_, "nValue3") == 1;
        rows->Close();

        if (a.referencedProduct < 1) {
            if (a.optional) a.choices.push_back({Reference(false), "", 0, true});
            return;
        }
        auto product = Query("SELECT * From Product WHERE [Product reference] = " +
                             Literal(std::to_string(a.referencedProduct)));
        if (!product->Eof()) {
            a.choices.clear();
            if (a.optional) a.choices.push_back({Reference(true), "", 0, true});
            a.choices.push_back({Reference(false),
                                 a.useProductName ? Text(*product, "Short description") : a.componentName, 1, false});
            if (a.useProductPrice)
                a.componentPrice = ActinicWholeNumber(product->Fields("Price").Value(),
                                                      "The product referenced by '" + a.componentName + "'", "Price");
        }
        product->Close();
    }

    run::RunContext& ctx_;
    db::Connection& source_;
    const ActinicProduct& product_;
    std::string what_;
    std::string ofProduct_;
};

}  // namespace

std::vector<ActinicAttribute> ReadActinicAttributes(run::RunContext& ctx, db::Connection& source,
                                                    const ActinicProduct& product) {
    return AttributeReader(ctx, source, product).Read();
}

std::int64_t ActinicVersionCount(const std::vector<ActinicAttribute>& attributes) {
    std::int64_t count = 0;
    for (const ActinicAttribute& a : attributes) {
        const auto choices = static_cast<std::int64_t>(a.choices.size());
        count = count == 0 ? choices : count * choices;
    }
    return count;
}

void AdvanceActinicChoices(std::vector<ActinicAttribute>& attributes) {
    for (ActinicAttribute& a : attributes) {
        if (++a.index < a.choices.size()) return;
        a.index = 0;
    }
}

}  // namespace qdt::importers
