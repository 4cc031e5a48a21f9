#include "data/TableCopy.h"

#include <map>
#include <optional>
#include <set>
#include <vector>

#include "data/ConfigSetting.h"
#include "data/CopyRules.h"
#include "data/Dialect.h"
#include "data/SqlLiterals.h"
#include "data/Statement.h"
#include "data/StatementGroup.h"
#include "db/Text.h"

namespace qdt::data {

namespace {

// The column text and value text one field adds to its row's insert.
struct FieldEntry {
    std::string columns;
    std::string values;
};

// What the copy learns about the destination table on first need: which
// columns take text, and how many digits of a second's fraction a date
// column keeps. Most tables never ask.
class DestinationTable {
public:
    DestinationTable(run::RunContext& ctx, const std::string& table, db::Connection& destination,
                     StatementGroup& inserts)
        : ctx_(ctx),
          table_(table),
          destination_(destination),
          inserts_(inserts),
          dialect_(DialectFor(ctx.destination.Kind)) {}

    bool TakesText(const std::string& column) {
        if (dialect_.anyColumnTakesText) return true;
        if (!textColumns_) {
            textColumns_.emplace();
            inserts_.Settle();
            auto rs = ExecuteStatement(ctx_, destination_, "SELECT * FROM " + table_ + " WHERE 1 = 0");
            for (const db::Field& f : rs->AllFields())
                if (GetFieldClass(f) == kFieldText) textColumns_->insert(db::ToLowerAscii(f.Name()));
            rs->Close();
        }
        return textColumns_->count(db::ToLowerAscii(column)) > 0;
    }

    const std::string& Table() const { return table_; }

