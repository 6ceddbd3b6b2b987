#include "xfade/crossfade_mix.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "foundation/byte_pack.h"
#include "tests/support/mix_oracle.h"
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

Bytes MixedByOracle(const Bytes& outgoing, const Bytes& incoming,
                    std::span<const CrossfadeGains> gains, int32_t channels, SampleCoding coding) {
  Bytes want(outgoing.size());
  const auto width = static_cast<size_t>(coding.bytesPerSample);
  for (size_t at = 0; at < want.size(); at += width) {
    oracle::MixOneSample(&outgoing[at], &incoming[at],
                         gains[at / width / static_cast<size_t>(channels)], coding, &want[at]);
  }
  return want;
}

std::string Describe(SampleCoding coding, int32_t channels) {
  return std::to_string(coding.bytesPerSample * 8) +
         (coding.kind == kFloat ? "-bit float, " : "-bit integer, ") + std::to_string(channels) +
         " channels";
}

constexpr SampleCoding kCodings[] = {
    {kBytes16, kInteger}, {kBytes24, kInteger}, {kBytes32, kInteger}, {kBytes32, kFloat}};

// Every coding, every curve and channel counts from 1 to 64, on noise,
// full scale, silence and, for floats, huge values, infinities, NaN and
// denormals: the block mix gives the oracle's bytes.
TEST(CrossfadeMix, BlocksMixAsTheOneSampleOracleOnEveryCodingCurveAndChannelCount) {
  constexpr int64_t kFrames = 600;
  std::mt19937 random(11);
  for (const SampleCoding coding : kCodings) {
    for (const int32_t channels : {1, 2, 3, 5, 7, 8, 64}) {
      for (int32_t type = kEqualPowerCurve; type <= kSineCurve; ++type) {
        CrossfadeCurve curve(type, kFrames);
        const auto gains = curve.Gains(0, kFrames);
        const size_t samples = static_cast<size_t>(kFrames * channels);
        const Bytes outgoing = SampleBytesOf(coding, samples, random);
        const Bytes incoming = SampleBytesOf(coding, samples, random);
        Bytes mixed(outgoing.size());
        MixBlock(outgoing, incoming, gains, channels, coding, mixed);
        EXPECT_TRUE(mixed == MixedByOracle(outgoing, incoming, gains, channels, coding))
            << Describe(coding, channels) << ", type " << type;
      }
    }
  }
}

// Results on or a hair off a truncation or rounding boundary, where a plain
// double mix can give other bytes than extended precision. The table holds
// cases where it does, so that the boundary is surely reached.
struct BoundaryCase {
  SampleCoding coding;
  double outgoing, incoming;  // decoded samples (16-bit ones on the 24-bit scale)
  CrossfadeGains gains;
};

Bytes Encoded(SampleCoding coding, double value) {
  Bytes bytes(static_cast<size_t>(coding.bytesPerSample));
  if (coding.kind == kFloat) {
    StoreFloatLE(bytes.data(), static_cast<float>(value));
  } else {
    const double own = coding.bytesPerSample == kBytes16 ? value / 256 : value;
    StoreSampleLE(bytes.data(), static_cast<int32_t>(own), coding.bytesPerSample);
  }
  return bytes;
}

// The plain double mix of one sample (no holding: the cases stay in range).
Bytes MixedInDouble(const BoundaryCase& c) {
  const double mix = c.outgoing * c.gains.outgoing + c.incoming * c.gains.incoming;
  if (c.coding.kind == kFloat) {
    return Encoded(c.coding, static_cast<float>(mix));
  }
  const double scale = c.coding.bytesPerSample == kBytes16 ? 256 : 1;
  return Encoded(c.coding, std::trunc(mix / scale) * scale);
}

