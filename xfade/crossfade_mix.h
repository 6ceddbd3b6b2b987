// The samples of a crossfade: the outgoing and the incoming take blended
// frame by frame with the gains of the curve.
#pragma once

#include <cstdint>
#include <span>

#include "xfade/crossfade_curve.h"
#include "xfade/pcm_codec.h"

namespace wexmont {

// Mixes gains.size() frames of sample bytes: frame f of `outgoing` and of
// `incoming`, every channel with gains[f], into frame f of `mixed`. Each
// sample is outgoing x gain + incoming x gain in extended precision; an
// integer result is brought back to the width's own scale (16-bit samples
// decode on the 24-bit one), held inside the width's range and truncated
// toward zero; a float result is the nearest float, never held. The coding
// must be one the codec knows; each buffer holds the
// frames, `channels` samples each.
void MixBlock(std::span<const uint8_t> outgoing, std::span<const uint8_t> incoming,
              std::span<const CrossfadeGains> gains, int32_t channels, SampleCoding coding,
              std::span<uint8_t> mixed);

}  // namespace wexmont