    int FractionDigits(const std::string& column) {
        if (!dialect_.fractionDigitsByColumn) return dialect_.fractionDigits;
        auto found = fractionDigits_.find(column);
        if (found != fractionDigits_.end()) return found->second;
        const DatabaseKind kind = ctx_.destination.Kind;
        inserts_.Settle();
        auto rs = ExecuteStatement(
            ctx_, destination_,
            "SELECT DATETIME_PRECISION FROM information_schema.COLUMNS WHERE TABLE_SCHEMA = DATABASE() AND "
            "TABLE_NAME = " + TextLiteral(table_, kind) + " AND COLUMN_NAME = " + TextLiteral(column, kind));
        int digits = 0;
        if (!rs->Eof() && !rs->Fields(std::size_t{0}).Value().IsNull())
            digits = static_cast<int>(rs->Fields(std::size_t{0}).Value().ToInteger());
        rs->Close();
        fractionDigits_.emplace(column, digits);
        return digits;
    }

private:
    run::RunContext& ctx_;
    const std::string& table_;
    db::Connection& destination_;
    // Rows on their way hold the connection until they have run.
    StatementGroup& inserts_;
    const Dialect& dialect_;
    std::optional<std::set<std::string>> textColumns_;
    std::map<std::string, int> fractionDigits_;
};

// Everything a field's literal needs besides its value.
struct LiteralContext {
    run::RunContext& ctx;
    DestinationTable& target;
    ValuePlace place;
};

std::string Text(LiteralContext& lc, const std::string& text) {
    const DatabaseKind kind = lc.ctx.destination.Kind;
    if (DialectFor(kind).replacesInvalidUtf8 && !IsValidUtf8(text))
        AddWarningOnce(lc.ctx, InvalidUtf8Warning({lc.place.table, {}, lc.place.column}));
    return TextLiteral(text, kind, lc.place);
}

// The text between a quote other than the single one (Access's # for dates).
std::string Quoted(LiteralContext& lc, const std::string& text, const std::string& quote) {
    if (quote == "'") return Text(lc, text);
    return quote + EscapeQuotes(text) + quote;
}

// A value written bare only when the tool has read it as a number; anything
// else is text where the destination column takes text, and an error naming
// table, row and column where it does not. Never the source's own text as SQL.
std::string NumberOrText(LiteralContext& lc, const db::Value& value) {
    if (auto number = NumberLiteral(value)) return *number;
    if (lc.target.TakesText(lc.place.column)) return Text(lc, value.ToText());
    return CheckedNumberLiteral(value, lc.place);
}

bool MayHoldFraction(const db::Value& value) {
    if (value.kind() == db::Value::Kind::Date) return value.AsDate().nanosecond != 0;
    return value.kind() == db::Value::Kind::Text && value.AsText().find('.') != std::string::npos;
}

std::string PlainValue(LiteralContext& lc, const db::Value& value, FieldClass fieldClass, const std::string& quote) {
    if (value.IsNull()) return "NULL";
    switch (fieldClass) {
        case kFieldDate: {
            const DatabaseKind kind = lc.ctx.destination.Kind;
            const int digits = MayHoldFraction(value) ? lc.target.FractionDigits(lc.place.column) : 0;
            return Quoted(lc, FormatSqlDate(value, kind, digits), quote);
        }
        case kFieldText: return Quoted(lc, value.ToText(), quote);
        default: return NumberOrText(lc, value);
    }
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

FieldEntry BuildFieldEntry(LiteralContext& lc, const db::Field& field, const ColumnPlan& plan,
                           db::Connection& source) {
    run::RunContext& ctx = lc.ctx;
    const CopyRule& rule = plan.rule;
    const db::Value& value = field.Value();
    const std::string text = value.ToText();  // Null reads as empty text
    const DatabaseKind kind = ctx.destination.Kind;

    FieldEntry entry{rule.columns.empty() ? field.Name() : std::string(rule.columns), {}};
    switch (rule.form) {
        case ValueForm::kPlain: entry.values = PlainValue(lc, value, plan.fieldClass, plan.quote); break;
        case ValueForm::kQuoted:
            entry.values = plan.quote.empty() ? NumberOrText(lc, value) : Quoted(lc, text, plan.quote);
            break;
        case ValueForm::kBare: entry.values = NumberOrText(lc, value); break;
        // The source's destination table is copied with its numbers, so a
        // number found there is valid in the destination too.
        case ValueForm::kDestinationNumber: entry.values = std::to_string(GetDestinationId(ctx, text, source)); break;
        case ValueForm::kShortenedFormat: entry.values = text == "y" ? "'s'" : "'n'"; break;
        case ValueForm::kDownloadUrl:
            entry.values = Text(lc, text) + ",'" + (text.empty() ? "n" : "l") + "'";
            break;
        case ValueForm::kLoginLanguage:
            entry.values = NumberOrText(lc, value) + "," + BackEndLanguage(ctx, source);
            break;
        case ValueForm::kLanguages:
        case ValueForm::kLanguagesNull: {
            const bool nullForOthers = rule.form == ValueForm::kLanguagesNull;
            if (DialectFor(kind).replacesInvalidUtf8 && !IsValidUtf8(text))
                AddWarningOnce(ctx, InvalidUtf8Warning({lc.place.table, {}, field.Name() + "1"}));
            ValuePlace place = lc.place;
            place.column = field.Name() + "1";
            BuildLanguageValues(field.Name(), text, entry.columns, entry.values, nullForOthers, kind, place);
            break;
        }
        case ValueForm::kSkip: break;
    }
    entry.values += rule.suffix;
    return entry;
}

// The row as an error names it: by its first column, which is the key of
// every shop table.
std::string RowKey(const std::vector<db::Field>& fields) {
    if (fields.empty()) return {};
    std::string value = fields.front().Value().ToText();
    if (value.size() > 40) value = value.substr(0, 40) + "...";
    return fields.front().Name() + " = " + value;
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

// Builds one INSERT per source row and hands it to the group; returns the
// rows read.
long CopyRows(run::RunContext& ctx, db::Recordset& rows, const std::vector<ColumnPlan>& plans,
              const std::set<std::string>& sourceColumns, DestinationTable& target, StatementGroup& inserts,
              db::Connection& source, float count) {
    run::Status& status = ctx.status;
    long rowCounter = 0;
    const std::string& table = target.Table();
    const std::vector<db::Field>& fields = rows.AllFields();
    while (!rows.Eof()) {
        ++rowCounter;
        LiteralContext lc{ctx, target, {table, RowKey(fields), {}}};
        std::string columnList;
        std::string valueList;
        for (std::size_t i = 0; i < fields.size(); ++i) {
            status.Yield();
            const ColumnPlan& plan = plans[i];
            if (plan.rule.form == ValueForm::kSkip) continue;
            lc.place.column = fields[i].Name();
            FieldEntry entry = BuildFieldEntry(lc, fields[i], plan, source);
            if (plan.addsAColumnTheSourceHas) DropColumnsTheSourceHas(entry, fields[i].Name(), sourceColumns);
            if (entry.columns.empty()) continue;
            columnList += entry.columns + ",";
            valueList += entry.values + ",";
        }
        if (!columnList.empty()) columnList.pop_back();
        if (!valueList.empty()) valueList.pop_back();

        inserts.Add("INSERT INTO " + table + " (" + columnList + ") VALUES (" + valueList + ")");

        rows.MoveNext();
        status.Yield();
        status.SetBarValue(run::Bar::Current, run::Percent(rowCounter, count));
    }
    return rowCounter;
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

    StatementGroup inserts(ctx, destination);
    DestinationTable target(ctx, table, destination, inserts);
    long rowCounter = 0;
    try {
        rowCounter = CopyRows(ctx, *rows, plans, sourceColumns, target, inserts, source, count);
    } catch (...) {
        // The rows built before the failure were due to be written before it,
        // and a failure among them is the one that happened first.
        if (inserts.Pending()) {
            std::string failed = ctx.strQuery;
            inserts.Flush();
            ctx.strQuery = std::move(failed);
        }
        throw;
    }
    inserts.Flush();
    rows->Close();
    ctx.tally.Table(table).rowsRead = rowCounter;

    if (identityInsert) ExecuteStatement(ctx, destination, "SET IDENTITY_INSERT " + table + " OFF")->Close();
    status.AppendMessage("done.");
}

}  // namespace qdt::data