TEST(CrossfadeMix, ResultsAtTheBoundariesComeOutAsInExtendedPrecision) {
  const double third = 1.0 / 3;         // 3 x third is 1 in double, a hair below 1 in extended
  const double midpoint = 1 + 0x1p-24;  // halfway between 1 and the next float
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double denormal = std::numeric_limits<float>::denorm_min();
  const BoundaryCase cases[] = {
      {{kBytes24, kInteger}, 3, 0, {third, 0}},
      {{kBytes24, kInteger}, -3, 0, {third, 0}},
      {{kBytes24, kInteger}, 3000000, 3, {third, third}},
      {{kBytes32, kInteger}, 3, 6, {third, third}},
      {{kBytes32, kInteger}, 2147483647, 2147483647, {1, 1}},
      {{kBytes32, kInteger}, -2147483648.0, -2147483648.0, {third, std::nextafter(1.0, 2.0)}},
      {{kBytes16, kInteger}, 768, 0, {third, 0}},
      {{kBytes16, kInteger}, 3 * 256 * 256, 0, {third, 0}},
      {{kBytes24, kInteger}, 8388607, 1, {1, 1}},
      {{kBytes24, kInteger}, 5, 7, {1, 0}},
      {{kBytes24, kInteger}, 1, -1, {0.5, 0.5}},
      {{kBytes32, kFloat}, 1, 0, {midpoint, 0}},
      {{kBytes32, kFloat}, 1, 1, {midpoint, 0x1p-60}},
      {{kBytes32, kFloat}, 1, -1, {midpoint, 0x1p-60}},
      {{kBytes32, kFloat}, 3, 0, {third, 0}},
      {{kBytes32, kFloat}, 3, 1, {third * (1 + 0x1p-24), 0}},
      {{kBytes32, kFloat}, 1, -1, {0.6, 0.6}},
      {{kBytes32, kFloat}, -0.0, -0.0, {0.6, 0.4}},
      {{kBytes32, kFloat}, denormal, -denormal, {std::nextafter(0.5, 1.0), 0.5}},
      {{kBytes32, kFloat}, denormal, denormal, {0x1p-900, 0x1p-1070}},
      {{kBytes32, kFloat}, std::numeric_limits<float>::max(), 3e38, {1, 1}},
      {{kBytes32, kFloat}, inf, -inf, {0.5, 0.5}},
      {{kBytes32, kFloat}, inf, 1, {0, 1}},
      {{kBytes32, kFloat}, nan, 1, {0.5, 0.5}},
  };
  int doubleDiffers = 0;
  for (const BoundaryCase& c : cases) {
    // Blocks of the same pair at 1, 2 and 64 channels: every lane of the
    // fast loop meets it.
    for (const int32_t channels : {1, 2, 64}) {
      const size_t samples = 40 * static_cast<size_t>(channels);
      Bytes outgoing, incoming;
      const Bytes a = Encoded(c.coding, c.outgoing), b = Encoded(c.coding, c.incoming);
      for (size_t k = 0; k < samples; ++k) {
        outgoing.insert(outgoing.end(), a.begin(), a.end());
        incoming.insert(incoming.end(), b.begin(), b.end());
      }
      const std::vector<CrossfadeGains> gains(samples / static_cast<size_t>(channels), c.gains);
      Bytes mixed(outgoing.size());
      MixBlock(outgoing, incoming, gains, channels, c.coding, mixed);
      const Bytes want = MixedByOracle(outgoing, incoming, gains, channels, c.coding);
      EXPECT_TRUE(mixed == want) << Describe(c.coding, channels) << ": " << c.outgoing << " x "
                                 << c.gains.outgoing << " + " << c.incoming << " x "
                                 << c.gains.incoming;
      if (channels == 1) {
        doubleDiffers += MixedInDouble(c) != Bytes(want.begin(), want.begin() + a.size());
      }
    }
  }
  EXPECT_GE(doubleDiffers, 5);
}

// Random samples with random gains (not only the curves'), at every coding:
// the rare sample next to a boundary among many plain ones.
TEST(CrossfadeMix, RandomGainsAndSamplesMixAsTheOracle) {
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> gain(0.0, 1.5);
  for (const SampleCoding coding : kCodings) {
    for (const int32_t channels : {1, 2, 6}) {
      constexpr size_t kFrames = 5000;
      std::mt19937 bytesRandom(static_cast<uint32_t>(random()));
      const size_t samples = kFrames * static_cast<size_t>(channels);
      const Bytes outgoing = SampleBytesOf(coding, samples, bytesRandom);
      const Bytes incoming = SampleBytesOf(coding, samples, bytesRandom);
      std::vector<CrossfadeGains> gains(kFrames);
      for (CrossfadeGains& g : gains) {
        g = {gain(random), gain(random)};
      }
      Bytes mixed(outgoing.size());
      MixBlock(outgoing, incoming, gains, channels, coding, mixed);
      EXPECT_TRUE(mixed == MixedByOracle(outgoing, incoming, gains, channels, coding))
          << Describe(coding, channels);
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
