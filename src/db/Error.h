#pragma once

#include <stdexcept>
#include <string>

namespace qdt::db {

// A failure of the database layer. The message is fit to show a user: the
// provider's own words without driver-manager noise, and never a password.
class DatabaseError : public std::runtime_error {
public:
    explicit DatabaseError(const std::string& description, long nativeCode = 0, std::string state = {})
        : std::runtime_error(description), nativeCode_(nativeCode), state_(std::move(state)) {}

    std::string Description() const { return what(); }
    long NativeCode() const { return nativeCode_; }
    const std::string& State() const { return state_; }

private:
    long nativeCode_;
    std::string state_;
};

}  // namespace qdt::db
