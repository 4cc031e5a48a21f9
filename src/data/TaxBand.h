#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "db/Connection.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// An import's tax rates already in the destination: TaxRateKey(rate text) -> T_ID.
using TaxRateMap = std::map<std::string, std::int32_t>;

// The settings that name a tax band, and the words the status line uses for them.
inline constexpr const char* kOrderHandlingTaxBandKey = "orderhandlingchargetaxband";
inline constexpr const char* kOrderHandlingTaxBandName = "order handling charge";
inline constexpr const char* kShippingTaxBandKey = "shiptaxband";
inline constexpr const char* kShippingTaxBandName = "shipping";

// The rate as it is written in statements and map keys (shortest form: 17.5).
std::string TaxRateText(float rate);
// The tax-rate map's key for a rate text: "z" + text.
std::string TaxRateKey(const std::string& rateText);

// The rate of the band the setting configKey names on the destination conn,
// or 0 when the setting or the band's row is missing.
float GetTaxBand(run::RunContext& ctx, db::Connection& conn, const std::string& displayName,
                 const std::string& configKey);

// Points the setting configKey at a band with this rate: one found in
// taxRates, or else a new tax rate row, which is added to taxRates. The
// destination's kind (ctx.destination) decides how the new row is found.
void SetTaxBand(run::RunContext& ctx, db::Connection& conn, const std::string& displayName,
                const std::string& configKey, float rate, TaxRateMap& taxRates);

}  // namespace qdt::data
