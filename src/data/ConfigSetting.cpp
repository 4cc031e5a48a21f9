#include "data/ConfigSetting.h"

#include <cmath>
#include <limits>

#include "data/Statement.h"
#include "db/Error.h"

namespace qdt::data {

std::string ReadConfigSetting(wizard::RunContext& ctx, db::Connection& conn, const std::string& name) {
    auto rs = ExecuteStatement(ctx, conn, "SELECT CFG_Value FROM tblQuillmartConfig WHERE CFG_Name = '" + name + "'");
    if (rs->Eof()) {
        rs->Close();
        throw db::DatabaseError("The source database has no '" + name + "' configuration setting.");
    }
    std::string value = rs->Fields("CFG_Value").Value().ToText();
    rs->Close();
    return value;
}

std::int16_t ToSmallWholeNumber(const db::Value& value, const std::string& what) {
    double number = 0;
    try {
        number = value.ToDouble();
    } catch (const db::DatabaseError&) {
        throw db::DatabaseError("The " + what + " '" + value.ToText() + "' is not a whole number.");
    }
    double rounded = std::nearbyint(number);  // the default rounding mode sends halves to the even neighbour
    if (!(rounded >= std::numeric_limits<std::int16_t>::min() && rounded <= std::numeric_limits<std::int16_t>::max()))
        throw db::DatabaseError("The " + what + " '" + value.ToText() + "' is outside the range -32768 to 32767.");
    return static_cast<std::int16_t>(rounded);
}

}  // namespace qdt::data
