#include "importers/RandomName.h"

#include <chrono>
#include <stdexcept>

namespace qdt::importers {

RandomName::RandomName() {
    std::random_device device;
    const auto now = static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count());
    std::seed_seq seed{static_cast<std::uint64_t>(device()), now};
    engine_.seed(seed);
}

std::string RandomName::Next(std::size_t length) {
    static constexpr char kCharacters[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::uniform_int_distribution<int> pick(0, 35);
    double names = 1;
    for (std::size_t i = 0; i < length; ++i) names *= 36;
    if (static_cast<double>(used_.size()) >= names)
        throw std::length_error("Every name of " + std::to_string(length) + " characters has been used.");
    for (;;) {
        std::string name;
        for (std::size_t i = 0; i < length; ++i) name += kCharacters[pick(engine_)];
        if (used_.insert(name).second) return name;
    }
}

}  // namespace qdt::importers
