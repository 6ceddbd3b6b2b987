#include "xfade/crossfade_mix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "foundation/byte_pack.h"
#include "xfade/crossfade_curve.h"

namespace wexmont {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr SampleKind kInteger = SampleKind::kInteger;
constexpr SampleKind kFloat = SampleKind::kFloat;

// Sample bytes of every kind a take can hold: noise over the whole width,
// full scale of either sign (two loud takes sum beyond the range), silence,
// and for floats values far beyond full scale, infinities and NaN.
Bytes SampleBytesOf(SampleCoding coding, size_t samples, std::mt19937& random) {
  Bytes bytes(samples * static_cast<size_t>(coding.bytesPerSample));
  const float floats[] = {0.0f,
                          1.0f,
                          -1.0f,
                          3.5f,
                          std::numeric_limits<float>::max(),
                          -std::numeric_limits<float>::infinity(),
                          std::numeric_limits<float>::quiet_NaN(),
                          std::numeric_limits<float>::denorm_min()};
  for (size_t k = 0; k < samples; ++k) {
    uint8_t* at = &bytes[k * static_cast<size_t>(coding.bytesPerSample)];
    const uint32_t pick = random();
    if (coding.kind == kFloat) {
      StoreFloatLE(at, pick % 4 == 0 ? floats[pick / 4 % 8]
                                     : std::uniform_real_distribution<float>(-2, 2)(random));
    } else {
      const int64_t top = (int64_t{1} << (8 * coding.bytesPerSample - 1)) - 1;
      const int32_t extremes[] = {static_cast<int32_t>(top), static_cast<int32_t>(-top - 1), 0,
                                  static_cast<int32_t>(random())};
      StoreSampleLE(at, extremes[pick % 4], coding.bytesPerSample);
    }
  }
  return bytes;
}

// One sample as decoding, MixSample and encoding make it.
void MixOneSample(const uint8_t* outgoing, const uint8_t* incoming, CrossfadeGains gains,
                  SampleCoding coding, uint8_t* mixed) {
  const auto width = static_cast<size_t>(coding.bytesPerSample);
  double a = 0, b = 0;
  DecodeSamples(std::span(outgoing, width), std::span(&a, 1), coding, 1);
  DecodeSamples(std::span(incoming, width), std::span(&b, 1), coding, 1);
  const double mix = MixSample(a, b, gains, coding);
  EncodeSamples(std::span(&mix, 1), std::span(mixed, width), coding, 1);
}

TEST(CrossfadeMix, BlocksMixSampleBySampleAsMixSampleDoes) {
  const std::pair<SampleCoding, int32_t> cases[] = {
      {{kBytes16, kInteger}, 1}, {{kBytes16, kInteger}, 2}, {{kBytes24, kInteger}, 2},
      {{kBytes24, kInteger}, 5}, {{kBytes32, kInteger}, 2}, {{kBytes32, kInteger}, 64},
      {{kBytes32, kFloat}, 1},   {{kBytes32, kFloat}, 2},   {{kBytes32, kFloat}, 7}};
  constexpr int64_t kFrames = 600;
  std::mt19937 random(11);
  for (const auto& [coding, channels] : cases) {
    for (int32_t type = kEqualPowerCurve; type <= kSineCurve; ++type) {
      CrossfadeCurve curve(type, kFrames);
      const auto gains = curve.Gains(0, kFrames);
      const size_t samples = static_cast<size_t>(kFrames * channels);
      const Bytes outgoing = SampleBytesOf(coding, samples, random);
      const Bytes incoming = SampleBytesOf(coding, samples, random);
      Bytes mixed(outgoing.size()), want(outgoing.size());
      MixBlock(outgoing, incoming, gains, channels, coding, mixed);
      for (size_t k = 0; k < samples; ++k) {
        const size_t at = k * static_cast<size_t>(coding.bytesPerSample);
        MixOneSample(&outgoing[at], &incoming[at], gains[k / static_cast<size_t>(channels)], coding,
                     &want[at]);
      }
      EXPECT_EQ(mixed, want) << coding.bytesPerSample << " bytes, "
                             << (coding.kind == kFloat ? "float, " : "integer, ") << channels
                             << " channels, type " << type;
    }
  }
}

// A curve hands out what GainsAt gives, whether it holds all its frames or
// only the window last asked for, in any order of asking.
TEST(CrossfadeCurve, GivesTheGainsOfGainsAtWhetherHeldWholeOrInWindows) {
  struct Case {
    int32_t type;
    int64_t frames;
    std::vector<std::pair<int64_t, int64_t>> asks;  // first frame, count
  };
  const int64_t held = CrossfadeCurve::kHeldCurveFrames;
  const Case cases[] = {
      {kLinearCurve, 4, {{0, 4}, {1, 2}}},
      {kEqualPowerCurve, held, {{0, 16384}, {held - 16384, 16384}, {held - 1, 1}, {5, 3}}},
      {kCosineCurve, held + 1, {{0, 16384}, {16384, 16384}, {held, 1}, {0, 3}, {2, 1}}},
      {kSineCurve, int64_t{3} << 30, {{(int64_t{3} << 30) - 10, 10}, {7, 5}}}};
  for (const Case& c : cases) {
    CrossfadeCurve curve(c.type, c.frames);
    for (const auto& [first, count] : c.asks) {
      const auto gains = curve.Gains(first, count);
      ASSERT_EQ(gains.size(), static_cast<size_t>(count));
      for (int64_t i = 0; i < count; ++i) {
        const CrossfadeGains want = GainsAt(c.type, first + i, c.frames);
        EXPECT_EQ(gains[static_cast<size_t>(i)].outgoing, want.outgoing) << first + i;
        EXPECT_EQ(gains[static_cast<size_t>(i)].incoming, want.incoming) << first + i;
      }
    }
  }
}

}  // namespace
}  // namespace wexmont
