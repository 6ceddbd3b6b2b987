#include "xfade/crossfade_mix.h"

#include <algorithm>

namespace wexmont {
namespace {

constexpr long double k24To16Scale = 0.00390625L;  // 1/256

struct SampleRange {
  long double lowest;
  long double highest;
};

constexpr SampleRange RangeOf(int32_t bytesPerSample) {
  switch (bytesPerSample) {
    case kBytes16:
      return {-32768.0L, 32767.0L};
    case kBytes24:
      return {-8388608.0L, 8388607.0L};
    default:
      return {-2147483648.0L, 2147483647.0L};
  }
}

// Two loud takes can sum above full scale on the equal-power curve; a
// wrapped sample would be a full-scale pop, so the result is held at the
// edge of the range instead.
long double HeldInRange(long double mix, int32_t bytesPerSample) {
  const SampleRange range = RangeOf(bytesPerSample);
  return std::clamp(mix, range.lowest, range.highest);
}

// Samples of one integer width, decoded onto the common scale and mixed back
// onto the width's own. `Wide` 24-bit samples are read and written 4 bytes at
// a time, which touches the byte after each sample: for all but the last
// frame of a block.
template <int32_t Bytes, bool Wide = false>
struct IntegerSamples {
  static constexpr int32_t kBytes = Bytes;
  static long double Load(const uint8_t* bytes) {
    if constexpr (Wide && Bytes == kBytes24) {
      return LoadSample24Wide(bytes);
    }
    return DecodeInteger<Bytes>(bytes);
  }
  static void Store(uint8_t* bytes, long double mix) {
    if constexpr (Bytes == kBytes16) {
      mix *= k24To16Scale;
    }
    const auto held = static_cast<int32_t>(HeldInRange(mix, Bytes));  // toward zero
    if constexpr (Wide && Bytes == kBytes24) {
      StoreSample24Wide(bytes, held);
    } else {
      EncodeInteger<Bytes>(bytes, held);
    }
  }
};

// A float sample has no edge to hold: a take above full scale keeps its level
// through the crossfade.
struct FloatSamples {
  static constexpr int32_t kBytes = kBytes32;
  static long double Load(const uint8_t* bytes) { return LoadFloatLE(bytes); }
  static void Store(uint8_t* bytes, long double mix) {
    StoreFloatLE(bytes, static_cast<float>(mix));
  }
};

// The mix of MixSample, sample by sample. `Channels` is the channel count
// when it is known here (mono and stereo, the common cases), else 0.
template <class Samples, int32_t Channels>
[[gnu::always_inline]] inline void MixFrames(const uint8_t* outgoing, const uint8_t* incoming,
                                             std::span<const CrossfadeGains> gains,
                                             int32_t channels, uint8_t* mixed) {
  const int32_t perFrame = Channels > 0 ? Channels : channels;
  size_t at = 0;
  for (const CrossfadeGains& frameGains : gains) {
    const long double outgoingGain = frameGains.outgoing;
    const long double incomingGain = frameGains.incoming;
    for (int32_t c = 0; c < perFrame; ++c, at += Samples::kBytes) {
      const long double mix =
          Samples::Load(outgoing + at) * outgoingGain + Samples::Load(incoming + at) * incomingGain;
      Samples::Store(mixed + at, mix);
    }
  }
}

// All frames but the last with `Wide` samples, the last one with samples
// read and written at their exact width, so that nothing past the block is
// touched.
template <class Wide, class Exact, int32_t Channels>
[[gnu::always_inline]] inline void MixFramesWideThenExact(const uint8_t* outgoing,
                                                          const uint8_t* incoming,
                                                          std::span<const CrossfadeGains> gains,
                                                          int32_t channels, uint8_t* mixed) {
  if (gains.empty()) {
    return;
  }
  const size_t last = gains.size() - 1;
  MixFrames<Wide, Channels>(outgoing, incoming, gains.first(last), channels, mixed);
  const size_t lastAt = last * static_cast<size_t>(channels * Exact::kBytes);
  MixFrames<Exact, Channels>(outgoing + lastAt, incoming + lastAt, gains.last(1), channels,
                             mixed + lastAt);
}

template <class Wide, class Exact = Wide>
[[gnu::always_inline]] inline void MixFramesOfChannels(const uint8_t* outgoing,
                                                       const uint8_t* incoming,
                                                       std::span<const CrossfadeGains> gains,
                                                       int32_t channels, uint8_t* mixed) {
  switch (channels) {
    case 1:
      return MixFramesWideThenExact<Wide, Exact, 1>(outgoing, incoming, gains, channels, mixed);
    case 2:
      return MixFramesWideThenExact<Wide, Exact, 2>(outgoing, incoming, gains, channels, mixed);
    default:
      return MixFramesWideThenExact<Wide, Exact, 0>(outgoing, incoming, gains, channels, mixed);
  }
}

// An integer result is truncated with the x87 unit's own truncating store
// where the processor has it (SSE3's fisttp); without it, every truncation
// saves, changes and restores the rounding mode. Both give the same bytes:
// the processor picks its version once, when the program is loaded.
#if defined(__x86_64__) || defined(__i386__)
[[gnu::target_clones("sse3", "default")]]
#endif
void MixCoded(const uint8_t* outgoing, const uint8_t* incoming,
              std::span<const CrossfadeGains> gains, int32_t channels, SampleCoding coding,
              uint8_t* mixed) {
  if (coding.kind == SampleKind::kFloat) {
    return MixFramesOfChannels<FloatSamples>(outgoing, incoming, gains, channels, mixed);
  }
  switch (coding.bytesPerSample) {
    case kBytes16:
      return MixFramesOfChannels<IntegerSamples<kBytes16>>(outgoing, incoming, gains, channels,
                                                           mixed);
    case kBytes24:
      return MixFramesOfChannels<IntegerSamples<kBytes24, true>, IntegerSamples<kBytes24>>(
          outgoing, incoming, gains, channels, mixed);
    default:
      return MixFramesOfChannels<IntegerSamples<kBytes32>>(outgoing, incoming, gains, channels,
                                                           mixed);
  }
}

}  // namespace

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

void MixBlock(std::span<const uint8_t> outgoing, std::span<const uint8_t> incoming,
              std::span<const CrossfadeGains> gains, int32_t channels, SampleCoding coding,
              std::span<uint8_t> mixed) {
  const size_t bytes = gains.size() * static_cast<size_t>(channels * coding.bytesPerSample);
  if (!CodecKnows(coding) || bytes > outgoing.size() || bytes > incoming.size() ||
      bytes > mixed.size()) {
    return;
  }
  MixCoded(outgoing.data(), incoming.data(), gains, channels, coding, mixed.data());
}

}  // namespace wexmont
