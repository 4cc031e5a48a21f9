#include "data/TaxBand.h"

#include <cmath>
#include <limits>
#include <optional>

#include "data/Dialect.h"
#include "data/SqlLiterals.h"
#include "data/Statement.h"
#include "db/Error.h"
#include "db/Value.h"

namespace qdt::data {

namespace {

std::int32_t ToBandNumber(const db::Value& value) {
    double v = value.ToDouble();
    double r = std::nearbyint(v);
    if (!(r >= std::numeric_limits<std::int32_t>::min() && r <= std::numeric_limits<std::int32_t>::max()))
        throw db::DatabaseError("The tax band number '" + value.ToText() + "' is not a 32-bit whole number.");
    return static_cast<std::int32_t>(r);
}

}  // namespace

std::string TaxRateText(float rate) { return db::FormatSingle(rate); }

std::string TaxRateKey(const std::string& rateText) { return "z" + rateText; }

float GetTaxBand(run::RunContext& ctx, db::Connection& conn, const std::string& displayName,
                 const std::string& configKey) {
    ctx.status.AddMessage("Getting " + displayName + " tax band value... ");
    float rate = 0;
    auto setting = ExecuteStatement(ctx, conn,
                                    "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = " +
                                        TextLiteral(configKey, ctx.destination.Kind));
    if (!setting->Eof()) {
        const db::Value band = setting->Fields("CFG_Value").Value();
        setting->Close();
        // The setting is written bare, so it must be a number; an empty or
        // broken one (or one holding SQL) is an error, never part of a statement.
        const std::optional<std::string> number = NumberLiteral(band);
        if (!number || band.IsNull())
            throw db::DatabaseError("The '" + configKey + "' setting holds '" + band.ToText() +
                                    "', which is not the number of a tax band.");
        auto row = ExecuteStatement(ctx, conn, "SELECT T_TaxRate FROM tblQuillmartTaxRates WHERE T_ID = " + *number);
        if (!row->Eof()) rate = static_cast<float>(row->Fields("T_TaxRate").Value().ToDouble());
        row->Close();
    } else {
        setting->Close();
    }
    ctx.status.AppendMessage("done.");
    return rate;
}

void SetTaxBand(run::RunContext& ctx, db::Connection& conn, const std::string& displayName,
                const std::string& configKey, float rate, TaxRateMap& taxRates) {
    ctx.status.AddMessage("Setting " + displayName + " tax band value... ");
    const std::string rateText = TaxRateText(rate);
    const std::string key = TaxRateKey(rateText);
    std::int32_t band = 0;
    if (auto found = taxRates.find(key); found != taxRates.end()) {
        band = found->second;
    } else {
        ExecuteStatement(ctx, conn, "INSERT INTO tblQuillmartTaxRates (T_TaxRate) VALUES (" + rateText + ")")->Close();
        // No ordering: an older row with the same rate is as good as the new one.
        auto rs = ExecuteStatement(ctx, conn,
                                   FirstRowQuery(ctx.destination.Kind, "T_ID",
                                                 "tblQuillmartTaxRates WHERE T_TaxRate = " + rateText));
        if (rs->Eof()) {
            rs->Close();
            throw db::DatabaseError("The tax rate " + rateText + " just added to tblQuillmartTaxRates cannot be found.");
        }
        band = ToBandNumber(rs->Fields(std::size_t{0}).Value());
        rs->Close();
        taxRates.emplace(key, band);
    }
    ExecuteStatement(ctx, conn,
                     "UPDATE tblQuillmartConfig SET CFG_Value='" + std::to_string(band) + "' WHERE CFG_Name = " +
                         TextLiteral(configKey, ctx.destination.Kind))
        ->Close();
    ctx.status.AppendMessage("done.");
}

}  // namespace qdt::data
