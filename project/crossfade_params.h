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

// Reads "xf_all" and "xf_tr" lines into the tables and returns 0, or writes
// the template when the file is missing and returns 1.
int32_t ReadCrossfadeParams(CrossfadeTypes& types, CrossfadeLengths& lengths, int32_t& defaultType,
                            float& defaultLength);

}  // namespace wexmont
