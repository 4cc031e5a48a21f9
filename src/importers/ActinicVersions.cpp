#include "importers/ActinicVersions.h"

#include <algorithm>
#include <cmath>

#include "data/Statement.h"
#include "db/Error.h"

namespace qdt::importers {

namespace {

std::string Literal(const std::string& text) {
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("''") : std::string(1, c);
    return out + "'";
}

void WarnOnce(run::RunContext& ctx, const std::string& warning) {
    if (ctx.strWarnings.find(warning) == std::string::npos) ctx.strWarnings += warning + "\r\n";
}

double Number(const db::Value& value, const std::string& what, const std::string& column) {
    if (value.IsNull()) return 0;
    try {
        return value.ToDouble();
    } catch (const db::DatabaseError&) {
        throw std::runtime_error(what + " has '" + value.ToText() + "' in " + column + ", where a number is expected.");
    }
}

class VersionPricer {
public:
    VersionPricer(run::RunContext& ctx, db::Connection& source, const ActinicProduct& product)
        : ctx_(ctx), source_(source), product_(product),
          what_("The price rule of the product '" + product.name + "' (reference '" + product.reference + "')") {}

    ActinicVersion Price(const std::vector<ActinicAttribute>& attributes, std::int64_t p) {
        ActinicVersion v;
        const bool fromProductPrice = product_.pricingModel == 0 || product_.pricingModel == 2;
        const bool addsComponents = product_.pricingModel == 1 || product_.pricingModel == 2;
        double price = fromProductPrice ? product_.price : 0;
        std::string condition;
        int pairs = 0;
        std::int32_t previousComponent = attributes.empty() ? 0 : attributes.front().componentId;
        for (const ActinicAttribute& a : attributes) {
            if (a.choices.empty()) continue;
            const ActinicChoice& choice = a.choices[a.index];
            if (v.name.empty())
                v.name = choice.name;
            else if (!choice.name.empty())
                v.name += ", " + choice.name;
            v.code = std::to_string(choice.id) + "-" + std::to_string(p);
            v.order += choice.sequence;
            if (a.componentId != previousComponent) {
                condition.clear();
                pairs = 0;
            }
            if (!condition.empty()) condition += " AND ";
            condition += ActinicRuleCondition(a.id, choice.id);
            ++pairs;

            const double plain = addsComponents && !choice.none ? a.componentPrice : 0;
            price += a.componentId == 0 ? plain : RulePrice(a, choice, condition, pairs, plain);
            previousComponent = a.componentId;
        }
        if (v.name.empty()) v.name = product_.name;
        v.price = std::nearbyint(price) / 100;
        return v;
    }

private:
    // What the first rule that the condition finds adds, when it speaks of
    // exactly the pairs so far; otherwise the attribute's plain price.
    double RulePrice(const ActinicAttribute& a, const ActinicChoice& choice, const std::string& condition, int pairs,
                     double plain) {
        auto rule = data::ExecuteStatement(
            ctx_, source_,
            "SELECT sString1, sString2, nValue1, nValue2 FROM ProductProperties WHERE sStatus = 'N' AND sProductRef = " +
                Literal(product_.reference) + " AND nType = 8 AND " + condition);
        if (rule->Eof()) {
            rule->Close();
            return plain;
        }
        const db::Value& pairsText = rule->Fields("sString1").Value();
        const std::string text = pairsText.IsNull() ? std::string() : pairsText.ToText();
        if (std::count(text.begin(), text.end(), ':') != pairs || choice.none) {
            rule->Close();
            return plain;
        }
        const double kind = Number(rule->Fields("nValue2").Value(), what_, "nValue2");
        const db::Value other = rule->Fields("sString2").Value();
        const double amount = Number(rule->Fields("nValue1").Value(), what_, "nValue1");
        rule->Close();
        if (kind == 0) return a.componentPrice;
        if (kind == 2) return amount;
        if (kind != 1) return 0;
        const std::string reference = other.IsNull() ? std::string() : other.ToText();
        auto product = data::ExecuteStatement(
            ctx_, source_, "SELECT price FROM Product WHERE [Product reference] = " + Literal(reference));
        if (product->Eof()) {
            product->Close();
            WarnOnce(ctx_, what_ + " takes the price of the product '" + reference +
                               "', which the catalogue does not have; nothing was added for it.");
            return 0;
        }
        const double price = Number(product->Fields("price").Value(), "The product '" + reference + "'", "price");
        product->Close();
        return price;
    }

    run::RunContext& ctx_;
    db::Connection& source_;
    const ActinicProduct& product_;
    std::string what_;
};

}  // namespace

// The list is wrapped in commas on both sides, so that a pair is matched
// whole: 3:7 must not be found inside 13:75.
std::string ActinicRuleCondition(std::int32_t attribute, std::int32_t choice) {
    const std::string a = std::to_string(attribute);
    return "(',' + sString1 + ',' LIKE '%," + a + ":" + std::to_string(choice) + ",%' OR ',' + sString1 + ',' LIKE '%," +
           a + ":-1,%')";
}

ActinicVersion PriceActinicVersion(run::RunContext& ctx, db::Connection& source, const ActinicProduct& product,
                                   const std::vector<ActinicAttribute>& attributes, std::int64_t p) {
    return VersionPricer(ctx, source, product).Price(attributes, p);
}

std::string FirstCharacters(const std::string& text, std::size_t length) {
    std::size_t count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        // A byte that does not continue a character starts the next one.
        if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80 && count++ == length) return text.substr(0, i);
    }
    return text;
}

}  // namespace qdt::importers
