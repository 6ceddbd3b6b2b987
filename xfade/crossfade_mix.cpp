#include "xfade/crossfade_mix.h"

#include <algorithm>
#include <cmath>
#include <cstring>

// The vectors below never cross a call between separately built code (all of
// it is inlined into MixCoded), so their passing convention does not matter.
#pragma GCC diagnostic ignored "-Wpsabi"

namespace wexmont {
namespace {

// The mix of every sample is defined in extended precision (x87 long double):
// outgoing x gain + incoming x gain, the 16-bit 1/256 scaling, held in the
// width's range and truncated toward zero; floats to the nearest float. One
// sample at a time that costs about 2 ns. The block is mixed in double
// instead, four samples per step, and each result comes with an interval
// that surely holds the extended result; only samples whose interval
// straddles a truncation (or, for floats, a rounding) boundary are mixed
// again in extended precision. Holding, truncating and rounding never
// decrease, so when both ends of the interval give the same bytes, the
// extended result gives them too.
//
// The bound: with gains of normal size (below), no product or sum
// underflows. Double then errs by at most 2^-52 (|x| + |y|) for x + y, and
// extended precision by at most 2^-63 (|x| + |y|): together under
// 2^-51 (|x| + |y|). The interval is twice as wide, which also covers the
// rounding of |x| + |y| and of the interval's ends.
constexpr double kErrorScale = 0x1p-50;
// Blocks with gains outside [kSmallestFastGain, kLargestFastGain] (other
// than 0, NaN too) are mixed in extended precision: their products could
// underflow a double where extended precision does not, or integer results
// leave the range where the rounding below works.
constexpr double kSmallestFastGain = 0x1p-800;
constexpr double kLargestFastGain = 4;

// Adding and taking away 1.5 x 2^52 rounds a double of magnitude below 2^51
// to the nearest whole number.
constexpr double kRoundingShift = 0x1.8p52;

constexpr long double k24To16Scale = 0.00390625L;  // 1/256
constexpr double k24To16ScaleDouble = 0x1p-8;

// Samples mixed per step, and steps whose doubts are gathered before any
// sample among them is mixed again.
constexpr size_t kLanes = 4;
constexpr size_t kStepsPerCheck = 8;
constexpr size_t kCheckSamples = kLanes * kStepsPerCheck;

using Doubles = double __attribute__((vector_size(kLanes * sizeof(double))));
using Ints = int32_t __attribute__((vector_size(kLanes * sizeof(int32_t))));
using Longs = int64_t __attribute__((vector_size(kLanes * sizeof(int64_t))));
using Floats = float __attribute__((vector_size(kLanes * sizeof(float))));
using Shorts = int16_t __attribute__((vector_size(kLanes * sizeof(int16_t))));

// The sign bit cleared: one instruction, where a comparison would take three.
[[gnu::always_inline]] inline Doubles Abs(Doubles v) {
  constexpr int64_t kAllButSign = 0x7FFFFFFFFFFFFFFF;
  return reinterpret_cast<Doubles>(reinterpret_cast<Longs>(v) & kAllButSign);
}

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

// The gains of each of four samples, spread from the frames' gains.
struct LaneGains {
  Doubles outgoing;
  Doubles incoming;
};

// Integer samples of one width: four at a time in double, one at a time in
// extended precision.
template <int32_t Bytes>
struct IntegerSamples {
  static constexpr int32_t kBytes = Bytes;
  static constexpr double kScale = Bytes == kBytes16 ? k24To16ScaleDouble : 1.0;
  using Doubt = Doubles;  // positive where a sample is in doubt

  [[gnu::always_inline]] static Doubles Load4(const uint8_t* bytes) {
    if constexpr (Bytes == kBytes16) {
      Shorts v;
      std::memcpy(&v, bytes, sizeof v);
      return __builtin_convertvector(v, Doubles) * double{k16To24Scale};
    } else if constexpr (Bytes == kBytes32) {
      Ints v;
      std::memcpy(&v, bytes, sizeof v);
      return __builtin_convertvector(v, Doubles);
    } else {
      // Reads the byte after the fourth sample: never the last of a block.
      const Ints v = {LoadSample24Wide(bytes), LoadSample24Wide(bytes + 3),
                      LoadSample24Wide(bytes + 6), LoadSample24Wide(bytes + 9)};
      return __builtin_convertvector(v, Doubles);
    }
  }

