#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qdt::importers {

// The one place where a catalogue cell becomes a number in a statement: the
// importers place numbers unquoted, so only text this reads as a number, and
// then only the text this writes back, may go there.

// A plain decimal number: an optional sign, digits with an optional point
// (".5" and "5." too), an optional exponent ("1.5e3"), blanks around it.
// Anything else (thousands separators, currency signs, "inf", SQL) is not a
// number, nor is a value too large for a double.
std::optional<double> ParseNumber(std::string_view text);

// The shortest text that reads back as the same double, with a point as the
// decimal separator and an exponent only where it is shorter: 12.5, 14, 1e+300.
std::string NumberLiteral(double value);

}  // namespace qdt::importers
