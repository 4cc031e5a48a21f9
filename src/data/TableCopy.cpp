#include "data/TableCopy.h"

#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string_view>
#include <utility>
#include <vector>

#include "data/ConfigSetting.h"
#include "data/CopyRules.h"
#include "data/Dialect.h"
#include "data/SqlLiterals.h"
#include "data/Statement.h"
#include "data/StatementGroup.h"
#include "db/InsertRow.h"
#include "db/Text.h"

namespace qdt::data {

namespace {

using db::RowValue;

// What the copy learns about the destination table on first need: which
// columns take text, and how many digits of a second's fraction a date
// column keeps. Most tables never ask.
class DestinationTable {
public:
    DestinationTable(run::RunContext& ctx, const std::string& table, db::Connection& destination)
        : ctx_(ctx), table_(table), destination_(destination), dialect_(DialectFor(ctx.destination.Kind)) {}

    bool TakesText(const std::string& column) {
        if (dialect_.anyColumnTakesText) return true;
        if (!textColumns_) {
            textColumns_.emplace();
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
    const Dialect& dialect_;
    std::optional<std::set<std::string>> textColumns_;
    std::map<std::string, int> fractionDigits_;
};

// Everything a field's values need besides its value.
struct LiteralContext {
    run::RunContext& ctx;
    DestinationTable& target;
    ValuePlace place;
};

// A text holding a NUL is refused by some engines and written as its bytes by
// others; either way its literal decides, so it stays SQL.
RowValue TextValue(const std::string& text, DatabaseKind kind, const ValuePlace& place) {
    if (text.find('\0') != std::string::npos) return RowValue::Sql(TextLiteral(text, kind, place));
    return RowValue::Text(text);
}

RowValue Text(LiteralContext& lc, const std::string& text) {
    const DatabaseKind kind = lc.ctx.destination.Kind;
    if (DialectFor(kind).replacesInvalidUtf8 && !IsValidUtf8(text))
        AddWarningOnce(lc.ctx, InvalidUtf8Warning({lc.place.table, {}, lc.place.column}));
    return TextValue(text, kind, lc.place);
}

// The text between a quote other than the single one (Access's # for dates).
RowValue Quoted(LiteralContext& lc, const std::string& text, const std::string& quote) {
    if (quote == "'") return Text(lc, text);
    return RowValue::Sql(quote + EscapeQuotes(text) + quote);
}

RowValue Number(std::string literal) {
    if (literal == "NULL") return RowValue::Null();
    return db::NumberValue(std::move(literal));
}

// A value written bare only when the tool has read it as a number; anything
// else is text where the destination column takes text, and an error naming
// table, row and column where it does not. Never the source's own text as SQL.
RowValue NumberOrText(LiteralContext& lc, const db::Value& value) {
    if (auto number = NumberLiteral(value)) return Number(std::move(*number));
    if (lc.target.TakesText(lc.place.column)) return Text(lc, value.ToText());
    return Number(CheckedNumberLiteral(value, lc.place));
}

bool MayHoldFraction(const db::Value& value) {
    if (value.kind() == db::Value::Kind::Date) return value.AsDate().nanosecond != 0;
    return value.kind() == db::Value::Kind::Text && value.AsText().find('.') != std::string::npos;
}

RowValue PlainValue(LiteralContext& lc, const db::Value& value, FieldClass fieldClass, const std::string& quote) {
    if (value.IsNull()) return RowValue::Null();
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

// Splits a column or value list at its commas, leaving commas inside quoted
// texts alone.
std::vector<std::string> SplitList(std::string_view list) {
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

// A rule's suffix (",'n',0", always after a comma) as values. A piece is
// typed only where its literal is exactly the piece; the rest stays SQL.
std::vector<RowValue> SuffixValues(std::string_view suffix, DatabaseKind kind) {
    std::vector<RowValue> values;
    if (suffix.empty()) return values;
    std::vector<std::string> pieces = SplitList(suffix.substr(1));
    for (std::string& piece : pieces) {
        if (piece.size() >= 2 && piece.front() == '\'' && piece.back() == '\'') {
            std::string text;
            for (std::size_t i = 1; i + 1 < piece.size(); ++i) {
                text += piece[i];
                if (piece[i] == '\'') ++i;
            }
            values.push_back(TextLiteral(text, kind) == piece ? RowValue::Text(text) : RowValue::Sql(piece));
        } else {
            values.push_back(Number(std::move(piece)));
        }
    }
    return values;
}

// What a source column becomes, worked out once per table: the rule depends
// only on the column's name and the two versions, the quote on its type.
struct ColumnPlan {
    CopyRule rule;
    FieldClass fieldClass = kFieldNumber;
    std::string quote;
    std::vector<RowValue> suffix;
    // The columns the field's values go to, as built and after dropping
    // those the source table already has (see DropColumnsTheSourceHas).
    std::string builtColumns;
    std::string columns;
    // Which of the field's values are kept; empty when none is dropped.
    std::vector<bool> keep;
};

std::size_t ValueCount(const ColumnPlan& plan) {
    std::size_t count = 1;
    switch (plan.rule.form) {
        case ValueForm::kDownloadUrl:
        case ValueForm::kLoginLanguage: count = 2; break;
        case ValueForm::kLanguages:
        case ValueForm::kLanguagesNull: count = 5; break;
        case ValueForm::kSkip: count = 0; break;
        default: break;
    }
    return count + plan.suffix.size();
}

// A column that an upgrade rule adds with a default may already be in the
// source table (a 5.0 shop already has P_VersionDisplayType, which the 5.0 to
// 5.1 rule adds again). Naming it twice makes the insert fail, so the source's
// own value is kept and the default dropped. Fields without such a column are
// left exactly as built.
void DropColumnsTheSourceHas(ColumnPlan& plan, const std::string& ownName, const std::set<std::string>& sourceColumns) {
    std::vector<std::string> columns = SplitList(plan.builtColumns);
    if (columns.size() < 2 || columns.size() != ValueCount(plan)) return;
    std::string keptColumns;
    std::vector<bool> keep;
    bool dropped = false;
    for (const std::string& column : columns) {
        std::string name = db::ToLowerAscii(db::Trim(column));
        keep.push_back(name == db::ToLowerAscii(ownName) || !sourceColumns.count(name));
        if (!keep.back()) {
            dropped = true;
            continue;
        }
        keptColumns += (keptColumns.empty() ? "" : ",") + column;
    }
    if (!dropped) return;
    plan.columns = db::Trim(keptColumns);
    plan.keep = std::move(keep);
}

std::string LanguageColumns(const std::string& column) {
    std::string list;
    for (int slot = 1; slot <= 5; ++slot) list += (slot > 1 ? "," : "") + column + std::to_string(slot);
    return list;
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
        plan.suffix = SuffixValues(plan.rule.suffix, ctx.destination.Kind);
        const bool languages = plan.rule.form == ValueForm::kLanguages || plan.rule.form == ValueForm::kLanguagesNull;
        plan.builtColumns = languages                ? LanguageColumns(field.Name())
                            : plan.rule.columns.empty() ? field.Name()
                                                        : std::string(plan.rule.columns);
        plan.columns = plan.builtColumns;
        const std::string own = db::ToLowerAscii(field.Name());
        bool addsAColumnTheSourceHas = false;
        for (const std::string& column : SplitList(plan.rule.columns)) {
            const std::string name = db::ToLowerAscii(db::Trim(column));
            addsAColumnTheSourceHas |= name != own && sourceColumns.count(name) > 0;
        }
        if (addsAColumnTheSourceHas) DropColumnsTheSourceHas(plan, field.Name(), sourceColumns);
        plans.push_back(std::move(plan));
    }
    return plans;
}

// The statement up to its values, the same for every row of the table.
std::string InsertHead(const std::string& table, const std::vector<ColumnPlan>& plans) {
    std::string columns;
    for (const ColumnPlan& plan : plans)
        if (plan.rule.form != ValueForm::kSkip && !plan.columns.empty())
            columns += (columns.empty() ? "" : ",") + plan.columns;
    return "INSERT INTO " + table + " (" + columns + ") VALUES (";
}

// Appends the values one field gives its row.
void AddFieldValues(LiteralContext& lc, const db::Field& field, const ColumnPlan& plan, db::Connection& source,
                    std::vector<RowValue>& out) {
    run::RunContext& ctx = lc.ctx;
    const db::Value& value = field.Value();
    const std::string text = value.ToText();  // Null reads as empty text
    const DatabaseKind kind = ctx.destination.Kind;

    switch (plan.rule.form) {
        case ValueForm::kPlain: out.push_back(PlainValue(lc, value, plan.fieldClass, plan.quote)); break;
        case ValueForm::kQuoted:
            out.push_back(plan.quote.empty() ? NumberOrText(lc, value) : Quoted(lc, text, plan.quote));
            break;
        case ValueForm::kBare: out.push_back(NumberOrText(lc, value)); break;
        // The source's destination table is copied with its numbers, so a
        // number found there is valid in the destination too.
        case ValueForm::kDestinationNumber:
            out.push_back(Number(std::to_string(GetDestinationId(ctx, text, source))));
            break;
        case ValueForm::kShortenedFormat: out.push_back(RowValue::Text(text == "y" ? "s" : "n")); break;
        case ValueForm::kDownloadUrl:
            out.push_back(Text(lc, text));
            out.push_back(RowValue::Text(text.empty() ? "n" : "l"));
            break;
        case ValueForm::kLoginLanguage:
            out.push_back(NumberOrText(lc, value));
            out.push_back(Number(BackEndLanguage(ctx, source)));
            break;
        case ValueForm::kLanguages:
        case ValueForm::kLanguagesNull: {
            // The value goes to language 1; the others, and an empty value
            // where others are NULL, are NULL or empty texts.
            const bool nullForOthers = plan.rule.form == ValueForm::kLanguagesNull;
            ValuePlace place = lc.place;
            place.column = field.Name() + "1";
            if (DialectFor(kind).replacesInvalidUtf8 && !IsValidUtf8(text))
                AddWarningOnce(ctx, InvalidUtf8Warning({place.table, {}, place.column}));
            for (int slot = 1; slot <= 5; ++slot) {
                if (slot == 1 && (!text.empty() || !nullForOthers))
                    out.push_back(TextValue(text, kind, place));
                else
                    out.push_back(nullForOthers ? RowValue::Null() : RowValue::Text({}));
            }
            break;
        }
        case ValueForm::kSkip: break;
    }
    out.insert(out.end(), plan.suffix.begin(), plan.suffix.end());
}

// How many items the values make when their text is split at its commas.
std::size_t SplitCount(const std::vector<RowValue>& values, std::size_t from) {
    std::size_t count = 0;
    for (std::size_t i = from; i < values.size(); ++i)
        count += values[i].kind == RowValue::Kind::Sql ? SplitList(values[i].text).size() : 1;
    return count;
}

// Drops the values of columns dropped from the plan. A value whose text
// splits into more items than the field has columns keeps them all, with
// the columns as built; false then.
bool KeepPlannedValues(const ColumnPlan& plan, std::vector<RowValue>& values, std::size_t from) {
    if (plan.keep.empty()) return true;
    if (SplitCount(values, from) != plan.keep.size()) return false;
    std::size_t to = from;
    for (std::size_t i = 0; i < plan.keep.size(); ++i) {
        if (!plan.keep[i]) continue;
        if (to != from + i) values[to] = std::move(values[from + i]);
        ++to;
    }
    values.resize(to);
    return true;
}

// The row as an error names it: by its first column, which is the key of
// every shop table.
std::string RowKey(const std::vector<db::Field>& fields) {
    if (fields.empty()) return {};
    std::string value = fields.front().Value().ToText();
    if (value.size() > 40) value = value.substr(0, 40) + "...";
    return fields.front().Name() + " = " + value;
}

// Builds one row per source row and hands it to the group; returns the rows
// read.
long CopyRows(run::RunContext& ctx, db::Recordset& rows, const std::vector<ColumnPlan>& plans,
              DestinationTable& target, StatementGroup& inserts, db::Connection& source, float count) {
    run::Status& status = ctx.status;
    long rowCounter = 0;
    const std::string& table = target.Table();
    const std::vector<db::Field>& fields = rows.AllFields();
    const auto head = std::make_shared<const std::string>(InsertHead(table, plans));
    db::InsertRow row;
    std::vector<const std::string*> rowColumns;
    while (!rows.Eof()) {
        ++rowCounter;
        LiteralContext lc{ctx, target, {table, RowKey(fields), {}}};
        row.head = head;
        row.values.clear();
        rowColumns.clear();
        bool ownHead = false;  // the row's columns differ from the table's
        for (std::size_t i = 0; i < fields.size(); ++i) {
            status.Yield();
            const ColumnPlan& plan = plans[i];
            if (plan.rule.form == ValueForm::kSkip) continue;
            lc.place.column = fields[i].Name();
            const std::size_t from = row.values.size();
            AddFieldValues(lc, fields[i], plan, source, row.values);
            const bool planned = KeepPlannedValues(plan, row.values, from);
            const std::string& columns = planned ? plan.columns : plan.builtColumns;
            if (columns.empty()) {
                row.values.resize(from);
                continue;
            }
            ownHead |= !planned;
            rowColumns.push_back(&columns);
        }
        if (ownHead) {
            std::string list;
            for (const std::string* columns : rowColumns) list += (list.empty() ? "" : ",") + *columns;
            row.head = std::make_shared<const std::string>("INSERT INTO " + table + " (" + list + ") VALUES (");
        }

        inserts.AddRow(row);

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

    DestinationTable target(ctx, table, destination);
    StatementGroup inserts(ctx, destination);
    long rowCounter = 0;
    try {
        rowCounter = CopyRows(ctx, *rows, plans, target, inserts, source, count);
    } catch (...) {
        // The rows built before the failure were due to be written before it,
        // and a failure among them is the one that happened first.
        if (inserts.Pending()) {
            std::string failed = ctx.strQuery;
            inserts.Flush();
            ctx.strQuery = std::move(failed);
        }
        inserts.SettleQuery();
        throw;
    }
    inserts.Flush();
    inserts.SettleQuery();
    rows->Close();
    ctx.tally.Table(table).rowsRead = rowCounter;

    if (identityInsert) ExecuteStatement(ctx, destination, "SET IDENTITY_INSERT " + table + " OFF")->Close();
    status.AppendMessage("done.");
}

}  // namespace qdt::data
