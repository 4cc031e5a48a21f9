#pragma once

#include <stdexcept>

namespace qdt::run {

// The user asked the work to stop; thrown from Status::Yield().
class OperationCancelled : public std::runtime_error {
public:
    OperationCancelled() : std::runtime_error("The operation was cancelled.") {}
};

}  // namespace qdt::run
