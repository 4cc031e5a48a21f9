#pragma once

#include <optional>
#include <string>

#include "data/run/ConnectionProfile.h"
#include "data/run/ConversionSettings.h"

namespace qdt::data {

// Fills the settings with their defaults for the detected source: every table,
// comparison and job of a Quillmart source selected; no image copying and the
// folders of the two files for a catalogue source.
void PrepareConversionSettings(ConversionSettings& settings, const ConnectionProfile& source,
                               const ConnectionProfile& destination);

// Which image settings a detected catalogue system ("Flat File", "VPASP", ...)
// uses; none for a Quillmart source.
std::optional<ImageSystem> ImageSystemOf(const std::string& system);

// The folder part of a path: before the last "\", else before the last "/", else empty.
std::string GetParentFolder(const std::string& path);

}  // namespace qdt::data
