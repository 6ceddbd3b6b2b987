// The samples of a crossfade: the outgoing and the incoming take blended
// frame by frame with the gains of the curve.
#pragma once

#include <cstdint>
#include <span>

#include "xfade/crossfade_curve.h"
#include "xfade/pcm_codec.h"

namespace wexmont {

// Blends two decoded samples in extended precision. An integer result is
// brought back to the width's own scale, held inside the width's range and
// truncated toward zero; a float result is the nearest float, never held.
double MixSample(double outgoingSample, double incomingSample, CrossfadeGains gains,
                 SampleCoding coding);

// Mixes gains.size() frames of sample bytes: frame f of `outgoing` and of
// `incoming`, every channel with gains[f], into frame f of `mixed`. Every
// sample is the one that decoding, MixSample and encoding give, computed by
// a loop made for the coding and channel count. The coding must be one the
// codec knows; each buffer holds the frames, `channels` samples each.
void MixBlock(std::span<const uint8_t> outgoing, std::span<const uint8_t> incoming,
              std::span<const CrossfadeGains> gains, int32_t channels, SampleCoding coding,
              std::span<uint8_t> mixed);

}  // namespace wexmont
