#include "xfade/pcm_codec.h"

#include "foundation/byte_pack.h"

namespace wexmont {
namespace {

constexpr int32_t k16To24Scale = 256;

int32_t DecodeSample(const uint8_t* bytes, int32_t bytesPerSample) {
  switch (bytesPerSample) {
    case kBytes24:
      return LoadSampleLE(bytes, kBytes24);
    case kBytes16:
      return LoadSampleLE(bytes, kBytes16) * k16To24Scale;
    default:
      return 0;
  }
}

void EncodeMonoOfWidth(std::span<const int32_t> samples, std::span<uint8_t> bytes, int32_t count,
                       int32_t width) {
  for (int32_t k = 0; k < count; ++k) {
    StoreSampleLE(&bytes[static_cast<size_t>(k) * width], samples[k], width);
  }
}

void EncodeStereoOfWidth(std::span<const int32_t> left, std::span<const int32_t> right,
                         std::span<uint8_t> bytes, int32_t count, int32_t width) {
  for (int32_t k = 0; k < count; ++k) {
    uint8_t* frame = &bytes[static_cast<size_t>(k) * 2 * width];
    StoreSampleLE(frame, left[k], width);
    StoreSampleLE(frame + width, right[k], width);
  }
}

}  // namespace

void DecodeMono(std::span<const uint8_t> bytes, std::span<int32_t> samples, int32_t bytesPerSample,
                int32_t count) {
  for (int32_t k = 0; k < count; ++k) {
    samples[k] = DecodeSample(&bytes[static_cast<size_t>(k) * bytesPerSample], bytesPerSample);
  }
}

void DecodeStereo(std::span<const uint8_t> bytes, std::span<int32_t> left, std::span<int32_t> right,
                  int32_t bytesPerSample, int32_t count) {
  for (int32_t k = 0; k < count; ++k) {
    const uint8_t* frame = &bytes[static_cast<size_t>(k) * 2 * bytesPerSample];
    left[k] = DecodeSample(frame, bytesPerSample);
    right[k] = DecodeSample(frame + bytesPerSample, bytesPerSample);
  }
}

void EncodeMono16(std::span<const int32_t> samples, std::span<uint8_t> bytes, int32_t count) {
  EncodeMonoOfWidth(samples, bytes, count, kBytes16);
}

void EncodeMono24(std::span<const int32_t> samples, std::span<uint8_t> bytes, int32_t count) {
  EncodeMonoOfWidth(samples, bytes, count, kBytes24);
}

void EncodeStereo16(std::span<const int32_t> left, std::span<const int32_t> right,
                    std::span<uint8_t> bytes, int32_t count) {
  EncodeStereoOfWidth(left, right, bytes, count, kBytes16);
}

void EncodeStereo24(std::span<const int32_t> left, std::span<const int32_t> right,
                    std::span<uint8_t> bytes, int32_t count) {
  EncodeStereoOfWidth(left, right, bytes, count, kBytes24);
}

}  // namespace wexmont
