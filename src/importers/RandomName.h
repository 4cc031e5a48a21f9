#pragma once

#include <cstddef>
#include <random>
#include <set>
#include <string>

namespace qdt::importers {

// Names for copied download files: n characters from "0"-"9" and "a"-"z",
// each drawn uniformly. One generator is seeded once, when the object is
// made, and a name is never handed out twice by the same object, so two
// downloads of one run never share a file name.
class RandomName {
public:
    RandomName();
    // For tests: a fixed seed gives a fixed sequence.
    explicit RandomName(std::uint64_t seed) : engine_(seed) {}

    std::string Next(std::size_t length = 8);

private:
    std::mt19937_64 engine_;
    std::set<std::string> used_;
};

}  // namespace qdt::importers
