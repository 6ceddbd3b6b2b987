// The take probe: format and sample area of one take, before anything is
// built. It reads only header fields, never samples.
#pragma once

#include <cstdint>
#include <string>

#include "wav/carried_metadata.h"
#include "wav/data_chunk.h"
#include "wav/sample_format.h"

namespace wexmont {

struct TakeAttributes {
  int32_t channels = 0;
  int64_t dataOffset = 0;
  SampleArea area;  // where its samples lie, found once
  uint32_t sampleRate = 0;
  int64_t frameCount = 0;
  int32_t bytesPerSample = 0;
  int32_t bitsPerSample = 0;
  SampleKind sampleKind = SampleKind::kInteger;
  uint16_t formatCode = 0;   // an extensible chunk's is that of its sub-format
  uint32_t channelMask = 0;  // from an extensible chunk, else 0
  TakeMetadata metadata;     // where its bext and iXML chunks lie
  // False when the take has no format chunk: the probe said so and read the
  // fields where its scan for one ends.
  bool formatChunkFound = true;
};

// What the probe says of a take without a format chunk (the run goes on).
void SayFormatChunkMissing(const std::string& path);

// The format, sample area and metadata chunks of the take at `path`. Ends the run when the
// take cannot be opened, has no data tag, has no bytes per frame or is too
// short to hold a format field it needs.
TakeAttributes ProbeTake(const std::string& path);

}  // namespace wexmont
