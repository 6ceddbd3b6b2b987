#include "xfade/pcm_codec.h"

namespace wexmont {
namespace {

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
  switch (IsInteger(coding) ? coding.bytesPerSample : 0) {
    case kBytes16:
      return DecodeInteger<kBytes16>(bytes);
    case kBytes24:
      return DecodeInteger<kBytes24>(bytes);
    case kBytes32:
      return DecodeInteger<kBytes32>(bytes);
    default:
      return 0.0;
  }
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
