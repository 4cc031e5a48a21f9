#include <gtest/gtest.h>

#include <set>
#include <stdexcept>

#include "importers/RandomName.h"

namespace qdt::importers {
namespace {

// Names of one character run out after 36: each is handed out once, so two
// downloads of one run never share a file.
TEST(RandomName, NeverRepeatsANameAndUsesDigitsAndSmallLetters) {
    RandomName names(3);
    std::set<std::string> seen;
    for (int i = 0; i < 36; ++i) EXPECT_TRUE(seen.insert(names.Next(1)).second);
    std::string all;
    for (const std::string& s : seen) all += s;
    EXPECT_EQ(all, "0123456789abcdefghijklmnopqrstuvwxyz");
    EXPECT_THROW(names.Next(1), std::length_error);
}

TEST(RandomName, GeneratorsMadeApartDoNotFollowTheSameSequence) {
    RandomName a, b;
    std::set<std::string> first;
    for (int i = 0; i < 20; ++i) first.insert(a.Next(8));
    int shared = 0;
    for (int i = 0; i < 20; ++i) shared += first.count(b.Next(8)) > 0;
    EXPECT_EQ(shared, 0);
}

}  // namespace
}  // namespace qdt::importers
