// Where each crossfade goes. A crossfade is centred on its cut and blends the
// take before the cut into the take after it. It is made only where it can
// start after frame 0 and its outgoing take still has audio where it starts;
// it is shortened, still centred on its cut, where the segments around the
// cut are too short for it, so that crossfades never overlap, never reach
// past a neighbouring cut, and the output never jumps between two of them.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "driver/plan/build_plan.h"
#include "project/crossfade_params.h"

namespace wexmont {

// Decides the crossfade of every edit point of `track` (its edits, takes,
// curve and set length filled in) and fits them. Crossfades stop at the
// output's end.
void DecideCrossfades(TrackPlan& track);

// True when a crossfade of `frames` frames centred on frame `cut` starts
// after frame 0 (half of it lies before the cut).
bool StartsAfterFrameZero(int64_t cut, int64_t frames);

// Frames of a crossfade of `milliseconds` at `sampleRate`: the floor of the
// exact product where the length is a plain decimal number, else as the C
// library reads it, in extended precision and truncated toward zero.
// Nothing when it does not fit 31 bits.
std::optional<int64_t> CrossfadeFrames(const CrossfadeLength& length, uint32_t sampleRate);

}  // namespace wexmont
