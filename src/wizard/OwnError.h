#pragma once

#include <stdexcept>
#include <string>

namespace qdt::wizard {

// A refusal of the check itself (1001 to 1005), as opposed to a failure of a
// database or file, which the check only passes on.
class OwnError : public std::runtime_error {
public:
    OwnError(int number, const std::string& description) : std::runtime_error(description), number_(number) {}
    int Number() const { return number_; }

private:
    int number_;
};

}  // namespace qdt::wizard
