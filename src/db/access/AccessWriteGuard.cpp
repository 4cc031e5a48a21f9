#include "db/access/AccessWriteGuard.h"

#include <array>
#include <cstddef>

#include "db/Error.h"

namespace qdt::db::access {

namespace {

[[noreturn]] void Refuse(const std::string& kindOfFile, const std::string& fileName, const std::string& what) {
    throw DatabaseError(kindOfFile + " are read-only on this system: '" + fileName + "' cannot be changed (" + what +
                        " statements are refused).");
}

bool IsChangingKeyword(const SqlToken& t) {
    static const std::array kWords = {"INSERT", "UPDATE", "DELETE", "CREATE", "DROP",    "ALTER",
                                      "REPLACE", "TRUNCATE", "ATTACH", "DETACH", "VACUUM", "REINDEX",
                                      "ANALYZE", "GRANT", "REVOKE", "MERGE", "UPSERT"};
    for (const char* w : kWords)
        if (t.IsWord(w)) return true;
    return false;
}

// Pragmas that only describe the snapshot; all others could change it.
bool IsReadingPragma(const std::vector<const SqlToken*>& sig) {
    static const std::array kReading = {"table_info", "table_xinfo", "index_list", "index_info", "index_xinfo",
                                        "foreign_key_list"};
    if (sig.size() < 2) return false;
    for (const auto* t : sig)
        if (t->IsSymbol("=")) return false;
    for (const char* p : kReading)
        if (sig[1]->IsWord(p)) return true;
    return false;
}

std::string UpperWord(const SqlToken& t) {
    std::string s = t.text;
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

}  // namespace

void RefuseWrites(const std::vector<SqlToken>& tokens, const std::string& fileName, const std::string& kindOfFile) {
    std::vector<const SqlToken*> sig;
    for (const auto& t : tokens)
        if (t.IsSignificant()) sig.push_back(&t);
    if (sig.empty()) return;
    const SqlToken& first = *sig.front();
    if (IsChangingKeyword(first)) Refuse(kindOfFile, fileName, UpperWord(first));
    if (first.IsWord("PRAGMA") && !IsReadingPragma(sig)) Refuse(kindOfFile, fileName, "PRAGMA");
    // A WITH clause can lead into a change; SELECT ... INTO makes a new table.
    int depth = 0;
    for (std::size_t k = 0; k < sig.size(); ++k) {
        const SqlToken* t = sig[k];
        if (t->IsSymbol("(")) ++depth;
        if (t->IsSymbol(")")) --depth;
        // replace(...) is a function, not a statement.
        bool call = k + 1 < sig.size() && sig[k + 1]->IsSymbol("(");
        if (first.IsWord("WITH") && IsChangingKeyword(*t) && !call) Refuse(kindOfFile, fileName, UpperWord(*t));
        if (first.IsWord("SELECT") && depth == 0 && t->IsWord("INTO")) Refuse(kindOfFile, fileName, "SELECT ... INTO");
    }
}

}  // namespace qdt::db::access