  [[gnu::always_inline]] static void Store4(uint8_t* bytes, Ints v) {
    if constexpr (Bytes == kBytes16) {
      const Shorts low = __builtin_convertvector(v, Shorts);
      std::memcpy(bytes, &low, sizeof low);
    } else if constexpr (Bytes == kBytes32) {
      std::memcpy(bytes, &v, sizeof v);
    } else {
      // Writes the byte after each sample before the next sample overwrites
      // it, and the byte after the fourth: never the last of a block.
      for (size_t k = 0; k < kLanes; ++k) {
        StoreSample24Wide(bytes + 3 * k, v[k]);
      }
    }
  }

  // Held in the range and truncated toward zero. Holding and truncating
  // give the same in either order, since the range's edges are whole
  // numbers. Results of 16- and 24-bit samples stay far inside int32_t, so
  // they are held after the conversion; 32-bit ones are held before it.
  [[gnu::always_inline]] static Ints HeldAndTruncated(Doubles mix) {
    constexpr SampleRange kRange = RangeOf(Bytes);
    if constexpr (Bytes == kBytes32) {
      const Doubles atLeastLow = mix > double{kRange.lowest} ? mix : Doubles{} + kRange.lowest;
      return __builtin_convertvector(
          atLeastLow < double{kRange.highest} ? atLeastLow : Doubles{} + kRange.highest, Ints);
    } else {
      const Ints truncated = __builtin_convertvector(mix, Ints);
      const Ints atLeastLow = truncated > kRange.lowest ? truncated : Ints{} + kRange.lowest;
      return atLeastLow < kRange.highest ? atLeastLow : Ints{} + kRange.highest;
    }
  }

  // Truncation changes only at whole numbers: a result farther than the
  // error bound from the nearest one is sure. Results beyond 2^51, where the
  // rounding trick fails, are held at the range's edge either way.
  [[gnu::always_inline]] static Doubt Mix4(const uint8_t* outgoing, const uint8_t* incoming,
                                           LaneGains gains, uint8_t* mixed) {
    const Doubles x = Load4(outgoing) * gains.outgoing;
    const Doubles y = Load4(incoming) * gains.incoming;
    const Doubles mix = (x + y) * kScale;
    const Doubles error = (Abs(x) + Abs(y)) * (kErrorScale * kScale);
    const Doubles whole = (mix + kRoundingShift) - kRoundingShift;
    Store4(mixed, HeldAndTruncated(mix));
    return error - Abs(mix - whole);
  }

  [[gnu::always_inline]] static bool AnyDoubt(Doubt doubt) {
    return doubt[0] > 0 || doubt[1] > 0 || doubt[2] > 0 || doubt[3] > 0;
  }

  [[gnu::always_inline]] static Doubt Larger(Doubt a, Doubt b) { return a > b ? a : b; }

  // Two loud takes can sum above full scale on the equal-power curve; a
  // wrapped sample would be a full-scale pop, so the result is held at the
  // edge of the range instead.
  static void MixExtended(const uint8_t* outgoing, const uint8_t* incoming, CrossfadeGains gains,
                          uint8_t* mixed) {
    long double mix = static_cast<long double>(DecodeInteger<Bytes>(outgoing)) * gains.outgoing +
                      static_cast<long double>(DecodeInteger<Bytes>(incoming)) * gains.incoming;
    if constexpr (Bytes == kBytes16) {
      mix *= k24To16Scale;
    }
    constexpr SampleRange kRange = RangeOf(Bytes);
    const long double held = std::clamp(mix, static_cast<long double>(kRange.lowest),
                                        static_cast<long double>(kRange.highest));
    EncodeInteger<Bytes>(mixed, static_cast<int32_t>(held));  // toward zero
  }
};

// A float sample has no edge to hold: a take above full scale keeps its level
// through the crossfade.
struct FloatSamples {
  static constexpr int32_t kBytes = kBytes32;
  using Doubt = Ints;  // nonzero where a sample is in doubt

  // Rounding to the nearest float never decreases: when both ends of the
  // interval round alike, so does everything between. A zero result keeps
  // its sign only when both products are exact zeros: a sum that cancels to
  // nearly nothing may take either sign. NaN and infinity make the interval
  // NaN, which compares unequal.
  [[gnu::always_inline]] static Doubt Mix4(const uint8_t* outgoing, const uint8_t* incoming,
                                           LaneGains gains, uint8_t* mixed) {
    Floats a, b;
    std::memcpy(&a, outgoing, sizeof a);
    std::memcpy(&b, incoming, sizeof b);
    const Doubles x = __builtin_convertvector(a, Doubles) * gains.outgoing;
    const Doubles y = __builtin_convertvector(b, Doubles) * gains.incoming;
    const Doubles mix = x + y;
    const Doubles size = Abs(x) + Abs(y);
    const Doubles error = size * kErrorScale;
    const Floats nearest = __builtin_convertvector(mix, Floats);
    std::memcpy(mixed, &nearest, sizeof nearest);
    const Ints apart = __builtin_convertvector(mix - error, Floats) !=
                       __builtin_convertvector(mix + error, Floats);
    const Ints signUnsure = (nearest == 0) & __builtin_convertvector(size != 0, Ints);
    return apart | signUnsure;
  }

