#pragma once

#include <string>
#include <string_view>

namespace qdt::sqlfile {

// Decodes UTF-16 text (without its byte-order mark) to UTF-8. Throws
// ScriptError, giving the byte offset, for text that is not valid UTF-16.
std::string DecodeUtf16(std::string_view bytes, bool bigEndian);

}  // namespace qdt::sqlfile
