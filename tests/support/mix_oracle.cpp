#include "tests/support/mix_oracle.h"

#include <algorithm>

#include "foundation/byte_pack.h"

namespace wexmont::oracle {
namespace {

constexpr long double k24To16Scale = 0.00390625L;  // 1/256

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
  return coding.bytesPerSample == kBytes16 ? value * 256.0 : value;
}

void EncodeSample(uint8_t* bytes, double value, SampleCoding coding) {
  if (IsFloat32(coding)) {
    StoreFloatLE(bytes, static_cast<float>(value));
  } else if (IsInteger(coding)) {
    StoreSampleLE(bytes, static_cast<int32_t>(static_cast<int64_t>(value)), coding.bytesPerSample);
  }
}

long double HeldInRange(long double mix, int32_t bytesPerSample) {
  switch (bytesPerSample) {
    case kBytes16:
      return std::clamp(mix, -32768.0L, 32767.0L);
    case kBytes24:
      return std::clamp(mix, -8388608.0L, 8388607.0L);
    default:
      return std::clamp(mix, -2147483648.0L, 2147483647.0L);
  }
}

}  // namespace

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

double MixSample(double outgoingSample, double incomingSample, CrossfadeGains gains,
                 SampleCoding coding) {
  long double mix = static_cast<long double>(outgoingSample) * gains.outgoing +
                    static_cast<long double>(incomingSample) * gains.incoming;
  if (coding.kind == SampleKind::kFloat) {
    return static_cast<float>(mix);
  }
  if (coding.bytesPerSample == kBytes16) {
    mix *= k24To16Scale;
  }
  return static_cast<int32_t>(HeldInRange(mix, coding.bytesPerSample));  // toward zero
}

void MixOneSample(const uint8_t* outgoing, const uint8_t* incoming, CrossfadeGains gains,
                  SampleCoding coding, uint8_t* mixed) {
  const auto width = static_cast<size_t>(coding.bytesPerSample);
  double a = 0, b = 0;
  DecodeSamples(std::span(outgoing, width), std::span(&a, 1), coding, 1);
  DecodeSamples(std::span(incoming, width), std::span(&b, 1), coding, 1);
  const double mix = MixSample(a, b, gains, coding);
  EncodeSamples(std::span(&mix, 1), std::span(mixed, width), coding, 1);
}

}  // namespace wexmont::oracle
