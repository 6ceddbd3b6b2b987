// What a take's samples are: rate, width, channels, and whether they are
// integers or floats. The takes of a track share one, and the track's
// output and temporary crossfade file are written in it.
#pragma once

#include <cstdint>

namespace wexmont {

// Format codes of a format chunk; an extensible chunk carries the real one
// in the first two bytes of its sub-format.
constexpr uint16_t kFormatCodePcm = 1;
constexpr uint16_t kFormatCodeFloat = 3;
constexpr uint16_t kFormatCodeExtensible = 0xFFFE;

// A format chunk this long or longer holds the extensible fields.
constexpr uint32_t kExtensibleFormatBytes = 40;

// The most channels a take may have: a recorder's or a mixer's polyphonic
// file, one channel per microphone.
constexpr int32_t kMaxChannels = 64;

enum class SampleKind : uint8_t {
  kInteger,  // two's-complement PCM
  kFloat,    // IEEE 754; full scale is 1.0, and values beyond it are kept
  kOther,    // compressed or unknown: nothing the build can read
};

struct SampleFormat {
  uint32_t sampleRate = 0;
  int32_t bitsPerSample = 0;  // the container width
  int32_t channels = 0;
  SampleKind kind = SampleKind::kInteger;
  uint32_t channelMask = 0;  // speaker positions; 0 when none are assigned

  int32_t BytesPerSample() const { return bitsPerSample >> 3; }
};

}  // namespace wexmont
