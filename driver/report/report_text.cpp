#include "driver/report/report_text.h"

#include <cstdio>

#include "xfade/crossfade_curve.h"

namespace wexmont {

const char* CurveName(int32_t crossfadeType) {
  switch (crossfadeType) {
    case kEqualPowerCurve:
      return "equal-power";
    case kLinearCurve:
      return "linear";
    case kCosineCurve:
      return "cosine";
    case kSineCurve:
      return "sine";
    default:
      return "none";
  }
}

std::string SecondsText(int64_t frame, uint32_t sampleRate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(frame) / sampleRate);
  return text;
}

}  // namespace wexmont
