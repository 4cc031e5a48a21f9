// The wizard's own command line, answered without a display.
#include <gtest/gtest.h>

#include "app/CliRunner.h"
#include "app/Version.h"

#ifdef QDT_WIZARD_PATH

namespace qdt::app {
namespace {

struct WizardLineCase {
    const char* name;
    std::vector<std::string> args;
    int exitCode;
    std::string outStart;
    std::string errStart;
};

void PrintTo(const WizardLineCase& c, std::ostream* os) { *os << c.name; }

class WizardCommandLine : public ::testing::TestWithParam<WizardLineCase> {};

TEST_P(WizardCommandLine, AnswersWithoutADisplay) {
    const WizardLineCase& c = GetParam();
    auto r = testing::RunProgram(QDT_WIZARD_PATH, c.args, "env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM");
    EXPECT_EQ(r.exitCode, c.exitCode) << r.out << r.err;
    EXPECT_EQ(r.out.substr(0, c.outStart.size()), c.outStart) << r.out;
    EXPECT_EQ(r.err.substr(0, c.errStart.size()), c.errStart) << r.err;
    if (c.outStart.empty()) {
        EXPECT_EQ(r.out, "");
    }
    if (c.errStart.empty()) {
        EXPECT_EQ(r.err, "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WizardCommandLine,
    ::testing::Values(
        WizardLineCase{"Help", {"--help"}, 0, "Usage: ", ""},
        WizardLineCase{"ShortHelp", {"-h"}, 0, "Usage: ", ""},
        WizardLineCase{"Version", {"--version"}, 0, std::string("Quillmart Data Tool ") + kVersion + "\n", ""},
        WizardLineCase{"UnknownOption", {"--bogus"}, 2, "", "Unknown option 'bogus'."},
        WizardLineCase{"MissingValue", {"--source"}, 2, "", "Missing value after '--source'."},
        WizardLineCase{"NoDisplay", {}, 1, "", "The wizard needs a display"}),
    [](const ::testing::TestParamInfo<WizardLineCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace qdt::app

#endif
