#pragma once

#include <string>
#include <vector>

namespace qdt::db::access {

// One lexical piece of an Access SQL statement. The translator only ever
// rewrites whole tokens, so text inside literals and quoted names is safe.
struct SqlToken {
    enum class Kind {
        Space,        // blanks and line breaks
        Comment,      // -- to end of line, /* ... */
        String,       // '...' with '' inside
        QuotedName,   // "..." with "" inside
        BracketName,  // [...]
        DateLiteral,  // #...#
        Number,
        Word,         // keywords and bare names (letters, digits, _, any non-ASCII byte)
        Symbol,       // operators and punctuation; <>, <=, >=, !=, || as one token
    };
    Kind kind;
    std::string text;
    // Text written right after this token (the translator's LIMIT clause).
    std::string suffix;

    bool IsSignificant() const { return kind != Kind::Space && kind != Kind::Comment; }
    bool IsSymbol(const char* s) const { return kind == Kind::Symbol && text == s; }
    // Case-insensitive keyword test for Word tokens.
    bool IsWord(const char* upperWord) const;
};

// Splits a statement into tokens; the pieces concatenated give the input back.
// Throws DatabaseError for an unterminated string, quoted name or [name].
std::vector<SqlToken> TokenizeAccessSql(const std::string& sql);

std::string JoinTokens(const std::vector<SqlToken>& tokens);

}  // namespace qdt::db::access
