#include <gtest/gtest.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>

#include "db/access/LibraryOutput.h"
#include "support/TestEnv.h"

namespace qdt::db::access {
namespace {

std::string Slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// What a library writes inside the scope never reaches standard output; it
// reaches standard error only when asked for. Our own output before and after,
// even still buffered, arrives whole and in order.
class LibraryOutput : public ::testing::TestWithParam<const char*> {};

TEST_P(LibraryOutput, StaysOffStandardOutput) {
    const char* wanted = GetParam();
    if (wanted)
        setenv("QDT_ACCESS_DIAGNOSTICS", wanted, 1);
    else
        unsetenv("QDT_ACCESS_DIAGNOSTICS");
    const std::string dir = test::TempDir();
    std::fflush(stdout);
    std::fflush(stderr);
    const int savedOut = dup(STDOUT_FILENO), savedErr = dup(STDERR_FILENO);
    const int out = open((dir + "/out").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int err = open((dir + "/err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    dup2(out, STDOUT_FILENO);
    dup2(err, STDERR_FILENO);
    std::printf("ours before\n");
    {
        LibraryOutputScope scope;
        std::printf("\nwarning from printf\n");
        std::fprintf(stderr, "warning from fprintf\n");
        EXPECT_EQ(write(STDOUT_FILENO, "raw write\n", 10), 10);
    }
    std::printf("ours after\n");
    std::fflush(stdout);
    dup2(savedOut, STDOUT_FILENO);
    dup2(savedErr, STDERR_FILENO);
    for (int fd : {savedOut, savedErr, out, err}) close(fd);
    unsetenv("QDT_ACCESS_DIAGNOSTICS");

    EXPECT_EQ(Slurp(dir + "/out"), "ours before\nours after\n");
    const std::string errors = Slurp(dir + "/err");
    const bool shown = wanted && std::string(wanted) != "0";
    for (const char* line : {"warning from printf\n", "warning from fprintf\n", "raw write\n"})
        EXPECT_EQ(errors.find(line) != std::string::npos, shown) << line << " in: " << errors;
}

INSTANTIATE_TEST_SUITE_P(Cases, LibraryOutput, ::testing::Values(nullptr, "0", "1"));

}  // namespace
}  // namespace qdt::db::access
