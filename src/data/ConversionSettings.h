#pragma once

#include <string>

#include "data/run/ConnectionProfile.h"
#include "data/run/ConversionSettings.h"

namespace qdt::data {

// Fills the settings with their defaults for the detected source: every table,
// comparison and job of a Quillmart source selected; no image copying and the
// folders of the two files for a catalogue source.
void PrepareConversionSettings(ConversionSettings& settings, const ConnectionProfile& source,
                               const ConnectionProfile& destination);

// The folder part of a path: before the last "\", else before the last "/", else empty.
std::string GetParentFolder(const std::string& path);

}  // namespace qdt::data
