#include <gtest/gtest.h>

#include <string>

#include "data/run/TextStatus.h"
#include "data/FixtureShops.h"
#include "wizard/ConnectionCheck.h"

namespace qdt::wizard {
namespace {

struct Probe {
    const char* label;
    std::string file;
    std::string sheet;
    bool passes;
    std::string logTail;  // the end of the confirmation log
};

void PrintTo(const Probe& p, std::ostream* os) { *os << p.label; }

class WorksheetProbe : public ::testing::TestWithParam<Probe> {};

TEST_P(WorksheetProbe, TestsTheChosenOrFirstSheet) {
    const Probe& p = GetParam();
    run::TextStatus status;
    run::RunContext ctx{status};
    ctx.source.Kind = data::kExcel;
    ctx.source.Database = std::string(QDT_SHEET_FIXTURES) + "/" + p.file;
    ctx.source.Server = p.sheet;
    ctx.destination.Kind = data::kSqlite;
    ctx.destination.Database = data::testing::SqliteShop("5.104", true);  // passes the catalogue gate
    ctx.intAction = run::kDataCopy;
    StepOutcome outcome = RunConnectionCheck(ctx);
    EXPECT_EQ(outcome.succeeded, p.passes) << status.txtConnect;
    const std::string& log = status.txtConnect;
    ASSERT_GE(log.size(), p.logTail.size()) << log;
    EXPECT_EQ(log.substr(log.size() - p.logTail.size()), p.logTail);
    if (p.passes) {
        EXPECT_EQ(outcome.txtSource, "Excel Spreadsheet");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sheets, WorksheetProbe,
    ::testing::Values(
        Probe{"named_sheet_any_case", "products.xlsx", "alpha", true, "Set to Quillmart v5.104"},
        Probe{"first_sheet", "products.xls", "", true, "Set to Quillmart v5.104"},
        Probe{"missing_sheet", "products.xlsx", "Sheet1", false,
              "Error occurred!\r\nThe Excel file 'products.xlsx' has no worksheet named 'Sheet1'.\r\n\r\n"
              "SELECT TOP 1 * FROM [Sheet1$]"}),
    [](const auto& info) { return std::string(info.param.label); });

}  // namespace
}  // namespace qdt::wizard
