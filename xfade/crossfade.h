// The crossfade renderer: blends the same span of frames of the outgoing and
// the incoming take and appends the result to the temporary crossfade file.
#pragma once

#include <cstdint>
#include <string>

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

// Blends two samples on the 24-bit scale and brings the result back to the
// sample width, truncating toward zero and holding it inside the width's range.
int32_t MixSample(int32_t outgoingSample, int32_t incomingSample, CrossfadeGains gains,
                  int32_t bytesPerSample);

// Renders frames centre - N/2 to centre - N/2 + N - 1 of both takes. Returns
// one of the results above; failures to open a file, find a take's sample
// area or place the crossfade inside a take append nothing. A failed write
// to the temporary file ends the run.
int32_t RenderCrossfade(int64_t outgoingCentreFrame, int64_t incomingCentreFrame,
                        int64_t crossfadeFrames, int32_t crossfadeType,
                        const std::string& outgoingTake, const std::string& incomingTake,
                        const std::string& temporaryFile, int32_t channels, int32_t bytesPerSample);

}  // namespace wexmont
