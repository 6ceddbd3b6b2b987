// The crossfade mix one sample at a time, as the program has always defined
// it: decoded samples blended in extended precision, for checking the block
// mix against. Test code only.
#pragma once

#include <cstdint>
#include <span>

#include "xfade/crossfade_curve.h"
#include "xfade/pcm_codec.h"

namespace wexmont::oracle {

// `count` samples, one after another: integers onto the 24-bit scale (16-bit
// ones times 256), floats as they are. Other codings decode to zeros.
void DecodeSamples(std::span<const uint8_t> bytes, std::span<double> samples, SampleCoding coding,
                   int32_t count);

// Integer values must be whole numbers of the 64-bit range; the low bits of
// the width are kept. Floats are stored as the nearest float.
void EncodeSamples(std::span<const double> samples, std::span<uint8_t> bytes, SampleCoding coding,
                   int32_t count);

// Blends two decoded samples in extended precision. An integer result is
// brought back to the width's own scale, held inside the width's range and
// truncated toward zero; a float result is the nearest float, never held.
double MixSample(double outgoingSample, double incomingSample, CrossfadeGains gains,
                 SampleCoding coding);

// One sample's bytes as decoding, MixSample and encoding make them.
void MixOneSample(const uint8_t* outgoing, const uint8_t* incoming, CrossfadeGains gains,
                  SampleCoding coding, uint8_t* mixed);

}  // namespace wexmont::oracle
