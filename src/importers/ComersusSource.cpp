#include "importers/ComersusSource.h"

#include <cmath>
#include <limits>
#include <stdexcept>
#include <vector>

#include "data/Dialect.h"
#include "data/Statement.h"
#include "data/WholeNumber.h"
#include "db/Text.h"

namespace qdt::importers {

namespace {

struct SourceTable {
    const char* name;
    std::vector<const char*> columns;
};

// What the import reads. products.deliveringTime comes along with SELECT *
// but is never used, so a shop without it is not refused.
const std::vector<SourceTable> kSourceTables = {
    {"categories", {"idCategory", "idParentCategory", "categoryDesc", "imageCategory", "active", "displayOrder"}},
    {"products",
     {"idProduct", "listHidden", "active", "description", "details", "listPrice", "freeShipping", "stock",
      "stockSecurity", "stockLevelAlert", "showInHome", "isBundleMain", "price", "weight", "sku", "smallImageURL",
      "imageURL"}},
    {"categories_products", {"idProduct", "idCategory"}},
    {"relatedProducts", {"idProduct", "idRelatedProduct"}},
    {"bundles", {"mainIdProduct", "idProduct"}},
    {"optionsgroups", {"idOptionGroup", "OptionGroupDesc"}},
    {"optionsgroups_products", {"idOptionGroup", "idProduct"}},
    {"options", {"idOption", "optionDescrip", "priceToAdd", "weight"}},
    {"options_optionsgroups", {"idOption", "idOptionGroup"}},
};

// "a", "a or b", "a, b or c"
std::string Listed(const std::vector<std::string>& names) {
    std::string out;
    for (std::size_t i = 0; i < names.size(); ++i)
        out += (i == 0 ? "" : i + 1 == names.size() ? " or " : ", ") + names[i];
    return out;
}

bool HasColumn(const db::Recordset& rows, const char* column) {
    for (const db::Field& field : rows.AllFields())
        if (db::EqualsIgnoreCase(field.Name(), column)) return true;
    return false;
}

std::string Shown(const db::Value& value) {
    if (value.IsNull()) return "Null";
    std::string text = value.ToText();
    if (text.size() > 40) text = text.substr(0, 40) + "...";
    return "'" + text + "'";
}

[[noreturn]] void Refuse(const std::string& where, const char* column, const std::string& problem) {
    throw std::runtime_error("The Comersus " + where + ", column " + column + ": " + problem);
}

bool Empty(const db::Value& value) { return value.IsNull() || value.ToText().empty(); }

double Number(const db::Value& value, const char* column, const std::string& where) {
    if (value.kind() == db::Value::Kind::Boolean) return value.AsBoolean() ? -1 : 0;
    double number = 0;
    try {
        number = value.ToDouble();
    } catch (const std::exception&) {
        Refuse(where, column, Shown(value) + " is not a number.");
    }
    if (!std::isfinite(number)) Refuse(where, column, Shown(value) + " is not a number.");
    return number;
}

}  // namespace

void CheckComersusSource(run::RunContext& ctx, db::Connection& source) {
    std::vector<std::string> names;
    auto schema = source.OpenSchema();
    for (; !schema->Eof(); schema->MoveNext()) names.push_back(schema->Fields(std::size_t{2}).Value().ToText());
    schema->Close();

    std::vector<std::string> missingTables;
    std::vector<std::string> missingColumns;
    for (const SourceTable& table : kSourceTables) {
        bool found = false;
        for (const std::string& name : names) found = found || db::EqualsIgnoreCase(name, table.name);
        if (!found) {
            missingTables.push_back(table.name);
            continue;
        }
        auto rows = data::ExecuteStatement(ctx, source, data::FirstRowQuery(ctx.source.Kind, "*", table.name));
        std::vector<std::string> missing;
        for (const char* column : table.columns)
            if (!HasColumn(*rows, column)) missing.push_back(column);
        rows->Close();
        if (!missing.empty())
            missingColumns.push_back("its table " + std::string(table.name) + " has no column " + Listed(missing));
    }
    if (missingTables.empty() && missingColumns.empty()) return;

    std::vector<std::string> problems;
    if (!missingTables.empty()) problems.push_back("it has no table " + Listed(missingTables));
    problems.insert(problems.end(), missingColumns.begin(), missingColumns.end());
    std::string text;
    for (std::size_t i = 0; i < problems.size(); ++i)
        text += (i == 0 ? "" : i + 1 == problems.size() ? " and " : "; ") + problems[i];
    throw std::runtime_error("The source database is not a Comersus shop that can be imported: " + text +
                             ". Nothing was changed.");
}

std::string ComersusVisibleProducts(data::DatabaseKind sourceKind) {
    return sourceKind == data::kAccess ? "listHidden <> -1 AND listHidden <> True" : "listHidden <> -1";
}

bool ComersusTrue(const db::Value& value) {
    switch (value.kind()) {
        case db::Value::Kind::Boolean: return value.AsBoolean();
        case db::Value::Kind::Null: return false;
        default: break;
    }
    try {
        return value.ToDouble() == -1;
    } catch (const std::exception&) {
        return false;
    }
}

double ComersusNumber(const db::Recordset& rows, const char* column, const std::string& where) {
    const db::Value& value = rows.Fields(column).Value();
    if (Empty(value)) Refuse(where, column, "the value is empty, but it must be a number.");
    return Number(value, column, where);
}

double ComersusNumberOrZero(const db::Recordset& rows, const char* column, const std::string& where) {
    const db::Value& value = rows.Fields(column).Value();
    return Empty(value) ? 0 : Number(value, column, where);
}

float ComersusSingle(const db::Recordset& rows, const char* column, const std::string& where) {
    const db::Value& value = rows.Fields(column).Value();
    if (value.kind() == db::Value::Kind::Single) return static_cast<float>(value.ToDouble());
    const double number = ComersusNumber(rows, column, where);
    if (std::fabs(number) > std::numeric_limits<float>::max())
        Refuse(where, column, Shown(value) + " is too large for a price or weight.");
    return static_cast<float>(number);
}

std::int32_t ComersusWhole(double value, const char* column, const std::string& where) {
    const std::optional<std::int32_t> whole = data::RoundToWhole<std::int32_t>(value);
    if (!whole) Refuse(where, column, db::FormatDouble(value) + " is not a whole number within 32 bits.");
    return *whole;
}

std::int32_t ComersusId(const db::Recordset& rows, const char* column, const std::string& where) {
    return ComersusWhole(ComersusNumber(rows, column, where), column, where);
}

}  // namespace qdt::importers
