#include "xfade/pcm_codec.h"

#include "foundation/byte_pack.h"

namespace wexmont {
namespace {

constexpr int32_t k16To24Scale = 256;

bool IsFloat32(SampleCoding coding) {
  return coding.kind == SampleKind::kFloat && coding.bytesPerSample == kBytes32;
}

bool IsInteger(SampleCoding coding) {
  return coding.kind == SampleKind::kInteger &&
         (coding.bytesPerSample == kBytes16 || coding.bytesPerSample == kBytes24 ||
          coding.bytesPerSample == kBytes32);
}

double DecodeSample(const uint8_t* bytes, SampleCoding coding) {
  if (IsFloat32(coding)) {
    return LoadFloatLE(bytes);
  }
  if (!IsInteger(coding)) {
    return 0.0;
  }
  const int32_t value = LoadSampleLE(bytes, coding.bytesPerSample);
  return coding.bytesPerSample == kBytes16 ? value * k16To24Scale : value;
}

void EncodeSample(uint8_t* bytes, double value, SampleCoding coding) {
  if (IsFloat32(coding)) {
    StoreFloatLE(bytes, static_cast<float>(value));
  } else if (IsInteger(coding)) {
    // The conversion to 32 bits keeps the low bits, as the width does.
    StoreSampleLE(bytes, static_cast<int32_t>(static_cast<int64_t>(value)), coding.bytesPerSample);
  }
}

}  // namespace

bool CodecKnows(SampleCoding coding) {
  return IsInteger(coding) || IsFloat32(coding);
}

void DecodeSamples(std::span<const uint8_t> bytes, std::span<double> samples, SampleCoding coding,
                   int32_t count) {
  for (int32_t k = 0; k < count; ++k) {
    samples[k] = DecodeSample(&bytes[static_cast<size_t>(k) * coding.bytesPerSample], coding);
  }
}

void EncodeSamples(std::span<const double> samples, std::span<uint8_t> bytes, SampleCoding coding,
                   int32_t count) {
  for (int32_t k = 0; k < count; ++k) {
    EncodeSample(&bytes[static_cast<size_t>(k) * coding.bytesPerSample], samples[k], coding);
  }
}

}  // namespace wexmont
