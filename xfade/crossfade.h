// The crossfade renderer: blends the same span of frames of the outgoing and
// the incoming take and appends the result to the temporary crossfade file.
#pragma once

#include <cstdint>
#include <string>

#include "xfade/pcm_codec.h"

namespace wexmont {

// Crossfade types, as the parameter file names them.
constexpr int32_t kNoCrossfade = 0;
constexpr int32_t kEqualPowerCurve = 1;
constexpr int32_t kLinearCurve = 2;
constexpr int32_t kCosineCurve = 3;
constexpr int32_t kSineCurve = 4;

// Results of RenderCrossfade.
constexpr int32_t kCrossfadeRendered = 0;
constexpr int32_t kOutgoingTakeFailed = 1;
constexpr int32_t kIncomingTakeFailed = 2;
constexpr int32_t kTemporaryFileFailed = 3;

struct CrossfadeGains {
  double outgoing;
  double incoming;
};

// Gains of frame `frame` of a crossfade of `crossfadeFrames` frames.
CrossfadeGains GainsAt(int32_t crossfadeType, int64_t frame, int64_t crossfadeFrames);

// Blends two decoded samples in extended precision. An integer result is
// brought back to the width's own scale, held inside the width's range and
// truncated toward zero; a float result is the nearest float, never held.
double MixSample(double outgoingSample, double incomingSample, CrossfadeGains gains,
                 SampleCoding coding);

// Renders frames centre - N/2 to centre - N/2 + N - 1 of both takes, every
// channel of a frame with the same gains. Returns
// one of the results above; failures to open a file, find a take's sample
// area or place the crossfade inside a take append nothing. A failed write
// to the temporary file ends the run.
int32_t RenderCrossfade(int64_t outgoingCentreFrame, int64_t incomingCentreFrame,
                        int64_t crossfadeFrames, int32_t crossfadeType,
                        const std::string& outgoingTake, const std::string& incomingTake,
                        const std::string& temporaryFile, int32_t channels, SampleCoding coding);

}  // namespace wexmont
