#include "db/access/AccessSqlTranslator.h"

#include <cstddef>
#include <set>
#include <string_view>

#include "db/Error.h"
#include "db/Text.h"
#include "db/access/AccessDate.h"
#include "db/access/JetFunctions.h"

namespace qdt::db::access {

namespace {

using K = SqlToken::Kind;

// The statement seen through its significant tokens only.
class Statement {
public:
    explicit Statement(std::vector<SqlToken>& tokens) : tokens_(tokens) {
        for (std::size_t i = 0; i < tokens.size(); ++i)
            if (tokens[i].IsSignificant()) sig_.push_back(i);
    }
    std::size_t Size() const { return sig_.size(); }
    SqlToken& At(std::size_t k) { return tokens_[sig_[k]]; }
    // A token that is not there reads as an empty Space, which matches nothing.
    const SqlToken& Peek(std::ptrdiff_t k) const {
        static const SqlToken none{K::Space, {}, {}};
        return k < 0 || static_cast<std::size_t>(k) >= sig_.size() ? none : tokens_[sig_[k]];
    }
    // Blanks out a token together with the blanks after it.
    void Remove(std::size_t k) {
        std::size_t i = sig_[k];
        tokens_[i].text.clear();
        for (++i; i < tokens_.size() && tokens_[i].kind == K::Space; ++i) tokens_[i].text.clear();
    }
    // The token just before significant token k (a blank as a rule), or null at the start.
    SqlToken* RawBefore(std::size_t k) { return sig_[k] == 0 ? nullptr : &tokens_[sig_[k] - 1]; }
    // Index just past the parenthesis that closes the one at k, or Size().
    std::size_t AfterGroup(std::size_t k) const {
        int depth = 0;
        for (std::size_t j = k; j < sig_.size(); ++j) {
            if (Peek(j).IsSymbol("(")) ++depth;
            if (Peek(j).IsSymbol(")") && --depth == 0) return j + 1;
        }
        return sig_.size();
    }

private:
    std::vector<SqlToken>& tokens_;
    std::vector<std::size_t> sig_;
};

std::string Upper(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

bool IsReserved(const SqlToken& t) {
    static const std::set<std::string, std::less<>> kReserved = {
        "ALL",    "AND",   "AS",     "ASC",   "BETWEEN", "BY",       "CASE",   "CROSS",  "DELETE",
        "DESC",   "DISTINCT", "DISTINCTROW", "ELSE", "END", "ESCAPE", "EXISTS", "FROM", "FULL",
        "GROUP",  "HAVING", "IN",    "INNER", "INSERT",  "INTO",     "IS",     "JOIN",   "LEFT",
        "LIKE",   "LIMIT", "MOD",    "NOT",   "OFFSET",  "ON",       "OR",     "ORDER",  "OUTER",
        "PERCENT", "RIGHT", "SELECT", "SET",  "THEN",    "TOP",      "UNION",  "UPDATE", "VALUES",
        "WHEN",   "WHERE", "WITH"};
    return t.kind == K::Word && kReserved.count(Upper(t.text)) > 0;
}

bool IsName(const SqlToken& t) {
    return (t.kind == K::Word && !IsReserved(t)) || t.kind == K::BracketName || t.kind == K::QuotedName;
}

// Operators that bind tighter than + in one dialect or the other: a chain next
// to one of them is left as it is rather than risk regrouping it.
bool IsArithmetic(const SqlToken& t) {
    if (t.IsWord("MOD")) return true;
    if (t.kind != K::Symbol) return false;
    static const std::set<std::string, std::less<>> kOps = {"+", "-", "*", "/", "%", "\\", "^", "&", "|", "||", "~"};
    return kOps.count(t.text) > 0;
}

// Index just past an operand that starts at k (a literal, a possibly qualified
// name, a function call or a parenthesised group), or k when there is none.
std::size_t AfterOperand(const Statement& st, std::size_t k) {
    const SqlToken& t = st.Peek(static_cast<std::ptrdiff_t>(k));
    if (t.IsSymbol("(")) return st.AfterGroup(k);
    if (t.kind == K::String || t.kind == K::Number || t.kind == K::DateLiteral) return k + 1;
    if (!IsName(t)) return k;
    std::size_t e = k + 1;
    while (st.Peek(e).IsSymbol(".") && IsName(st.Peek(e + 1))) e += 2;
    if (t.kind == K::Word && st.Peek(e).IsSymbol("(")) e = st.AfterGroup(e);
    return e;
}

std::string Unquoted(const SqlToken& t) {
    if (t.kind != K::BracketName && t.kind != K::QuotedName) return t.text;
    std::string inner = t.text.substr(1, t.text.size() - 2);
    if (t.kind == K::BracketName) return inner;
    std::string out;
    for (std::size_t i = 0; i < inner.size(); ++i) {
        out += inner[i];
        if (inner[i] == '"') ++i;  // "" inside stands for one
    }
    return out;
}

std::string Quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// A table cannot be an expression, so price-list.csv is one name there.
bool IsNamePiece(const SqlToken& t) {
    return t.kind == K::Word || t.kind == K::Number || t.IsSymbol(".") || t.IsSymbol("$") || t.IsSymbol("-");
}

// Index of the next significant token at or after i.
std::size_t NextSignificant(const std::vector<SqlToken>& tokens, std::size_t i) {
    while (i < tokens.size() && !tokens[i].IsSignificant()) ++i;
    return i;
}

// Finds the table names of FROM lists, JOINs, INTO and UPDATE; quotes those
// written as dotted file names (items.csv) or with a $ (Sheet1$).
void TranslateTableNames(std::vector<SqlToken>& tokens, std::vector<std::string>* tables) {
    std::vector<bool> inFrom{false};
    bool expectTable = false;
    for (std::size_t i = NextSignificant(tokens, 0); i < tokens.size(); i = NextSignificant(tokens, i + 1)) {
        SqlToken& t = tokens[i];
        if (expectTable) {
            expectTable = false;
            if (t.IsSymbol("(")) {
                // A bracketed join list goes on with tables; a subquery does not.
                std::size_t next = NextSignificant(tokens, i + 1);
                bool subquery = next < tokens.size() && tokens[next].IsWord("SELECT");
                inFrom.push_back(!subquery);
                expectTable = !subquery;
                continue;
            }
            if (t.kind == K::BracketName || t.kind == K::QuotedName) {
                if (tables) tables->push_back(Unquoted(t));
                continue;
            }
            if ((t.kind == K::Word && !IsReserved(t)) || t.kind == K::Number) {
                std::size_t end = i + 1;
                while (end < tokens.size() && IsNamePiece(tokens[end])) ++end;
                std::string name;
                for (std::size_t j = i; j < end; ++j) name += tokens[j].text;
                if (end > i + 1) {
                    t.text = Quoted(name);
                    t.kind = K::QuotedName;
                    for (std::size_t j = i + 1; j < end; ++j) tokens[j] = SqlToken{K::Space, {}, {}};
                }
                if (tables) tables->push_back(name);
                continue;
            }
        }
        if (t.IsWord("FROM")) {
            inFrom.back() = true;
            expectTable = true;
        } else if (t.IsWord("JOIN") || t.IsWord("INTO") || t.IsWord("UPDATE")) {
            expectTable = true;
        } else if (t.IsSymbol(",") && inFrom.back()) {
            expectTable = true;
        } else if (t.IsSymbol("(")) {
            inFrom.push_back(false);
        } else if (t.IsSymbol(")")) {
            if (inFrom.size() > 1) inFrom.pop_back();
        } else if (t.IsWord("WHERE") || t.IsWord("GROUP") || t.IsWord("ORDER") || t.IsWord("HAVING") ||
                   t.IsWord("UNION") || t.IsWord("LIMIT") || t.IsWord("ON") || t.IsWord("SET") ||
                   t.IsWord("VALUES") || t.IsWord("EXCEPT") || t.IsWord("INTERSECT")) {
            inFrom.back() = false;
        }
    }
}

void TranslateLiterals(std::vector<SqlToken>& tokens, Statement& st) {
    for (auto& t : tokens) {
        if (t.kind == K::BracketName) {
            std::string inner = t.text.substr(1, t.text.size() - 2);
            std::string quoted = "\"";
            for (char c : inner) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
            t.text = quoted + "\"";
            t.kind = K::QuotedName;
        } else if (t.kind == K::DateLiteral) {
            DateTime d;
            if (!ParseAccessDateLiteral(t.text.substr(1, t.text.size() - 2), d))
                throw DatabaseError("The date " + t.text + " in the statement cannot be read as a date.");
            t.text = "'" + FormatDateTime(d) + "'";
            t.kind = K::String;
        }
    }
    for (std::size_t k = 0; k < st.Size(); ++k) {
        SqlToken& t = st.At(k);
        bool constant = !st.Peek(static_cast<std::ptrdiff_t>(k) - 1).IsSymbol(".") && !st.Peek(k + 1).IsSymbol("(") &&
                        !st.Peek(k + 1).IsSymbol(".");
        if (constant && t.IsWord("TRUE")) t.text = "1";
        if (constant && t.IsWord("FALSE")) t.text = "0";
    }
}

void TranslateDeleteStar(Statement& st) {
    for (std::size_t k = 0; k + 2 < st.Size(); ++k)
        if (st.At(k).IsWord("DELETE") && st.At(k + 1).IsSymbol("*") && st.At(k + 2).IsWord("FROM")) st.Remove(k + 1);
}

// A chain of operands joined by + with a text literal among them is a
// concatenation in Access; SQLite spells that ||. A chain of names, calls and
// groups is a concatenation or a sum depending on the row's values, so it
// becomes nested JetPlus calls, which decide per row. Only number literals:
// left alone.
void TranslatePlusChains(Statement& st) {
    for (std::size_t k = 0; k < st.Size(); ++k) {
        const SqlToken& before = st.Peek(static_cast<std::ptrdiff_t>(k) - 1);
        if (before.IsSymbol(".") || IsArithmetic(before)) continue;
        std::vector<std::size_t> plusSigns;
        std::vector<std::size_t> operandEnds;
        bool hasText = st.Peek(k).kind == K::String;
        bool onlyNumbers = st.Peek(k).kind == K::Number;
        std::size_t end = AfterOperand(st, k);
        if (end == k) continue;
        while (st.Peek(end).IsSymbol("+")) {
            std::size_t next = AfterOperand(st, end + 1);
            if (next == end + 1) break;
            hasText = hasText || st.Peek(end + 1).kind == K::String;
            onlyNumbers = onlyNumbers && st.Peek(end + 1).kind == K::Number && next == end + 2;
            plusSigns.push_back(end);
            operandEnds.push_back(next);
            end = next;
        }
        if (plusSigns.empty() || IsArithmetic(st.Peek(end))) continue;
        if (hasText) {
            for (std::size_t p : plusSigns) st.At(p).text = "||";
            continue;
        }
        if (onlyNumbers) continue;
        std::string open;
        for (std::size_t i = 0; i < plusSigns.size(); ++i) open += std::string(kJetPlusFunction) + "(";
        if (SqlToken* raw = st.RawBefore(k)) {
            raw->suffix += open;
        } else {
            st.At(k).text = open + st.At(k).text;
        }
        for (std::size_t i = 0; i < plusSigns.size(); ++i) {
            if (SqlToken* raw = st.RawBefore(plusSigns[i]); raw && raw->kind == K::Space) raw->text.clear();
            st.At(plusSigns[i]).text = ",";
            st.At(operandEnds[i] - 1).suffix += ")";
        }
    }
}

void TranslateTop(Statement& st) {
    for (std::size_t k = 0; k < st.Size(); ++k) {
        if (!st.At(k).IsWord("SELECT")) continue;
        std::size_t top = k + 1;
        if (st.Peek(top).IsWord("DISTINCT") || st.Peek(top).IsWord("ALL")) ++top;
        if (!st.Peek(top).IsWord("TOP")) continue;
        // Without a number after it, TOP is a column of that name.
        const SqlToken& count = st.Peek(top + 1);
        if (count.kind != K::Number) continue;
        if (count.text.find_first_not_of("0123456789") != std::string::npos)
            throw DatabaseError("TOP must be followed by a whole number of rows, not " + count.text + ".");
        if (st.Peek(top + 2).IsWord("PERCENT"))
            throw DatabaseError("SELECT TOP " + count.text + " PERCENT cannot be run on an Access file on this system.");
        std::string limit = " LIMIT " + count.text;
        // The clause ends where this SELECT's own level ends: a closing parenthesis,
        // a ';' or the end of the text.
        std::size_t j = top + 2;
        for (int depth = 0; j < st.Size(); ++j) {
            const SqlToken& t = st.Peek(j);
            if (t.IsSymbol("(")) ++depth;
            if (t.IsSymbol(")") && depth-- == 0) break;
            if (t.IsSymbol(";") && depth == 0) break;
            if (depth == 0 && (t.IsWord("UNION") || t.IsWord("EXCEPT") || t.IsWord("INTERSECT")))
                throw DatabaseError("SELECT TOP cannot be combined with UNION here; move the TOP query into a subquery.");
        }
        st.At(j - 1).suffix += limit;
        st.Remove(top + 1);
        st.Remove(top);
    }
}

}  // namespace

std::string TranslateAccessSql(std::vector<SqlToken> tokens, std::vector<std::string>* tables) {
    TranslateTableNames(tokens, tables);
    Statement st(tokens);
    TranslateLiterals(tokens, st);
    TranslatePlusChains(st);
    TranslateDeleteStar(st);
    TranslateTop(st);
    return JoinTokens(tokens);
}

std::string TranslateAccessSql(const std::string& sql) { return TranslateAccessSql(TokenizeAccessSql(sql)); }

}  // namespace qdt::db::access
