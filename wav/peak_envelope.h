// The peak envelope of a stretch of a take: per picture column the lowest
// and highest sample of the frames it covers, over every channel, on the
// full-scale range -1..1. Read block by block, in the same memory for any
// stretch length.
#pragma once

#include <cstdint>
#include <vector>

#include "foundation/file_handle.h"
#include "wav/data_chunk.h"
#include "wav/sample_format.h"

namespace wexmont {

struct PeakColumn {
  double low = 0.0;
  double high = 0.0;
  bool operator==(const PeakColumn&) const = default;
};

// Where a take's samples lie, and how many whole frames of audio it holds.
struct TakeSamples {
  const FileHandle& file;
  SampleArea area;
  int64_t audioFrames = 0;
  SampleFormat format;
};

// Frames `first` to `first + frames - 1` (any of them may lie before 0 or
// after the take's audio: those count as silence) in `columns` columns.
// Column c covers the frames from first + c * frames / columns up to the
// next column's first frame; a stretch of fewer frames than columns gets one
// column per frame. A float sample is taken as it is (beyond 1.0 when the
// take holds one); an integer sample over its width's full scale. Frames the
// file cannot give (a read that falls short) count as silence too.
std::vector<PeakColumn> ReadPeakEnvelope(const TakeSamples& take, int64_t first, int64_t frames,
                                         int32_t columns);

}  // namespace wexmont
