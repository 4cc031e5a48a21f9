#include "data/TableComparison.h"

#include "data/Dialect.h"
#include "data/SqlLiterals.h"
#include "data/Statement.h"
#include "db/Text.h"

namespace qdt::data {

namespace {

constexpr const char* kDefaultCountryKey = "defaultcountry";
constexpr const char* kDefaultCountryWarning =
    "- The 'defaultcountry' config setting could not be set. Please set this manually.";

constexpr const char* kPasswordKey = "backendpassword";

// How the key and the value are quoted, worked out once per table.
struct Quotes {
    std::string key;
    std::string value;
};

// One update, with the value's literal apart so that a secret can be masked.
struct Update {
    std::string before;
    std::string value;
    std::string after;
};

// A literal by its column's quote: text for the kind, a date's plain text
// between another delimiter (Access's #), or a number the tool has checked;
// a column without quotes takes a text only where every column takes text.
std::string Literal(const db::Value& value, const std::string& text, const std::string& quote, DatabaseKind kind,
                    const ValuePlace& place) {
    if (quote == "'") return TextLiteral(text, kind, place);
    if (!quote.empty()) return quote + EscapeQuotes(text) + quote;
    if (auto number = NumberLiteral(value)) return *number;
    if (DialectFor(kind).anyColumnTakesText) return TextLiteral(text, kind, place);
    return CheckedNumberLiteral(value, place);
}

Update BuildUpdate(run::RunContext& ctx, const std::string& destinationTable, const std::string& keyColumn,
                   const std::string& valueColumn, const Quotes& quotes, const db::Value& key,
                   const db::Value& value, db::Connection& source) {
    const std::string keyText = key.ToText();
    const DatabaseKind kind = ctx.destination.Kind;
    if (keyText != kDefaultCountryKey) {
        const ValuePlace keyPlace{destinationTable, {}, keyColumn};
        const std::string keyLiteral = Literal(key, keyText, quotes.key, kind, keyPlace);
        const ValuePlace valuePlace{destinationTable, keyColumn + " = " + keyLiteral, valueColumn};
        const std::string valueText = DropAspFolder(value.ToText());  // Null reads as empty text
        if (DialectFor(kind).replacesInvalidUtf8 && !IsValidUtf8(valueText))
            AddWarningOnce(ctx, InvalidUtf8Warning({destinationTable, {}, valueColumn}));
        return {"UPDATE " + destinationTable + " SET " + valueColumn + " = ",
                Literal(value, valueText, quotes.value, kind, valuePlace),
                " WHERE " + keyColumn + " = " + keyLiteral};
    }
    // The new schema keeps the country as its destination number, whatever
    // the old shop stored.
    const std::int32_t country = GetDestinationId(ctx, value.ToText(), source);
    if (country == 0) ctx.strWarnings += std::string(kDefaultCountryWarning) + "\r\n";
    return {"UPDATE " + destinationTable + " SET " + valueColumn + " = ", "'" + std::to_string(country) + "'",
            " WHERE " + keyColumn + " = 'defaultcountry'"};
}

}  // namespace

std::string DropAspFolder(const std::string& text) {
    static constexpr std::string_view kFolder = "/asp/";
    std::string out;
    out.reserve(text.size());
    std::size_t from = 0;
    for (std::size_t at = text.find(kFolder); at != std::string::npos; at = text.find(kFolder, from)) {
        out.append(text, from, at - from);
        out += '/';
        from = at + kFolder.size();
    }
    out.append(text, from, std::string::npos);
    return out;
}

void CompareTable(run::RunContext& ctx, const std::string& sourceTable, const std::string& destinationTable,
                  const std::string& keyColumn, const std::string& valueColumn, db::Connection& source,
                  db::Connection& destination) {
    run::Status& status = ctx.status;

    const float count = CountRows(ctx, source, sourceTable);

    auto rows = ExecuteStatement(ctx, source, "SELECT * FROM " + sourceTable);
    status.AddMessage("Comparing table " + sourceTable + "...");

    // An empty table is not asked for its columns, as no row needs them.
    if (!rows->Eof()) {
        const db::Field& key = rows->Fields(keyColumn);
        const db::Field& value = rows->Fields(valueColumn);
        const Quotes quotes{GetQuoteChar(GetFieldClass(key), ctx.destination),
                            GetQuoteChar(GetFieldClass(value), ctx.destination)};

        long rowCounter = 0;
        while (!rows->Eof()) {
            ++rowCounter;
            const Update update = BuildUpdate(ctx, destinationTable, keyColumn, valueColumn, quotes, key.Value(),
                                              value.Value(), source);
            // The back-office password must not reach the log if its update fails.
            if (key.Value().ToText() == kPasswordKey)
                ExecuteSecretStatement(ctx, destination, update.before, update.value, update.after,
                                       DropAspFolder(value.Value().ToText()))
                    ->Close();
            else
                ExecuteStatement(ctx, destination, update.before + update.value + update.after)->Close();

            status.SetBarValue(run::Bar::Current, run::Percent(rowCounter, count));
            rows->MoveNext();
            status.Yield();
        }
    }
    rows->Close();

    // A shop before 4.7 had no such setting: its prices never included tax.
    if (db::EqualsIgnoreCase(destinationTable, "tblQuillmartConfig") && ctx.source.Version < 4.7f)
        ExecuteStatement(ctx, destination,
                         "UPDATE tblQuillmartConfig SET CFG_Value = 'n' WHERE CFG_Name = 'pricesinctax'")
            ->Close();

    status.AppendMessage("done.");
}

}  // namespace qdt::data