  [[gnu::always_inline]] static bool AnyDoubt(Doubt doubt) {
    return (doubt[0] | doubt[1] | doubt[2] | doubt[3]) != 0;
  }

  [[gnu::always_inline]] static Doubt Larger(Doubt a, Doubt b) { return a | b; }

  static void MixExtended(const uint8_t* outgoing, const uint8_t* incoming, CrossfadeGains gains,
                          uint8_t* mixed) {
    const long double mix = static_cast<long double>(LoadFloatLE(outgoing)) * gains.outgoing +
                            static_cast<long double>(LoadFloatLE(incoming)) * gains.incoming;
    StoreFloatLE(mixed, static_cast<float>(mix));
  }
};

// Whether every gain of the block fits the fast mix: 0, or of a size from
// kSmallestFastGain to kLargestFastGain (NaN does not).
[[gnu::always_inline]] inline bool GainsFit(std::span<const CrossfadeGains> gains) {
  static_assert(sizeof(CrossfadeGains) == 2 * sizeof(double));
  const auto* values = reinterpret_cast<const double*>(gains.data());
  const size_t count = 2 * gains.size();
  Longs unfit{};
  size_t k = 0;
  for (; k + kLanes <= count; k += kLanes) {
    Doubles v;
    std::memcpy(&v, values + k, sizeof v);
    const Doubles size = Abs(v);
    unfit |= ~((v == 0) | ((size >= kSmallestFastGain) & (size <= kLargestFastGain)));
  }
  bool fit = (unfit[0] | unfit[1] | unfit[2] | unfit[3]) == 0;
  for (; k < count; ++k) {
    const double size = std::fabs(values[k]);
    fit &= values[k] == 0.0 || (size >= kSmallestFastGain && size <= kLargestFastGain);
  }
  return fit;
}

// The gains of samples `first` on, `Channels` to a frame (1 or 2); `first`
// is a multiple of four.
template <int32_t Channels>
[[gnu::always_inline]] inline LaneGains GainsOfLanes(const CrossfadeGains* gains, size_t first) {
  if constexpr (Channels == 1) {
    Doubles pairs01, pairs23;  // outgoing, incoming of frames 0 and 1, then 2 and 3
    std::memcpy(&pairs01, &gains[first], sizeof pairs01);
    std::memcpy(&pairs23, &gains[first + 2], sizeof pairs23);
    return {Doubles{pairs01[0], pairs01[2], pairs23[0], pairs23[2]},
            Doubles{pairs01[1], pairs01[3], pairs23[1], pairs23[3]}};
  } else {
    Doubles pairs;  // outgoing, incoming of two frames
    std::memcpy(&pairs, &gains[first / 2], sizeof pairs);
    return {Doubles{pairs[0], pairs[0], pairs[2], pairs[2]},
            Doubles{pairs[1], pairs[1], pairs[3], pairs[3]}};
  }
}

// The gains of every sample of a group, for other channel counts: spread
// frame by frame instead of divided out sample by sample.
struct GroupGains {
  double outgoing[kCheckSamples];
  double incoming[kCheckSamples];

  void Spread(const CrossfadeGains* gains, size_t first, size_t count, size_t channels) {
    size_t frame = first / channels;
    size_t channel = first % channels;
    for (size_t k = 0; k < count; ++k) {
      outgoing[k] = gains[frame].outgoing;
      incoming[k] = gains[frame].incoming;
      if (++channel == channels) {
        channel = 0;
        ++frame;
      }
    }
  }

