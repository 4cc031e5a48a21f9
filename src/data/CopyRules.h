#pragma once

#include <string>
#include <string_view>

namespace qdt::data {

// How one source field's value is written into the insert of its row.
enum class ValueForm {
    kPlain,              // NULL, or the value (date literal form for dates) quoted by its class
    kQuoted,             // the text (Null as empty) with quotes doubled, quoted by its class
    kBare,               // the text (Null as empty) as it is
    kDestinationNumber,  // a country turned into the destination number D_ID
    kShortenedFormat,    // 's' for "y", 'n' otherwise
    kDownloadUrl,        // the URL as it is, then 'n' (no URL) or 'l' (link)
    kLoginLanguage,      // the text as it is, then "," and the old shop's back-office language
    kLanguages,          // five language columns, the others empty texts
    kLanguagesNull,      // five language columns, the others NULL
    kSkip,               // the column has no successor and is left out
};

// What a column becomes in the new schema. An empty columns text means the
// column keeps its name; the suffix follows the value and fills the columns
// that the old schema did not have.
struct CopyRule {
    ValueForm form = ValueForm::kPlain;
    std::string_view columns;
    std::string_view suffix;
};

// The rule for a source column (matched case-sensitively, in any table) when
// copying from a database of sourceVersion into one of destinationVersion.
// Columns that need no upgrade get the plain rule.
CopyRule FindCopyRule(std::string_view column, float sourceVersion, float destinationVersion);

}  // namespace qdt::data
