#include "db/SecretMask.h"

#include <algorithm>
#include <string_view>

namespace qdt::db {

namespace {

constexpr std::size_t kShortestMaskedAlone = 3;
// Shorter echoes could be ordinary words that happen to touch the literal.
constexpr std::size_t kShortestEcho = 3;

// Masks the pieces of text that also appear in the statement overlapping the
// body of the secret's literal, each as long as it can be. Every position is
// tried, so a piece that also matches elsewhere in the statement still counts
// as an echo of the secret. Texts and statements here are short, and this
// runs only when a statement carrying a secret has failed.
std::string MaskEchoes(const std::string& text, const SecretInStatement& where) {
    const std::string& statement = *where.statement;
    const std::size_t bodyBegin = where.begin + 1;
    const std::size_t bodyEnd = where.end > bodyBegin ? where.end - 1 : bodyBegin;
    if (bodyEnd <= bodyBegin) return text;  // an empty secret shows nothing
    std::string out;
    std::size_t i = 0;
    while (i < text.size()) {
        std::size_t length = 0;
        std::size_t start = 0;
        for (std::size_t j = 0; j < statement.size(); ++j) {
            std::size_t n = 0;
            while (i + n < text.size() && j + n < statement.size() && text[i + n] == statement[j + n]) ++n;
            if (n >= kShortestEcho && n > length && j < bodyEnd && j + n > bodyBegin) {
                length = n;
                start = j;
            }
        }
        if (length == 0) {
            out += text[i++];
            continue;
        }
        // The echo around the literal stays readable; the literal itself is
        // shown as the shown statement has it.
        const std::size_t litBegin = std::max(start, where.begin);
        const std::size_t litEnd = std::min(start + length, where.end);
        out.append(text, i, litBegin - start);
        if (litBegin == where.begin) out += '\'';
        // Two echoes of one secret side by side are shown as one mask.
        const std::string_view mask(kSecretMask);
        if (!std::string_view(out).ends_with(mask) || litBegin > start) out += mask;
        if (litEnd == where.end) out += '\'';
        out.append(text, i + (litEnd - start), start + length - litEnd);
        i += length;
    }
    return out;
}

void MaskOccurrences(std::string& text, const std::string& secret) {
    if (secret.size() < kShortestMaskedAlone) return;
    const std::string mask(kSecretMask);
    for (std::size_t at = text.find(secret); at != std::string::npos; at = text.find(secret, at + mask.size()))
        text.replace(at, secret.size(), mask);
}

}  // namespace

std::string MaskSecret(std::string text, const std::string& secret, const SecretInStatement& where) {
    if (where.statement && where.end <= where.statement->size()) {
        // The literal as written may differ from the secret (doubled quotes,
        // escaped backslashes), so it is masked as it stands too.
        text = MaskEchoes(text, where);
        if (where.end >= where.begin + 2)
            MaskOccurrences(text, where.statement->substr(where.begin + 1, where.end - where.begin - 2));
    }
    MaskOccurrences(text, secret);
    return text;
}

}  // namespace qdt::db
