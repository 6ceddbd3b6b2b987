#include "wav/peak_envelope.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"
#include "wav/data_chunk.h"

namespace wexmont {
namespace {

using testing::Audio;
using testing::TakeLayout;

// Per column the lowest and highest sample, over every channel, of the
// samples libsndfile reads: frames outside the take count as zeros.
std::vector<PeakColumn> OraclePeaks(const Audio& audio, int64_t first, int64_t frames,
                                    int32_t columns) {
  const double fullScale =
      audio.kind == SampleKind::kFloat ? 1.0 : std::ldexp(1.0, audio.bitsPerSample - 1);
  columns = static_cast<int32_t>(std::min<int64_t>(columns, frames));
  std::vector<PeakColumn> peaks;
  for (int32_t c = 0; c < columns; ++c) {
    double low = INFINITY, high = -INFINITY;
    for (int64_t f = first + c * frames / columns; f < first + (c + 1) * frames / columns; ++f) {
      for (int32_t ch = 0; ch < audio.channels; ++ch) {
        const double value =
            f < 0 || f >= audio.frames
                ? 0.0
                : audio.samples[static_cast<size_t>(f * audio.channels + ch)] / fullScale;
        low = std::min(low, value);
        high = std::max(high, value);
      }
    }
    peaks.push_back({low, high});
  }
  return peaks;
}

struct EnvelopeCase {
  const char* what;
  int32_t bits;
  int32_t channels;
  SampleKind kind;
  TakeLayout layout;
};

TEST(PeakEnvelope, MatchesThePeaksOfTheSamplesLibsndfileReads) {
  const EnvelopeCase cases[] = {
      {"16-bit stereo", 16, 2, SampleKind::kInteger, TakeLayout::kPlain},
      {"24-bit mono, metadata after the samples", 24, 1, SampleKind::kInteger,
       TakeLayout::kWithInfo},
      {"32-bit, 3 channels", 32, 3, SampleKind::kInteger, TakeLayout::kExtensible},
      {"float stereo beyond full scale", 32, 2, SampleKind::kFloat, TakeLayout::kPlain},
      {"16-bit, 64 channels, RF64", 16, 64, SampleKind::kInteger, TakeLayout::kRf64},
  };
  struct Stretch {
    int64_t first, frames;
    int32_t columns;
  };
  constexpr int64_t kFrames = 30000;
  const Stretch stretches[] = {
      {1000, 16000, 300},         // inside: 53 or 54 frames per column
      {-5000, 12000, 97},         // before the take's start
      {kFrames - 700, 1500, 64},  // past its end
      {kFrames + 10, 40, 8},      // all after it: silence
      {12345, 7, 300},            // fewer frames than columns: one column each
  };
  for (const EnvelopeCase& test : cases) {
    SCOPED_TRACE(test.what);
    testing::ScratchDir folder;
    Audio audio{8000,
                test.channels,
                test.bits,
                kFrames,
                testing::ToneSamples(kFrames, test.channels, test.bits, 5, test.kind),
                test.kind};
    // The extremes of the width, in the middle of a column and on its border.
    const double top = test.kind == SampleKind::kFloat ? 1.75 : std::ldexp(1.0, test.bits - 1) - 1;
    const double bottom = test.kind == SampleKind::kFloat ? -2.5 : -std::ldexp(1.0, test.bits - 1);
    audio.samples[static_cast<size_t>(5000 * test.channels + test.channels - 1)] = top;
    audio.samples[static_cast<size_t>(1053 * test.channels)] = bottom;
    testing::WriteWithSndfile("take.wav", audio, test.layout);
    const Audio read = testing::ReadWithSndfile("take.wav");
    ASSERT_EQ(read.frames, kFrames);

    const FileHandle file = FileHandle::OpenRegularForReading("take.wav");
    const auto area = FindSampleArea(file, kProbeScanLast);
    ASSERT_TRUE(area.has_value());
    const SampleFormat format{8000, test.bits, test.channels, test.kind};
    const int64_t bytesPerFrame = int64_t{test.bits / 8} * test.channels;
    const TakeSamples take{file, *area, AudioFrames(file, *area, bytesPerFrame), format};
    ASSERT_EQ(take.audioFrames, kFrames);
    for (const Stretch& s : stretches) {
      SCOPED_TRACE(s.first);
      EXPECT_EQ(ReadPeakEnvelope(take, s.first, s.frames, s.columns),
                OraclePeaks(read, s.first, s.frames, s.columns));
    }
  }
}

}  // namespace
}  // namespace wexmont
