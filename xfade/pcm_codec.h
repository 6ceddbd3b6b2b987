// Conversions between the sample bytes of a WAV data area and sample values,
// one family for every sample coding. Integer samples decode to whole
// numbers: 16-bit samples on the 24-bit scale (times 256), 24- and 32-bit
// samples as they are; float samples decode to their own value. Each value is
// exact in a double. Encoding takes values on the width's own scale: an
// integer keeps only the low bits of its width, so values outside it wrap
// around; a float value is stored as the nearest float.
#pragma once

#include <cstdint>

#include "foundation/byte_pack.h"
#include "wav/sample_format.h"

namespace wexmont {

// Sample widths in bytes.
constexpr int32_t kBytes16 = 2;
constexpr int32_t kBytes24 = 3;
constexpr int32_t kBytes32 = 4;

// How one sample is stored.
struct SampleCoding {
  int32_t bytesPerSample;
  SampleKind kind;
};

constexpr int32_t k16To24Scale = 256;

// One sample of a coding fixed where the code is written, for loops that
// handle a whole block of one coding.
template <int32_t Bytes>
inline int32_t DecodeInteger(const uint8_t* bytes) {
  const int32_t value = LoadSampleLE(bytes, Bytes);
  return Bytes == kBytes16 ? value * k16To24Scale : value;
}

// The low bits of `value`, as many as the width holds.
template <int32_t Bytes>
inline void EncodeInteger(uint8_t* bytes, int32_t value) {
  StoreSampleLE(bytes, value, Bytes);
}

// 16-, 24- and 32-bit integers and 32-bit floats.
bool CodecKnows(SampleCoding coding);

}  // namespace wexmont
