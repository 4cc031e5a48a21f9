#include "data/TableComparison.h"

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

std::string UpdateStatement(run::RunContext& ctx, const std::string& destinationTable, const std::string& keyColumn,
                            const std::string& valueColumn, const Quotes& quotes, const std::string& keyText,
                            const std::string& valueText, db::Connection& source) {
    if (keyText != kDefaultCountryKey) {
        const std::string& keyQuote = quotes.key;
        const std::string& valueQuote = quotes.value;
        return "UPDATE " + destinationTable + " SET " + valueColumn + " = " + valueQuote +
               EscapeQuotes(DropAspFolder(valueText)) + valueQuote + " WHERE " + keyColumn + " = " + keyQuote +
               EscapeQuotes(keyText) + keyQuote;
    }
    // The new schema keeps the country as its destination number, whatever
    // the old shop stored.
    const std::int32_t country = GetDestinationId(ctx, valueText, source);
    if (country == 0) ctx.strWarnings += std::string(kDefaultCountryWarning) + "\r\n";
    return "UPDATE " + destinationTable + " SET " + valueColumn + " = '" + std::to_string(country) + "' WHERE " +
           keyColumn + " = 'defaultcountry'";
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
            const std::string keyText = key.Value().ToText();
            const std::string valueText = value.Value().ToText();  // Null reads as empty text
            const std::string update =
                UpdateStatement(ctx, destinationTable, keyColumn, valueColumn, quotes, keyText, valueText, source);
            // The back-office password must not reach the log if its update fails.
            if (keyText == kPasswordKey)
                ExecuteSecretStatement(ctx, destination, update, EscapeQuotes(DropAspFolder(valueText)))->Close();
            else
                ExecuteStatement(ctx, destination, update)->Close();

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
