#include "xfade/crossfade_mix.h"

#include <algorithm>
#include <array>
#include <cmath>

namespace wexmont {
namespace {

// The mix of every sample is defined in extended precision (x87 long double):
// outgoing x gain + incoming x gain, the 16-bit 1/256 scaling, held in the
// width's range and truncated toward zero; floats to the nearest float. That
// costs about 2 ns a sample. The block is mixed in double instead, many
// samples per step, and each result comes with an interval that holds the
// extended result for sure; only a sample whose interval straddles a
// truncation (or, for floats, a rounding) boundary is mixed again in extended
// precision. Holding, truncating and rounding never decrease, so when both
// ends of the interval give the same bytes, the extended result gives them
// too.
//
// The bound: with gains of normal size (below), neither product nor the sum
// underflows. Double then errs by at most 2^-52 (|x| + |y|) for x + y, and
// extended precision by at most 2^-63 (|x| + |y|): together under
// 2^-51 (|x| + |y|). The interval is twice as wide, which also covers the
// rounding of |x| + |y| and of the interval's ends.
constexpr double kErrorScale = 0x1p-50;
// Gains outside [kSmallestFastGain, kLargestFastGain] (other than 0) send
// their frame to the extended mix: their products could underflow or
// overflow a double where extended precision does not.
constexpr double kSmallestFastGain = 0x1p-800;
constexpr double kLargestFastGain = 0x1p100;

constexpr long double k24To16Scale = 0.00390625L;  // 1/256
constexpr double k24To16ScaleDouble = 0x1p-8;

// Samples mixed per step of the fast loop: their decoded values, gains and
// results fit the first-level cache.
constexpr size_t kLaneSamples = 512;

struct SampleRange {
  int32_t lowest;
  int32_t highest;
};

constexpr SampleRange RangeOf(int32_t bytesPerSample) {
  switch (bytesPerSample) {
    case kBytes16:
      return {-32768, 32767};
    case kBytes24:
      return {-8388608, 8388607};
    default:
      return {-2147483647 - 1, 2147483647};
  }
}

// Samples of one coding: loaded as doubles (exactly), the result of the fast
// mix stored, and the extended mix of one sample.
template <int32_t Bytes>
struct IntegerSamples {
  static constexpr int32_t kBytes = Bytes;
  static constexpr bool kFloat = false;
  static double Load(const uint8_t* bytes) { return DecodeInteger<Bytes>(bytes); }
  static void Store(uint8_t* bytes, int32_t value) { EncodeInteger<Bytes>(bytes, value); }

