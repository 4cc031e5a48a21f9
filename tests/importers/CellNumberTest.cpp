#include <gtest/gtest.h>

#include "data/SqlLiterals.h"
#include "db/Value.h"

namespace qdt::importers {
namespace {

// The number cells of a catalogue are placed bare in SQL, so only what the
// tool reads as a number may go there, and then only the text it writes.
std::optional<std::string> CellLiteral(const char* cell) { return data::NumberLiteral(db::Value::Text(cell)); }

// Texts a reader of numbers might let through, and none of them is a number here.
class NotANumber : public ::testing::TestWithParam<const char*> {};

TEST_P(NotANumber, IsRefused) { EXPECT_FALSE(CellLiteral(GetParam())) << GetParam(); }

INSTANTIATE_TEST_SUITE_P(Cells, NotANumber,
                         ::testing::Values("inf", "-infinity", "nan", "0x1A", "1e", "1e+", "--1", "+-1", "1.2.3", ".",
                                           "1 000", "12.5.", "1e5.5", "12abc", "0); --", "1\n2", "1e-400", "\xd9\xa1"));

TEST(CellNumber, WritesTheShortestTextThatReadsBack) {
    for (const auto& [text, literal] : std::initializer_list<std::pair<const char*, const char*>>{
             {"0.1", "0.1"},
             {" 17.50 ", "17.5"},
             {"14.0", "14"},
             {"1e21", "1e+21"},
             {"1.7976931348623157e308", "1.7976931348623157e+308"},
             {"2.2250738585072014E-308", "2.2250738585072014e-308"},
             {"0.30000000000000004", "0.30000000000000004"}})
        EXPECT_EQ(CellLiteral(text), literal) << text;
}

}  // namespace
}  // namespace qdt::importers
