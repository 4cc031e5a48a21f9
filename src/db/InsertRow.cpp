#include "db/InsertRow.h"

namespace qdt::db {

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipDigits(std::string_view s, std::size_t i) {
    while (i < s.size() && IsDigit(s[i])) ++i;
    return i;
}

}  // namespace

RowValue NumberValue(std::string literal) {
    const std::string_view s(literal);
    const std::size_t start = !s.empty() && s[0] == '-' ? 1 : 0;
    std::size_t i = SkipDigits(s, start);
    std::size_t digits = i - start;
    bool real = false;
    if (i < s.size() && s[i] == '.') {
        real = true;
        const std::size_t fraction = i + 1;
        i = SkipDigits(s, fraction);
        digits += i - fraction;
    }
    bool wellFormed = digits > 0;
    if (wellFormed && i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        real = true;
        ++i;
        if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
        const std::size_t exponent = i;
        i = SkipDigits(s, exponent);
        wellFormed = i > exponent;
    }
    if (!wellFormed || i != s.size() || (!real && digits > 18)) return RowValue::Sql(std::move(literal));
    if (real) return {RowValue::Kind::Real, 0, std::move(literal)};
    std::int64_t n = 0;
    for (std::size_t k = start; k < s.size(); ++k) n = n * 10 + (s[k] - '0');
    return {RowValue::Kind::Integer, start ? -n : n, std::move(literal)};
}

bool InsertRow::AllTyped() const {
    for (const RowValue& v : values)
        if (v.kind == RowValue::Kind::Sql) return false;
    return true;
}

}  // namespace qdt::db
