#include "wav/marker_chunks.h"

#include <gtest/gtest.h>

#include "foundation/byte_pack.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"
#include "wav/segment_copy.h"
#include "wav/wav_header.h"

namespace wexmont {
namespace {

struct MarkerCase {
  SampleFormat format;
  int64_t frames;  // 24-bit mono with an odd count: the data chunk needs its pad byte
  std::vector<CutMarker> markers;
};

// Markers appended after the samples of a finished file read back in
// libsndfile (cue points), from the bytes (labels and regions), and leave the
// samples and their place as they were.
TEST(MarkerChunks, ReadBackAfterTheSamples) {
  const std::vector<MarkerCase> cases = {
      {{8000, 24, 1}, 1001, {{0, "edit 1: A", 0}, {400, "edit 2: B", 0}, {380, "crossfade 2", 40}}},
      {{44100, 16, 2}, 1000, {{999, "edit 12: take with spaces", 0}}},
      {{48000, 32, 3, SampleKind::kFloat}, 10, {{5, "odd", 3}, {7, "even", 0}}},
      // A name cut at a NUL, as the file's text ends there.
      {{8000, 16, 1}, 20, {{1, std::string("edit 1: A\0B", 11), 0}}},
  };
  for (const MarkerCase& c : cases) {
    testing::ScratchDir dir;
    const std::vector<double> samples =
        testing::ToneSamples(c.frames, c.format.channels, c.format.bitsPerSample, 3, c.format.kind);
    testing::WriteCanonicalTake("plain.wav", c.format.sampleRate, c.format.bitsPerSample,
                                c.format.channels, samples, c.format.kind);
    const std::vector<uint8_t> chunks = BuildMarkerChunks(c.markers);
    const std::string plain = testing::ReadFile("plain.wav");
    const int64_t dataBytes =
        c.frames * c.format.channels * static_cast<int64_t>(c.format.bitsPerSample / 8);
    const std::string sampleBytes = plain.substr(plain.size() - static_cast<size_t>(dataBytes));
    // Written as a build writes an output: the header, the samples, the chunks.
    const HeaderLayout layout =
        DescribeHeader(c.format, c.frames, 0, static_cast<int64_t>(chunks.size()));
    WriteWavHeader("marked.wav", layout);
    testing::WriteFile("marked.wav", testing::ReadFile("marked.wav") + sampleBytes);
    AppendChunksAfterSamples("marked.wav", layout, chunks);

    const std::string marked = testing::ReadFile("marked.wav");
    EXPECT_EQ(chunks.size() % 2, 0u);
    EXPECT_EQ(marked.size(), layout.headerBytes + dataBytes + dataBytes % 2 + chunks.size());
    EXPECT_EQ(static_cast<int64_t>(marked.size()), layout.FileBytes());
    EXPECT_EQ(Load32LE(reinterpret_cast<const uint8_t*>(marked.data() + 4)), marked.size() - 8);
    EXPECT_EQ(marked.substr(static_cast<size_t>(layout.headerBytes), sampleBytes.size()),
              sampleBytes);
    EXPECT_EQ(testing::ReadWithSndfile("marked.wav").samples, samples);

    std::vector<testing::CuePoint> expectedCues;
    std::vector<testing::CueText> expectedTexts;
    for (size_t k = 0; k < c.markers.size(); ++k) {
      const auto frame = static_cast<uint32_t>(c.markers[k].frame);
      const auto id = static_cast<uint32_t>(k + 1);
      expectedCues.push_back({static_cast<int32_t>(id), frame, frame, "data"});
      const std::string label = c.markers[k].label.substr(0, c.markers[k].label.find('\0'));
      const auto region = static_cast<uint32_t>(c.markers[k].regionFrames);
      expectedTexts.push_back({id, label, region, region > 0 ? "rgn " : ""});
    }
    EXPECT_EQ(testing::ReadCuePointsWithSndfile("marked.wav"), expectedCues);
    EXPECT_EQ(testing::ReadCueTextsFromBytes("marked.wav"), expectedTexts);
  }
}

TEST(MarkerChunks, NoMarkersAddNothing) {
  testing::ScratchDir dir;
  EXPECT_TRUE(BuildMarkerChunks({}).empty());
  testing::WriteCanonicalTake("t.wav", 8000, 24, 1, testing::ToneSamples(7, 1, 24, 1));
  const std::string before = testing::ReadFile("t.wav");
  AppendChunksAfterSamples("t.wav", DescribeHeader({8000, 24, 1}, 7), {});
  EXPECT_EQ(testing::ReadFile("t.wav"), before);
}

}  // namespace
}  // namespace wexmont
