// The crossfade parameter file "wexmontrc.txt", or its template.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace wexmont {

constexpr size_t kCrossfadeSlots = 1024;
constexpr size_t kParameterFileLimit = 1024;

using CrossfadeTypes = std::array<int32_t, kCrossfadeSlots>;
using CrossfadeLengths = std::array<float, kCrossfadeSlots>;  // milliseconds

// The text written when the parameter file is missing.
extern const char kParameterTemplate[];

// What to do when the parameter file is missing: a build writes the
// template, a check only says that it would.
enum class MissingParameterFile { kWriteTemplate, kLeaveMissing };

// Reads "xf_all" and "xf_tr" lines into the tables and returns 0, or returns
// 1 when the file is missing (after writing the template, if asked to).
int32_t ReadCrossfadeParams(
    CrossfadeTypes& types, CrossfadeLengths& lengths, int32_t& defaultType, float& defaultLength,
    MissingParameterFile whenMissing = MissingParameterFile::kWriteTemplate);

}  // namespace wexmont