  // Two loud takes can sum above full scale on the equal-power curve; a
  // wrapped sample would be a full-scale pop, so the result is held at the
  // edge of the range instead.
  static void StoreExtended(uint8_t* bytes, long double outgoing, long double incoming,
                            CrossfadeGains gains) {
    long double mix = outgoing * gains.outgoing + incoming * gains.incoming;
    if constexpr (Bytes == kBytes16) {
      mix *= k24To16Scale;
    }
    constexpr SampleRange kRange = RangeOf(Bytes);
    const long double held =
        std::clamp(mix, static_cast<long double>(kRange.lowest),
                   static_cast<long double>(kRange.highest));
    Store(bytes, static_cast<int32_t>(held));  // toward zero
  }
};

// A float sample has no edge to hold: a take above full scale keeps its level
// through the crossfade.
struct FloatSamples {
  static constexpr int32_t kBytes = kBytes32;
  static constexpr bool kFloat = true;
  static double Load(const uint8_t* bytes) { return LoadFloatLE(bytes); }
  static void Store(uint8_t* bytes, float value) { StoreFloatLE(bytes, value); }
  static void StoreExtended(uint8_t* bytes, long double outgoing, long double incoming,
                            CrossfadeGains gains) {
    Store(bytes, static_cast<float>(outgoing * gains.outgoing + incoming * gains.incoming));
  }
};

// One step's samples: decoded, with the gains of their frames, and the fast
// results with a mark where the extended mix must decide.
template <class Result>
struct Lanes {
  std::array<double, kLaneSamples> outgoing;
  std::array<double, kLaneSamples> incoming;
  std::array<double, kLaneSamples> outgoingGain;
  std::array<double, kLaneSamples> incomingGain;
  std::array<Result, kLaneSamples> mixed;
  std::array<uint8_t, kLaneSamples> unsure;
};

// Held in the range and truncated toward zero; holding first keeps the
// conversion inside int32_t, and gives the same value as truncating first,
// since the range's edges are whole numbers.
template <int32_t Bytes>
inline int32_t HeldAndTruncated(double mix) {
  constexpr SampleRange kRange = RangeOf(Bytes);
  const double low = kRange.lowest;
  const double high = kRange.highest;
  return static_cast<int32_t>(mix < low ? low : (mix > high ? high : mix));
}

template <int32_t Bytes>
void MixLanesFast(Lanes<int32_t>& lanes, size_t count) {
  constexpr double kScale = Bytes == kBytes16 ? k24To16ScaleDouble : 1.0;
  for (size_t i = 0; i < count; ++i) {
    const double x = lanes.outgoing[i] * lanes.outgoingGain[i];
    const double y = lanes.incoming[i] * lanes.incomingGain[i];
    const double mix = (x + y) * kScale;
    const double error = (std::fabs(x) + std::fabs(y)) * (kErrorScale * kScale);
    const int32_t low = HeldAndTruncated<Bytes>(mix - error);
    const int32_t high = HeldAndTruncated<Bytes>(mix + error);
    lanes.mixed[i] = low;
    lanes.unsure[i] = low != high;
  }
}

// A zero result keeps its sign only when both products are exact zeros: a
// sum that cancels to nearly nothing may take either sign. NaN and infinity
// make the interval NaN, which compares unequal.
void MixLanesFast(Lanes<float>& lanes, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    const double x = lanes.outgoing[i] * lanes.outgoingGain[i];
    const double y = lanes.incoming[i] * lanes.incomingGain[i];
    const double mix = x + y;
    const double size = std::fabs(x) + std::fabs(y);
    const double error = size * kErrorScale;
    const float low = static_cast<float>(mix - error);
    const float high = static_cast<float>(mix + error);
    const float nearest = static_cast<float>(mix);
    lanes.mixed[i] = nearest;
    lanes.unsure[i] = !(low == high) || (nearest == 0.0f && size != 0.0);
  }
}

bool GainsFitDouble(CrossfadeGains gains) {
  const auto fits = [](double gain) {
    const double size = std::fabs(gain);
    return gain == 0.0 || (size >= kSmallestFastGain && size <= kLargestFastGain);
  };
  return fits(gains.outgoing) && fits(gains.incoming);
}

// Mixes `frames` whole frames starting at sample byte `at` of each buffer,
// at most kLaneSamples samples.
template <class Samples, class Result>
void MixStep(const uint8_t* outgoing, const uint8_t* incoming, const CrossfadeGains* gains,
             size_t frames, size_t channels, uint8_t* mixed, Lanes<Result>& lanes) {
  constexpr size_t kWidth = Samples::kBytes;
  const size_t count = frames * channels;
  bool anyUnfit = false;
  for (size_t f = 0, i = 0; f < frames; ++f) {
    anyUnfit |= !GainsFitDouble(gains[f]);
    for (size_t c = 0; c < channels; ++c, ++i) {
      lanes.outgoingGain[i] = gains[f].outgoing;
      lanes.incomingGain[i] = gains[f].incoming;
    }
  }
  for (size_t i = 0; i < count; ++i) {
    lanes.outgoing[i] = Samples::Load(outgoing + i * kWidth);
    lanes.incoming[i] = Samples::Load(incoming + i * kWidth);
  }
  if constexpr (Samples::kFloat) {
    MixLanesFast(lanes, count);
  } else {
    MixLanesFast<Samples::kBytes>(lanes, count);
  }
  for (size_t i = 0; i < count; ++i) {
    Samples::Store(mixed + i * kWidth, lanes.mixed[i]);
  }
  for (size_t i = 0; i < count; ++i) {
    if (lanes.unsure[i] || anyUnfit) {
      Samples::StoreExtended(mixed + i * kWidth, lanes.outgoing[i], lanes.incoming[i],
                             gains[i / channels]);
    }
  }
}

template <class Samples, class Result>
void MixCoded(const uint8_t* outgoing, const uint8_t* incoming,
              std::span<const CrossfadeGains> gains, int32_t channels, uint8_t* mixed) {
  Lanes<Result> lanes;
  const auto perFrame = static_cast<size_t>(channels);
  const size_t stepFrames = kLaneSamples / perFrame;
  const size_t frameBytes = perFrame * Samples::kBytes;
  for (size_t first = 0; first < gains.size(); first += stepFrames) {
    const size_t frames = std::min(stepFrames, gains.size() - first);
    const size_t at = first * frameBytes;
    MixStep<Samples>(outgoing + at, incoming + at, &gains[first], frames, perFrame, mixed + at,
                     lanes);
  }
}

}  // namespace

void MixBlock(std::span<const uint8_t> outgoing, std::span<const uint8_t> incoming,
              std::span<const CrossfadeGains> gains, int32_t channels, SampleCoding coding,
              std::span<uint8_t> mixed) {
  const size_t bytes = gains.size() * static_cast<size_t>(channels * coding.bytesPerSample);
  if (!CodecKnows(coding) || channels < 1 || static_cast<size_t>(channels) > kLaneSamples ||
      bytes > outgoing.size() || bytes > incoming.size() || bytes > mixed.size()) {
    return;
  }
  const uint8_t* a = outgoing.data();
  const uint8_t* b = incoming.data();
  uint8_t* out = mixed.data();
  if (coding.kind == SampleKind::kFloat) {
    return MixCoded<FloatSamples, float>(a, b, gains, channels, out);
  }
  switch (coding.bytesPerSample) {
    case kBytes16:
      return MixCoded<IntegerSamples<kBytes16>, int32_t>(a, b, gains, channels, out);
    case kBytes24:
      return MixCoded<IntegerSamples<kBytes24>, int32_t>(a, b, gains, channels, out);
    default:
      return MixCoded<IntegerSamples<kBytes32>, int32_t>(a, b, gains, channels, out);
  }
}

}  // namespace wexmont
