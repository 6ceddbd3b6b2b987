#include "xfade/crossfade_curve.h"

#include <cmath>

namespace wexmont {
namespace {

// A quarter turn as the curves have always used it: this decimal, not the
// double nearest to pi/2.
constexpr double kQuarterTurn = 1.570796327;

}  // namespace

CrossfadeGains GainsAt(int32_t crossfadeType, int64_t frame, int64_t crossfadeFrames) {
  const long double p = static_cast<long double>(frame) / static_cast<long double>(crossfadeFrames);
  const long double theta = p * kQuarterTurn;
  const double sine = std::sin(static_cast<double>(theta));
  const double cosine = std::cos(static_cast<double>(theta));
  switch (crossfadeType) {
    case kEqualPowerCurve:
      return {cosine, sine};
    case kLinearCurve:
      return {static_cast<double>(1.0L - p), static_cast<double>(1.0L - (1.0L - p))};
    case kCosineCurve:
      return {cosine, static_cast<double>(1.0L - cosine)};
    case kSineCurve:
      return {static_cast<double>(1.0L - sine), static_cast<double>(1.0L - (1.0L - sine))};
    default:
      return {0.0, 0.0};
  }
}

CrossfadeCurve::CrossfadeCurve(int32_t crossfadeType, int64_t crossfadeFrames)
    : type_(crossfadeType), frames_(crossfadeFrames) {
  if (frames_ > 0 && frames_ <= kHeldCurveFrames) {
    Hold(0, frames_);
  }
}

std::span<const CrossfadeGains> CrossfadeCurve::Gains(int64_t first, int64_t count) {
  const int64_t heldEnd = firstHeld_ + static_cast<int64_t>(held_.size());
  if (first < firstHeld_ || first + count > heldEnd) {
    Hold(first, count);
  }
  return std::span(held_).subspan(static_cast<size_t>(first - firstHeld_),
                                  static_cast<size_t>(count));
}

void CrossfadeCurve::Hold(int64_t first, int64_t count) {
  held_.resize(static_cast<size_t>(count));
  for (int64_t i = 0; i < count; ++i) {
    held_[static_cast<size_t>(i)] = GainsAt(type_, first + i, frames_);
  }
  firstHeld_ = first;
}

}  // namespace wexmont
