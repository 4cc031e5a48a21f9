#include "data/ConfigSetting.h"

#include "data/Statement.h"
#include "data/WholeNumber.h"
#include "db/Error.h"

namespace qdt::data {

std::string ReadConfigSetting(run::RunContext& ctx, db::Connection& conn, const std::string& name) {
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
    const auto rounded = RoundToWhole<std::int16_t>(number);
    if (!rounded) throw db::DatabaseError("The " + what + " '" + value.ToText() + "' is outside the range -32768 to 32767.");
    return *rounded;
}

}  // namespace qdt::data
