#include "db/access/FilterIndexes.h"

#include "db/Text.h"

namespace qdt::db::access {

namespace {

using K = SqlToken::Kind;

bool IsNameToken(const SqlToken& t) { return t.kind == K::Word || t.kind == K::BracketName || t.kind == K::QuotedName; }

std::string NameOf(const SqlToken& t) {
    if (t.kind == K::Word) return t.text;
    std::string inner = t.text.substr(1, t.text.size() - 2);
    if (t.kind == K::BracketName) return inner;
    std::string out;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        out += inner[i];
        if (inner[i] == '"') ++i;
    }
    return out;
}

std::string Quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

bool Exec(sqlite3* db, const std::string& sql) { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }

}  // namespace

void FilterIndexes::Prepare(const std::vector<SqlToken>& tokens, const std::vector<std::string>& tables) {
    if (tables.empty()) return;
    std::vector<const SqlToken*> sig;
    for (const SqlToken& t : tokens)
        if (t.IsSignificant()) sig.push_back(&t);
    if (sig.empty() || !sig.front()->IsWord("SELECT")) return;
    for (std::size_t k = 0; k + 2 < sig.size(); ++k) {
        // name = literal, or table.name = literal; a literal = name is rare enough to leave.
        if (!IsNameToken(*sig[k]) || !sig[k + 1]->IsSymbol("=")) continue;
        std::string qualifier;
        if (k >= 2 && sig[k - 1]->IsSymbol(".") && IsNameToken(*sig[k - 2])) qualifier = NameOf(*sig[k - 2]);
        const SqlToken& value = *sig[k + 2];
        if (value.kind != K::String && value.kind != K::Number) continue;
        if (sig[k]->kind == K::Word && (sig[k]->IsWord("AND") || sig[k]->IsWord("WHERE") || sig[k]->IsWord("OR")))
            continue;
        const std::string column = NameOf(*sig[k]);
        std::string table;
        for (const std::string& t : tables)
            if (qualifier.empty() ? tables.size() == 1 : EqualsIgnoreCase(t, qualifier)) table = t;
        if (table.empty()) continue;
        const auto key = std::make_pair(ToLowerAscii(table), ToLowerAscii(column));
        if (!tried_.insert(key).second) continue;
        if (HasColumn(table, column)) Index(table, column);
    }
}

bool FilterIndexes::HasColumn(const std::string& table, const std::string& column) {
    auto [entry, added] = columns_.try_emplace(ToLowerAscii(table));
    if (added) {
        sqlite3_stmt* info = nullptr;
        if (sqlite3_prepare_v2(db_, ("PRAGMA table_info(" + Quoted(table) + ")").c_str(), -1, &info, nullptr) ==
            SQLITE_OK)
            while (sqlite3_step(info) == SQLITE_ROW)
                entry->second.push_back(reinterpret_cast<const char*>(sqlite3_column_text(info, 1)));
        sqlite3_finalize(info);
    }
    for (const std::string& c : entry->second)
        if (EqualsIgnoreCase(c, column)) return true;
    return false;
}

void FilterIndexes::Index(const std::string& table, const std::string& column) {
    const std::string name = "qdt_filter_" + std::to_string(tried_.size());
    if (!Exec(db_, "PRAGMA query_only=0")) return;
    const bool made = Exec(db_, "CREATE INDEX " + Quoted(name) + " ON " + Quoted(table) + " (" + Quoted(column) + ")");
    if (made) Exec(db_, "ANALYZE " + Quoted(table));
    Exec(db_, "PRAGMA query_only=1");
    if (made) indexed_.emplace(table, column);
}

}  // namespace qdt::db::access
