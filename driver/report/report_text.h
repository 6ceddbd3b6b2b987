// Words and numbers the reports of a plan share: the check and the cut sheet
// name curves and seconds the same way.
#pragma once

#include <cstdint>
#include <string>

namespace wexmont {

// "equal-power", "linear", "cosine", "sine", or "none".
const char* CurveName(int32_t crossfadeType);

// Seconds of a frame position at `sampleRate`, to the millisecond: "12.500".
std::string SecondsText(int64_t frame, uint32_t sampleRate);

}  // namespace wexmont
