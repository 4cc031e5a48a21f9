#include "data/SetupJobs.h"

#include <cstdint>
#include <limits>
#include <string>

#include "data/ConfigSetting.h"
#include "data/Dialect.h"
#include "data/SqlLiterals.h"
#include "data/Statement.h"
#include "db/Error.h"

namespace qdt::data {

namespace {

// Logins and shipping methods gained a language column and new wording in 5.1.
bool DestinationAtLeast51(const run::RunContext& ctx) { return ctx.destination.Version >= 5.1f; }

std::int32_t NewestAutomaticMethod(run::RunContext& ctx, db::Connection& destination) {
    auto rs =
        ExecuteStatement(ctx, destination,
                         "SELECT SM_ID FROM tblQuillmartShippingMethods WHERE SM_AutoMethod = 'y' ORDER BY SM_ID DESC");
    if (rs->Eof()) {
        rs->Close();
        throw db::DatabaseError("The new shipping method cannot be found in tblQuillmartShippingMethods.");
    }
    const std::int64_t id = rs->Fields("SM_ID").Value().ToInteger();
    rs->Close();
    if (id < std::numeric_limits<std::int32_t>::min() || id > std::numeric_limits<std::int32_t>::max())
        throw db::DatabaseError("The shipping method number " + std::to_string(id) + " is not a 32-bit whole number.");
    return static_cast<std::int32_t>(id);
}

}  // namespace

void AddAdminLogin(run::RunContext& ctx, db::Connection& source, db::Connection& destination) {
    ctx.status.AddMessage("Adding Admin Login...");
    ExecuteStatement(ctx, destination,
                     std::string(DialectFor(ctx.destination.Kind).deletePrefix) + "tblQuillmartLogins")
        ->Close();

    const DatabaseKind kind = ctx.destination.Kind;
    const std::string user = ReadConfigSetting(ctx, source, "backendlogin");
    const std::string password = ReadConfigSetting(ctx, source, "backendpassword");
    const ValuePlace userPlace{"tblQuillmartLogins", {}, "LOGIN_Username"};
    const ValuePlace passwordPlace{"tblQuillmartLogins", {}, "LOGIN_Password"};
    if (DialectFor(kind).replacesInvalidUtf8) {
        if (!IsValidUtf8(user)) ctx.strWarnings += InvalidUtf8Warning(userPlace);
        if (!IsValidUtf8(password)) ctx.strWarnings += InvalidUtf8Warning(passwordPlace);
    }
    const std::string before =
        "INSERT INTO tblQuillmartLogins (LOGIN_Username, LOGIN_Password, LOGIN_Live, LOGIN_Orders, "
        "LOGIN_Products, LOGIN_Config, LOGIN_Protected" +
        std::string(DestinationAtLeast51(ctx) ? ", LOGIN_Language" : "") + ") VALUES (" +
        TextLiteral(user, kind, userPlace) + ", ";
    const std::string after = DestinationAtLeast51(ctx) ? ", 'y','y','y','y','y',1)" : ", 'y','y','y','y','y')";
    ExecuteSecretStatement(ctx, destination, before, TextLiteral(password, kind, passwordPlace), after, password)
        ->Close();
    ctx.status.AppendMessage("done.");
}

void AddDownloadShippingRate(run::RunContext& ctx, db::Connection& destination) {
    ctx.status.AddMessage("Adding Downloadable Shipping Rate...");
    const char* description = DestinationAtLeast51(ctx)
                                  ? "All products are not applicable to shipping."
                                  : "Your products will be available for download in the shipping area when the "
                                    "purchase is complete.";
    ExecuteStatement(ctx, destination,
                     std::string("INSERT INTO tblQuillmartShippingMethods (SM_Name1, SM_Description1, SM_AutoMethod) "
                                 "VALUES ('No Shipping Required', '") +
                         description + "', 'y')")
        ->Close();

    // The method just added has the highest number of the automatic ones.
    const std::int32_t method = NewestAutomaticMethod(ctx, destination);
    ExecuteStatement(ctx, destination,
                     "INSERT INTO tblQuillmartShippingRates (S_ShippingRate, S_Boundary, S_Zone, S_ShippingMethod, "
                     "S_Live) VALUES (0, 999999, 1, " +
                         std::to_string(method) + ", 'y')")
        ->Close();
    ctx.status.AppendMessage("done.");
}

void AddNewsPlaceholders(run::RunContext& ctx, db::Connection& destination) {
    ctx.status.AddMessage("Adding News Placeholders...");
    for (int language = 2; language <= 5; ++language) {
        for (int item = 0; item < 4; ++item) {
            ExecuteStatement(ctx, destination,
                             "INSERT INTO tblQuillmartNews (N_headline, N_content, N_language) VALUES ('',''," +
                                 std::to_string(language) + ")")
                ->Close();
            ctx.status.Yield();
        }
    }
    ctx.status.AppendMessage("done.");
}

}  // namespace qdt::data
