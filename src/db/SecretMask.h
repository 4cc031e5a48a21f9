#pragma once

#include <cstddef>
#include <string>

namespace qdt::db {

// What stands for a secret wherever a text would show it.
inline constexpr const char* kSecretMask = "********";

// Where a secret sits in a statement: its literal occupies
// statement[begin, end), quotes included.
struct SecretInStatement {
    const std::string* statement = nullptr;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// The one place that hides secrets (passwords) in texts shown to a user,
// such as a driver's error message. It masks every occurrence of the secret
// itself, and, when the text echoes pieces of the statement that carried the
// secret (MySQL's "near '...'", SQLite's "unrecognized token"), every echoed
// piece that reaches into the secret's literal. A secret shorter than three
// characters is masked only where it is echoed with its statement: masking
// every "a" of a text would garble it and give the secret away.
std::string MaskSecret(std::string text, const std::string& secret, const SecretInStatement& where = {});

}  // namespace qdt::db
