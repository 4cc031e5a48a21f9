#include "data/Detection.h"

#include <string_view>

#include "data/Dialect.h"
#include "data/Statement.h"
#include "db/Text.h"
#include "db/Value.h"

namespace qdt::data {

namespace {

bool StartsWithQuillmartPrefix(const std::string& name) {
    constexpr std::string_view kPrefix = "tblquillmart";
    return name.size() >= kPrefix.size() && db::ToLowerAscii(std::string_view(name).substr(0, kPrefix.size())) == kPrefix;
}

// Hands the column names of a first-row probe of the table to visit, in
// order, until visit returns false; then closes the probe.
template <typename Visit>
void WalkColumns(run::RunContext& ctx, const ConnectionProfile& profile, db::Connection& conn,
                 const std::string& table, Visit visit) {
    auto rs = ExecuteStatement(ctx, conn, FirstRowQuery(profile.Kind, table));
    for (const db::Field& f : rs->AllFields())
        if (!visit(f.Name())) break;
    rs->Close();
}

}  // namespace

std::string DetectSourceSystem(db::Connection& conn) {
    std::string result = kSystemVpasp;
    auto rs = conn.OpenSchema(db::SchemaKind::Tables);
    for (; !rs->Eof(); rs->MoveNext()) {
        const std::string name = rs->Fields(std::size_t{2}).Value().ToText();
        if (StartsWithQuillmartPrefix(name)) {
            result = kSystemQuillmart;
            break;
        }
        // adminStats alone does not end the walk: a Quillmart or Actinic
        // table further on still decides.
        if (name == "adminStats") {
            result = kSystemComersus;
        } else if (name == "Catalog section") {
            result = kSystemActinic;
            break;
        }
    }
    rs->Close();
    return result;
}

float GetSchemaVersion(run::RunContext& ctx, const ConnectionProfile& profile, db::Connection& conn) {
    const std::string& system = profile.SystemName;
    if (system == kSystemQuillmart) return GetQuillmartVersion(ctx, profile, conn);
    if (system == kSystemVpasp || system == kSystemComersus) return 5.0f;
    if (system == kSystemActinic) return 61.0f;
    return 0.0f;
}

float GetQuillmartVersion(run::RunContext& ctx, const ConnectionProfile& profile, db::Connection& conn) {
    // Each release added columns to these two tables and never removed one,
    // so the newest column present names the version.
    float v = 4.5f;
    WalkColumns(ctx, profile, conn, "tblQuillmartOrderNumbers", [&v](const std::string& name) {
        if (name == "ON_OrderHandlingCharge") {
            v = 5.1f;
            return false;
        }
        if (name == "ON_PaymentGateWay") {
            if (v < 5.0f) v = 5.0f;
        } else if (name == "ON_CouponCode") {
            if (v < 4.7f) v = 4.7f;
        } else if (name == "ON_WishList") {
            if (v < 4.6f) v = 4.6f;
        }
        return true;
    });
    WalkColumns(ctx, profile, conn, "tblQuillmartVersions", [&v](const std::string& name) {
        if (name == "V_RRP") {
            v = 5.104f;
            return false;
        }
        return true;
    });
    return v;
}

std::string FormatVersion(float version) { return db::FormatSingle(version); }

}  // namespace qdt::data
