#include "xfade/crossfade.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <numbers>

#include "foundation/byte_pack.h"
#include "tests/support/mix_oracle.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"
#include "wav/data_chunk.h"
#include "wav/wav_header.h"
#include "xfade/crossfade_mix.h"

namespace wexmont {
namespace {

using testing::ReadFile;
using Samples = std::vector<double>;
constexpr SampleKind kInteger = SampleKind::kInteger;
constexpr SampleKind kFloat = SampleKind::kFloat;

// Renders the crossfade centred on `centre` from the takes at `outgoingPath`
// and `incomingPath` and appends its frames to `temporaryPath`, as a track's
// build hands them to its output.
void RenderInto(int64_t centre, int64_t frames, int32_t type, const std::string& outgoingPath,
                const std::string& incomingPath, const std::string& temporaryPath, int32_t channels,
                SampleCoding coding) {
  const int64_t bytesPerFrame = int64_t{channels} * coding.bytesPerSample;
  const auto open = [&](const std::string& path) {
    const FileHandle file = FileHandle::OpenRegularForReading(path);
    const SampleArea area = *FindSampleArea(file, kProbeScanLast);
    return SampleSource::Open(path, area);
  };
  const SampleSource outgoing = open(outgoingPath);
  const SampleSource incoming = open(incomingPath);
  CrossfadeRenderer renderer(type, frames, channels, coding);
  const CrossfadeSpan span{&outgoing, &incoming, centre - frames / 2,
                           outgoing.AudioFrames(bytesPerFrame),
                           incoming.AudioFrames(bytesPerFrame)};
  FileHandle temporary = FileHandle::OpenForAppend(temporaryPath);
  renderer.Render(span, frames, [&](int64_t, std::span<const uint8_t> bytes) {
    ASSERT_TRUE(temporary.Append(bytes));
  });
  ASSERT_TRUE(temporary.Close());
}

// Renders from a.wav and b.wav into a fresh "xf.wav"; returns the samples it
// appended, as libsndfile reads them.
Samples Render(int64_t centre, int64_t frames, int32_t type, int32_t bits, int32_t channels,
               SampleKind kind = kInteger) {
  WriteWavHeader("xf.wav", {44100, bits, channels, kind}, frames);
  RenderInto(centre, frames, type, "a.wav", "b.wav", "xf.wav", channels, {bits / 8, kind});
  return testing::ReadWithSndfile("xf.wav").samples;
}

void WriteTakes(int32_t bits, int32_t channels, const Samples& a, const Samples& b,
                SampleKind kind = kInteger) {
  testing::WriteCanonicalTake("a.wav", 44100, bits, channels, a, kind);
  testing::WriteCanonicalTake("b.wav", 44100, bits, channels, b, kind);
}

TEST(Crossfade, TruncatesTowardZeroAndHoldsTheRange) {
  struct Case {
    int32_t bits;
    SampleKind kind;
    int32_t type;
    double outgoing, incoming, middle;
  };
  const Case cases[] = {{16, kInteger, 2, -101, 0, -50},
                        {24, kInteger, 2, -101, 0, -50},
                        {32, kInteger, 2, -101, 0, -50},
                        {16, kInteger, 1, 30000, 30000, 32767},
                        {16, kInteger, 1, -30000, -30000, -32768},
                        {24, kInteger, 1, 8000000, 8000000, 8388607},
                        {24, kInteger, 1, -8000000, -8000000, -8388608},
                        {32, kInteger, 1, 2e9, 2e9, 2147483647},
                        {32, kInteger, 1, -2e9, -2e9, -2147483648.0},
                        // Floats are never held: beyond full scale stays beyond it.
                        {32, kFloat, 2, -3.5, 0, -1.75},
                        {32, kFloat, 2, 3, 5, 4}};
  testing::ScratchDir dir;
  for (const Case& c : cases) {
    WriteTakes(c.bits, 1, Samples(10, c.outgoing), Samples(10, c.incoming), c.kind);
    EXPECT_EQ(Render(5, 2, c.type, c.bits, 1, c.kind), Samples({c.outgoing, c.middle}))
        << c.bits << " bits, type " << c.type;
  }
}

TEST(Crossfade, FramesPastTheEndOfATakeAreSilence) {
  testing::ScratchDir dir;
  // Both takes end 452 frames into the second block of a 2048-frame crossfade.
  WriteTakes(16, 1, Samples(1500, 1000), Samples(1500, 1000));
  const Samples rendered = Render(1024, 2048, 2, 16, 1);
  ASSERT_EQ(rendered.size(), 2048u);
  EXPECT_EQ(std::count(rendered.begin(), rendered.begin() + 1500, 0), 0);
  EXPECT_EQ(std::count(rendered.begin() + 1500, rendered.end(), 0), 548);
}

// Crossfades of many blocks (one read and one write of up to 128 KiB each),
// also longer than the gains a curve holds at once, and reaching past the
// end of the takes, give the bytes of frame-by-frame mixing.
TEST(Crossfade, LongCrossfadesRenderAsFrameByFrameMixing) {
  struct Case {
    int32_t bits;
    SampleKind kind;
    int32_t channels;
    int64_t takeFrames, centre, frames;
  };
  const Case cases[] = {{16, kInteger, 1, 50000, 20000, 40000},
                        {24, kInteger, 2, 80000, 40000, 70000},
                        {32, kFloat, 64, 1200, 600, 1100},
                        {32, kInteger, 3, 30000, 29000, 9000}};  // past the takes' end
  testing::ScratchDir dir;
  for (const Case& c : cases) {
    const SampleCoding coding{c.bits / 8, c.kind};
    const Samples a = testing::ToneSamples(c.takeFrames, c.channels, c.bits, 1, c.kind);
    const Samples b = testing::ToneSamples(c.takeFrames, c.channels, c.bits, 2, c.kind);
    WriteTakes(c.bits, c.channels, a, b, c.kind);
    const SampleFormat format{44100, c.bits, c.channels, c.kind};
    WriteWavHeader("xf.wav", format, c.frames);
    RenderInto(c.centre, c.frames, kEqualPowerCurve, "a.wav", "b.wav", "xf.wav", c.channels,
               coding);
    const std::string rendered = ReadFile("xf.wav").substr(HeaderBytes(format));
    const std::string takeA = ReadFile("a.wav").substr(HeaderBytes(format));
    const std::string takeB = ReadFile("b.wav").substr(HeaderBytes(format));
    const size_t width = static_cast<size_t>(coding.bytesPerSample);
    const int64_t start = c.centre - c.frames / 2;
    std::string want(rendered.size(), '\0');
    for (int64_t f = 0; f < c.frames; ++f) {
      const CrossfadeGains gains = GainsAt(kEqualPowerCurve, f, c.frames);
      for (int32_t ch = 0; ch < c.channels; ++ch) {
        const size_t at = static_cast<size_t>((start + f) * c.channels + ch) * width;
        double samples[2] = {0, 0};
        for (int k = 0; k < 2 && at < takeA.size(); ++k) {
          const std::string& take = k == 0 ? takeA : takeB;
          oracle::DecodeSamples(std::span(reinterpret_cast<const uint8_t*>(&take[at]), width),
                                std::span(&samples[k], 1), coding, 1);
        }
        const double mix = oracle::MixSample(samples[0], samples[1], gains, coding);
        oracle::EncodeSamples(
            std::span(&mix, 1),
            std::span(
                reinterpret_cast<uint8_t*>(&want[static_cast<size_t>(f * c.channels + ch) * width]),
                width),
            coding, 1);
      }
    }
    EXPECT_TRUE(rendered == want) << c.bits << " bits, " << c.channels << " channels";
  }
}

TEST(Crossfade, LinearGainsStopOneStepShort) {
  const std::pair<double, double> want[] = {{1, 0}, {0.75, 0.25}, {0.5, 0.5}, {0.25, 0.75}};
  for (int64_t f = 0; f < 4; ++f) {
    const CrossfadeGains gains = GainsAt(kLinearCurve, f, 4);
    EXPECT_EQ(std::pair(gains.outgoing, gains.incoming), want[f]) << f;
  }
}

// Takes written and the result read back by an independent WAV library; every
// curve computed here from its definition. The first frame of every crossfade
// is the outgoing frame as it is; N = 1025 takes a second block.
TEST(Crossfade, EveryCurveInEveryFormat) {
  struct Span {
    int64_t centre, frames, start;
  };
  const Span spans[] = {{10, 1, 10}, {10, 4, 8}, {10, 5, 8}, {600, 1025, 88}};
  const std::pair<int32_t, SampleKind> codings[] = {
      {16, kInteger}, {24, kInteger}, {32, kInteger}, {32, kFloat}};
  testing::ScratchDir dir;
  for (const auto& [bits, kind] : codings) {
    // A crossfaded sample may be one step off, or a float a millionth.
    const double step = kind == kFloat ? 1e-6 : 1;
    for (const int32_t channels : {1, 2, 6}) {
      const Samples a = testing::ToneSamples(1200, channels, bits, 1, kind);
      const Samples b = testing::ToneSamples(1200, channels, bits, 2, kind);
      testing::WriteWithSndfile("a.wav", {48000, channels, bits, 1200, a, kind});
      testing::WriteWithSndfile("b.wav", {48000, channels, bits, 1200, b, kind});
      for (int32_t type = 1; type <= 4; ++type) {
        for (const Span& span : spans) {
          const Samples mixed = Render(span.centre, span.frames, type, bits, channels, kind);
          ASSERT_EQ(mixed.size(), static_cast<size_t>(span.frames * channels));
          int64_t wrong = 0;
          for (int64_t i = 0; i < span.frames * channels; ++i) {
            const double p = static_cast<double>(i / channels) / span.frames;
            const double c = std::cos(p * std::numbers::pi / 2),
                         s = std::sin(p * std::numbers::pi / 2);
            const double gains[5][2] = {{}, {c, s}, {1 - p, p}, {c, 1 - c}, {1 - s, s}};
            const size_t at = static_cast<size_t>(span.start * channels + i);
            const double mix = a[at] * gains[type][0] + b[at] * gains[type][1];
            const double want = kind == kFloat ? mix : std::trunc(mix);
            wrong += !(std::abs(mixed[i] - want) <= (i < channels ? 0 : step));
          }
          EXPECT_EQ(wrong, 0) << bits << " bits, " << channels << " channels, type " << type << ", "
                              << span.frames << " frames";
        }
      }
    }
  }
}

}  // namespace
}  // namespace wexmont