  LaneGains Lanes(size_t k) const {
    LaneGains lanes;
    std::memcpy(&lanes.outgoing, &outgoing[k], sizeof lanes.outgoing);
    std::memcpy(&lanes.incoming, &incoming[k], sizeof lanes.incoming);
    return lanes;
  }
};

// Mixes samples [first, first + count) fast, four at a time, and those of a
// group of steps with any doubt again in extended precision.
template <class Samples, int32_t Channels>
[[gnu::always_inline]] inline void MixSamples(const uint8_t* outgoing, const uint8_t* incoming,
                                              const CrossfadeGains* gains, size_t channels,
                                              size_t count, uint8_t* mixed) {
  constexpr size_t kWidth = Samples::kBytes;
  const size_t perFrame = Channels > 0 ? Channels : channels;
  [[maybe_unused]] GroupGains group;
  for (size_t first = 0; first < count; first += kCheckSamples) {
    const size_t end = std::min(count, first + kCheckSamples);
    if constexpr (Channels == 0) {
      group.Spread(gains, first, end - first, perFrame);
    }
    typename Samples::Doubt doubt{};
    size_t i = first;
    for (; i + kLanes <= end; i += kLanes) {
      LaneGains lanes;
      if constexpr (Channels == 0) {
        lanes = group.Lanes(i - first);
      } else {
        lanes = GainsOfLanes<Channels>(gains, i);
      }
      doubt = Samples::Larger(doubt, Samples::Mix4(outgoing + i * kWidth, incoming + i * kWidth,
                                                   lanes, mixed + i * kWidth));
    }
    const size_t redoFrom = Samples::AnyDoubt(doubt) ? first : i;
    for (size_t k = redoFrom; k < end; ++k) {
      Samples::MixExtended(outgoing + k * kWidth, incoming + k * kWidth, gains[k / perFrame],
                           mixed + k * kWidth);
    }
  }
}

// The block fast where its gains fit, else every sample in extended
// precision. 24-bit samples are read and written four bytes at a time, so
// the last sample of the block is mixed on its own.
template <class Samples, int32_t Channels>
[[gnu::always_inline]] inline void MixFrames(const uint8_t* outgoing, const uint8_t* incoming,
                                             std::span<const CrossfadeGains> gains, size_t channels,
                                             uint8_t* mixed) {
  constexpr size_t kWidth = Samples::kBytes;
  const size_t perFrame = Channels > 0 ? Channels : channels;
  const size_t samples = gains.size() * perFrame;
  size_t fast = 0;
  if (GainsFit(gains)) {
    fast = kWidth == kBytes24 && samples > 0 ? samples - 1 : samples;
    MixSamples<Samples, Channels>(outgoing, incoming, gains.data(), perFrame, fast, mixed);
  }
  for (size_t k = fast; k < samples; ++k) {
    Samples::MixExtended(outgoing + k * kWidth, incoming + k * kWidth, gains[k / perFrame],
                         mixed + k * kWidth);
  }
}

template <class Samples>
[[gnu::always_inline]] inline void MixFramesOfChannels(const uint8_t* outgoing,
                                                       const uint8_t* incoming,
                                                       std::span<const CrossfadeGains> gains,
                                                       size_t channels, uint8_t* mixed) {
  switch (channels) {
    case 1:
      return MixFrames<Samples, 1>(outgoing, incoming, gains, channels, mixed);
    case 2:
      return MixFrames<Samples, 2>(outgoing, incoming, gains, channels, mixed);
    default:
      return MixFrames<Samples, 0>(outgoing, incoming, gains, channels, mixed);
  }
}

// Processors with AVX2 mix four doubles per instruction instead of two; the
// program picks its version once, when it is loaded. Both give the same
// bytes: neither contracts a product and a sum into one rounding.
// (WEXMONT_MIX_BASELINE_ONLY builds only the latter, to test it on a
// processor with AVX2.)
#if (defined(__x86_64__) || defined(__i386__)) && !defined(WEXMONT_MIX_BASELINE_ONLY)
[[gnu::target_clones("avx2", "default")]]
#endif
void MixCoded(const uint8_t* outgoing, const uint8_t* incoming,
              std::span<const CrossfadeGains> gains, size_t channels, SampleCoding coding,
              uint8_t* mixed) {
  if (coding.kind == SampleKind::kFloat) {
    return MixFramesOfChannels<FloatSamples>(outgoing, incoming, gains, channels, mixed);
  }
  switch (coding.bytesPerSample) {
    case kBytes16:
      return MixFramesOfChannels<IntegerSamples<kBytes16>>(outgoing, incoming, gains, channels,
                                                           mixed);
    case kBytes24:
      return MixFramesOfChannels<IntegerSamples<kBytes24>>(outgoing, incoming, gains, channels,
                                                           mixed);
    default:
      return MixFramesOfChannels<IntegerSamples<kBytes32>>(outgoing, incoming, gains, channels,
                                                           mixed);
  }
}

}  // namespace

void MixBlock(std::span<const uint8_t> outgoing, std::span<const uint8_t> incoming,
              std::span<const CrossfadeGains> gains, int32_t channels, SampleCoding coding,
              std::span<uint8_t> mixed) {
  const size_t bytes = gains.size() * static_cast<size_t>(channels * coding.bytesPerSample);
  if (!CodecKnows(coding) || channels < 1 || bytes > outgoing.size() || bytes > incoming.size() ||
      bytes > mixed.size()) {
    return;
  }
  MixCoded(outgoing.data(), incoming.data(), gains, static_cast<size_t>(channels), coding,
           mixed.data());
}

}  // namespace wexmont
