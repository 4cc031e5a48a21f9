#pragma once

#include "db/Connection.h"
#include "data/run/RunContext.h"

namespace qdt::data {

// Replaces every destination login by one carrying the source shop's
// back-office user name and password, live, with every right and protected.
void AddAdminLogin(run::RunContext& ctx, db::Connection& source, db::Connection& destination);

// Adds an automatic shipping method for goods that need no shipping and a
// live zero-cost rate for it.
void AddDownloadShippingRate(run::RunContext& ctx, db::Connection& destination);

// Adds four empty news items for each of the languages 2 to 5, which an old
// shop did not have.
void AddNewsPlaceholders(run::RunContext& ctx, db::Connection& destination);

}  // namespace qdt::data
