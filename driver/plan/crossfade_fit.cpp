#include "driver/plan/crossfade_fit.h"

#include <algorithm>

#include "xfade/crossfade_curve.h"

namespace wexmont {
namespace {

constexpr int64_t kFirstUnfitCrossfade = int64_t{1} << 31;
constexpr int64_t kMillisecondShift = -3;  // milliseconds x rate / 1000
constexpr long double kMillisecondsPerSecond = 1000.0L;

std::optional<size_t> CutBefore(const TrackPlan& track, size_t u);

// The crossfade of edit point u before fitting: too close to the start (its
// set length would start before frame 1), after its outgoing take ends, or
// made at the set length.
CrossfadePlan DecideOne(const TrackPlan& track, size_t u) {
  const EditPlan& edit = track.edits[u];
  CrossfadePlan crossfade;
  crossfade.curve = track.curve;
  if (u == 0 || !edit.HasSegment() || track.curve == kNoCrossfade) {
    return crossfade;
  }
  // The audio before the cut is that of the last edit point with a segment:
  // an edit point without one is heard nowhere, so nothing fades out of it.
  // Where no segment precedes the cut, only silence does: nothing fades out.
  const std::optional<size_t> before = CutBefore(track, u);
  if (!before) {
    return crossfade;
  }
  const int64_t frames = track.crossfadeFrames;
  crossfade.frames = frames;
  crossfade.outgoing = track.edits[*before].take;
  crossfade.first = edit.position - frames / 2;
  if (!StartsAfterFrameZero(edit.position, frames)) {
    crossfade.outcome = CrossfadeOutcome::kTooCloseToStart;
  } else if (crossfade.first > track.takes[crossfade.outgoing].audioFrames) {
    crossfade.outcome = CrossfadeOutcome::kOutgoingTakeEnded;
  } else {
    crossfade.outcome = CrossfadeOutcome::kMade;
  }
  return crossfade;
}

// The longest crossfade that fits on one side of a cut, `room` frames from
// the neighbouring cut: the whole room where the neighbour's crossfade
// shares it (each then keeps to its half), else the side's half of the
// crossfade may fill it (the left half is the shorter one).
int64_t Bound(int64_t room, bool shared, bool leftSide) {
  if (shared) {
    return room;
  }
  return leftSide ? 2 * room + 1 : 2 * room;
}

// Edit points with a segment before and after u, or nothing.
std::optional<size_t> CutBefore(const TrackPlan& track, size_t u) {
  for (size_t k = u; k-- > 0;) {
    if (track.edits[k].HasSegment()) {
      return k;
    }
  }
  return std::nullopt;
}

std::optional<size_t> CutAfter(const TrackPlan& track, size_t u) {
  for (size_t k = u + 1; k < track.edits.size(); ++k) {
    if (track.edits[k].HasSegment()) {
      return k;
    }
  }
  return std::nullopt;
}

void Fit(TrackPlan& track, size_t u, const std::vector<bool>& made) {
  CrossfadePlan& crossfade = track.edits[u].crossfade;
  const int64_t position = track.edits[u].position;
  int64_t longest = crossfade.frames;
  // Where no segment precedes the cut, only silence does: nothing to fade.
  const std::optional<size_t> before = CutBefore(track, u);
  longest = before ? std::min(longest,
                              Bound(position - track.edits[*before].position, made[*before], true))
                   : 0;
  if (const std::optional<size_t> after = CutAfter(track, u)) {
    const int64_t rightRoom = track.edits[*after].position - position;
    longest = std::min(longest, Bound(rightRoom, made[*after], false));
  }
  if (longest < crossfade.frames) {
    crossfade.outcome = CrossfadeOutcome::kShortened;
    crossfade.frames = longest;
    crossfade.first = position - longest / 2;
  }
  crossfade.written = std::clamp<int64_t>(track.Length() - crossfade.first, 0, crossfade.frames);
}

}  // namespace

bool StartsAfterFrameZero(int64_t cut, int64_t frames) {
  return static_cast<double>(cut) > static_cast<double>(frames) * 0.5;
}

void DecideCrossfades(TrackPlan& track) {
  std::vector<bool> made(track.edits.size());
  for (size_t u = 0; u < track.edits.size(); ++u) {
    track.edits[u].crossfade = DecideOne(track, u);
    made[u] = track.edits[u].crossfade.IsMade();
  }
  for (size_t u = 0; u < track.edits.size(); ++u) {
    if (made[u]) {
      Fit(track, u, made);
    }
  }
}

std::optional<int64_t> CrossfadeFrames(const CrossfadeLength& length, uint32_t sampleRate) {
  if (length.exact) {
    if (length.exact->negative) {
      return 0;  // a negative length blends nothing: the cut stays hard
    }
    return FloorScaled(*length.exact, sampleRate, kMillisecondShift, kFirstUnfitCrossfade);
  }
  const long double seconds =
      static_cast<long double>(std::max(length.milliseconds, 0.0f)) / kMillisecondsPerSecond;
  const long double frames = seconds * sampleRate;
  if (!(frames < static_cast<long double>(kFirstUnfitCrossfade))) {
    return std::nullopt;
  }
  return static_cast<int64_t>(frames);
}

}  // namespace wexmont
