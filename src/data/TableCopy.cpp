#include "data/TableCopy.h"

#include <set>
#include <vector>

#include "data/ConfigSetting.h"
#include "data/CopyRules.h"
#include "data/Dialect.h"
#include "data/SqlLiterals.h"
#include "data/Statement.h"
#include "db/Text.h"

namespace qdt::data {

namespace {

// The column text and value text one field adds to its row's insert.
struct FieldEntry {
    std::string columns;
    std::string values;
};

std::string PlainValue(const db::Value& value, FieldClass fieldClass, const std::string& quote, DatabaseKind kind) {
    if (value.IsNull()) return "NULL";
    std::string text = fieldClass == kFieldDate ? FormatSqlDate(value, kind) : value.ToText();
    return quote + EscapeQuotes(text) + quote;
}

// Each login row reads the setting itself, as the copy always has; a shop has few logins.
std::string BackEndLanguage(run::RunContext& ctx, db::Connection& source) {
    const std::string setting = ReadConfigSetting(ctx, source, "backendlanguage");
    return std::to_string(ToSmallWholeNumber(db::Value::Text(setting), "back-office language"));
}

// What a source column becomes, worked out once per table: the rule depends
// only on the column's name and the two versions, the quote on its type.
struct ColumnPlan {
    CopyRule rule;
    FieldClass fieldClass = kFieldNumber;
    std::string quote;
    // The rule adds a column that the source table already has.
    bool addsAColumnTheSourceHas = false;
};

FieldEntry BuildFieldEntry(run::RunContext& ctx, const db::Field& field, const ColumnPlan& plan,
                           db::Connection& source) {
    const CopyRule& rule = plan.rule;
    const FieldClass fieldClass = plan.fieldClass;
    const std::string& quote = plan.quote;
    const db::Value& value = field.Value();
    const std::string text = value.ToText();  // Null reads as empty text

    FieldEntry entry{rule.columns.empty() ? field.Name() : std::string(rule.columns), {}};
    switch (rule.form) {
        case ValueForm::kPlain: entry.values = PlainValue(value, fieldClass, quote, ctx.destination.Kind); break;
        case ValueForm::kQuoted: entry.values = quote + EscapeQuotes(text) + quote; break;
        case ValueForm::kBare: entry.values = text; break;
        // The source's destination table is copied with its numbers, so a
        // number found there is valid in the destination too.
        case ValueForm::kDestinationNumber: entry.values = std::to_string(GetDestinationId(ctx, text, source)); break;
        case ValueForm::kShortenedFormat: entry.values = text == "y" ? "'s'" : "'n'"; break;
        // The address sits between quotes, so its own quotes are doubled; written
        // unchanged, one quote in an address would break the row's statement.
        case ValueForm::kDownloadUrl:
            entry.values = "'" + EscapeQuotes(text) + "','" + (text.empty() ? "n" : "l") + "'";
            break;
        case ValueForm::kLoginLanguage: entry.values = text + "," + BackEndLanguage(ctx, source); break;
        case ValueForm::kLanguages: BuildLanguageValues(field.Name(), text, entry.columns, entry.values, false); break;
        case ValueForm::kLanguagesNull:
            BuildLanguageValues(field.Name(), text, entry.columns, entry.values, true);
            break;
        case ValueForm::kSkip: break;
    }
    entry.values += rule.suffix;
    return entry;
}

// Splits a column or value list at its commas, leaving commas inside quoted
// texts alone.
std::vector<std::string> SplitList(const std::string& list) {
    std::vector<std::string> parts(1);
    bool quoted = false;
    for (char c : list) {
        if (c == '\'') quoted = !quoted;
        if (c == ',' && !quoted) {
            parts.emplace_back();
            continue;
        }
        parts.back() += c;
    }
    return parts;
}

// A column that an upgrade rule adds with a default may already be in the
// source table (a 5.0 shop already has P_VersionDisplayType, which the 5.0 to
// 5.1 rule adds again). Naming it twice makes the insert fail, so the source's
// own value is kept and the default dropped. Entries without such a column are
// left exactly as built.
void DropColumnsTheSourceHas(FieldEntry& entry, const std::string& ownName, const std::set<std::string>& sourceColumns) {
    std::vector<std::string> columns = SplitList(entry.columns);
    std::vector<std::string> values = SplitList(entry.values);
    if (columns.size() < 2 || columns.size() != values.size()) return;
    std::string keptColumns, keptValues;
    bool dropped = false;
    for (std::size_t i = 0; i < columns.size(); ++i) {
        std::string name = db::ToLowerAscii(db::Trim(columns[i]));
        if (name != db::ToLowerAscii(ownName) && sourceColumns.count(name)) {
            dropped = true;
            continue;
        }
        keptColumns += (keptColumns.empty() ? "" : ",") + columns[i];
        keptValues += (keptValues.empty() ? "" : ",") + values[i];
    }
    if (!dropped) return;
    entry.columns = db::Trim(keptColumns);
    entry.values = keptValues;
}

std::vector<ColumnPlan> PlanColumns(run::RunContext& ctx, const std::vector<db::Field>& fields,
                                    const std::set<std::string>& sourceColumns) {
    std::vector<ColumnPlan> plans;
    plans.reserve(fields.size());
    for (const db::Field& field : fields) {
        ColumnPlan plan;
        plan.rule = FindCopyRule(field.Name(), ctx.source.Version, ctx.destination.Version);
        plan.fieldClass = GetFieldClass(field);
        plan.quote = GetQuoteChar(plan.fieldClass, ctx.destination);
        const std::string own = db::ToLowerAscii(field.Name());
        for (const std::string& column : SplitList(std::string(plan.rule.columns))) {
            const std::string name = db::ToLowerAscii(db::Trim(column));
            plan.addsAColumnTheSourceHas |= name != own && sourceColumns.count(name) > 0;
        }
        plans.push_back(std::move(plan));
    }
    return plans;
}

}  // namespace

void CopyTable(run::RunContext& ctx, const std::string& table, db::Connection& source, db::Connection& destination) {
    run::Status& status = ctx.status;
    const Dialect& dialect = DialectFor(ctx.destination.Kind);

    status.SetBarValue(run::Bar::Current, 0);
    ExecuteStatement(ctx, destination, std::string(dialect.deletePrefix) + table)->Close();

    // The link table has no identity column, and SQL Server refuses the switch for it.
    const bool identityInsert =
        dialect.switchesIdentityInsert && !db::EqualsIgnoreCase(table, "tblQuillmartProductProdTypeLink");
    if (identityInsert) ExecuteStatement(ctx, destination, "SET IDENTITY_INSERT " + table + " ON")->Close();

    const float count = CountRows(ctx, source, table);

    auto rows = ExecuteStatement(ctx, source, "SELECT * FROM " + table);
    status.AddMessage("Adding table " + table + "...");

    const std::vector<db::Field>& fields = rows->AllFields();
    std::set<std::string> sourceColumns;
    for (const db::Field& field : fields) sourceColumns.insert(db::ToLowerAscii(field.Name()));
    const std::vector<ColumnPlan> plans = PlanColumns(ctx, fields, sourceColumns);

    long rowCounter = 0;
    while (!rows->Eof()) {
        ++rowCounter;
        std::string columnList;
        std::string valueList;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            status.Yield();
            const ColumnPlan& plan = plans[i];
            if (plan.rule.form == ValueForm::kSkip) continue;
            FieldEntry entry = BuildFieldEntry(ctx, fields[i], plan, source);
            if (plan.addsAColumnTheSourceHas) DropColumnsTheSourceHas(entry, fields[i].Name(), sourceColumns);
            if (entry.columns.empty()) continue;
            columnList += entry.columns + ",";
            valueList += entry.values + ",";
        }
        if (!columnList.empty()) columnList.pop_back();
        if (!valueList.empty()) valueList.pop_back();

        ExecuteStatement(ctx, destination, "INSERT INTO " + table + " (" + columnList + ") VALUES (" + valueList + ")")
            ->Close();

        rows->MoveNext();
        status.Yield();
        status.SetBarValue(run::Bar::Current, run::Percent(rowCounter, count));
    }
    rows->Close();

    if (identityInsert) ExecuteStatement(ctx, destination, "SET IDENTITY_INSERT " + table + " OFF")->Close();
    status.AppendMessage("done.");
}

}  // namespace qdt::data
