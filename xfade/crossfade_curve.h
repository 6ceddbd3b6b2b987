// The gain curves of a crossfade: the two gains of each frame, by crossfade
// type, and the gains of one type and length held for all the crossfades of
// a track.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace wexmont {

// Crossfade types, as the parameter file names them.
constexpr int32_t kNoCrossfade = 0;
constexpr int32_t kEqualPowerCurve = 1;
constexpr int32_t kLinearCurve = 2;
constexpr int32_t kCosineCurve = 3;
constexpr int32_t kSineCurve = 4;
constexpr int32_t kLastCurve = kSineCurve;  // the types are 0 to this

struct CrossfadeGains {
  double outgoing;
  double incoming;
};

// Gains of frame `frame` of a crossfade of `crossfadeFrames` frames.
CrossfadeGains GainsAt(int32_t crossfadeType, int64_t frame, int64_t crossfadeFrames);

// The gains of every frame of crossfades of one type and length, as GainsAt
// gives them. All crossfades of a track share one curve, so the sine and
// cosine of each frame are worked out once per track instead of once per
// crossfade. A curve of up to kHeldCurveFrames frames is held whole; a longer
// one holds only the frames last asked for, so that memory stays the same
// for any crossfade length.
class CrossfadeCurve {
 public:
  static constexpr int64_t kHeldCurveFrames = 65536;  // 1 MiB of gains

  CrossfadeCurve(int32_t crossfadeType, int64_t crossfadeFrames);

  int32_t Type() const { return type_; }
  int64_t Frames() const { return frames_; }

  // The gains of frames `first` to `first + count - 1`; valid until the next
  // call.
  std::span<const CrossfadeGains> Gains(int64_t first, int64_t count);

 private:
  void Hold(int64_t first, int64_t count);

  int32_t type_;
  int64_t frames_;
  std::vector<CrossfadeGains> held_;
  int64_t firstHeld_ = 0;  // the frame of held_[0]
};

}  // namespace wexmont
