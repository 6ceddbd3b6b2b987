#include "wav/take_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <utility>

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::ReadFile;
using testing::TakeLayout;
using Patches = std::vector<std::pair<size_t, std::string>>;

TakeAttributes Probe(const std::string& path) {
  return ProbeTake(path);
}

std::string Le32(uint32_t value) {
  std::string bytes(4, '\0');
  Store32LE(reinterpret_cast<uint8_t*>(bytes.data()), value);
  return bytes;
}

// A 44100 Hz format chunk, tag included.
std::string Fmt(char channels, char bits) {
  return "fmt " + Le32(16) + std::string{1, 0, channels, 0} + Le32(44100) + Le32(0) +
         std::string{4, 0, bits, 0};
}

struct HandCase {
  const char* what;
  size_t length;
  Patches patches;     // laid over zero bytes after "RIFF" <size> "WAVE"
  int64_t dataOffset;  // -1: the take is refused
  int64_t frames;
};

TEST(TakeProbe, FindsTheSampleAreaOfHandBuiltTakes) {
  const auto dataTag = [](uint32_t size) { return "data" + Le32(size); };
  const std::string stereo16 = Fmt(2, 16);
  const std::string oddTags = "JUNK" + Le32(12) + "xdataxxfmtxx";  // tags at 21 and 27
  const std::string list = "LIST" + Le32(20) + "INFOISFT" + Le32(8) + "recorder";
  const HandCase cases[] = {
      {"canonical", 84, {{12, stereo16}, {36, dataTag(40)}}, 44, 10},
      {"chunk before fmt", 112, {{12, list}, {40, stereo16}, {64, dataTag(40)}}, 72, 10},
      {"odd tags", 104, {{12, oddTags}, {32, stereo16}, {56, dataTag(40)}}, 64, 10},
      {"riff size reads data", 84, {{4, "data"}, {12, stereo16}, {36, dataTag(40)}}, 44, 10},
      {"riff size reads fmt", 84, {{4, "fmt "}, {12, stereo16}, {36, dataTag(40)}}, 44, 10},
      {"size beyond the file", 85, {{12, stereo16}, {36, dataTag(0xFFFFFFFF)}}, 44, 10},
      {"size short of a chunk", 112, {{12, stereo16}, {36, dataTag(12)}, {84, list}}, 44, 3},
      {"partial frame declared", 84, {{12, stereo16}, {36, dataTag(14)}}, 44, 3},
      {"data tag at 15000", 15016, {{12, stereo16}, {15000, dataTag(8)}}, 15008, 2},
      {"data tag at 15002", 15018, {{12, stereo16}, {15002, dataTag(8)}}, -1, 0},
      {"no channels", 84, {{12, Fmt(0, 16)}, {36, dataTag(40)}}, -1, 0},
      {"4 bits", 84, {{12, Fmt(2, 4)}, {36, dataTag(40)}}, -1, 0},
      {"ends inside fmt", 30, {{12, stereo16}}, -1, 0}};
  testing::ScratchDir dir;
  for (const HandCase& c : cases) {
    std::string bytes = "RIFF" + Le32(36) + "WAVE" + std::string(c.length - 12, '\0');
    for (const auto& [at, patch] : c.patches) {
      bytes.replace(at, patch.size(), patch);
    }
    testing::WriteFile("take.wav", bytes.substr(0, c.length));
    if (c.dataOffset < 0) {
      EXPECT_THROW(Probe("take.wav"), RunStop) << c.what;
      continue;
    }
    const TakeAttributes take = Probe("take.wav");
    EXPECT_EQ(take.dataOffset, c.dataOffset) << c.what;
    EXPECT_EQ(take.frameCount, c.frames) << c.what;
    EXPECT_EQ(std::pair(take.channels, take.bitsPerSample), std::pair(2, 16)) << c.what;
  }
}

TEST(TakeProbe, ReadsTakesOfOtherWriters) {
  // The metadata writer puts "fmt data RIFF" into a comment before the sample
  // area, with "data" at the even position 124: the first tag found is taken.
  // The channel masks are libsndfile's own for each channel count.
  constexpr SampleKind kInteger = SampleKind::kInteger, kFloat = SampleKind::kFloat;
  const std::tuple<TakeLayout, int32_t, int32_t, int64_t, SampleKind, uint32_t> cases[] = {
      {TakeLayout::kPlain, 16, 2, 0, kInteger, 0},
      {TakeLayout::kExtensible, 24, 2, 0, kInteger, 3},
      {TakeLayout::kExtensible, 16, 1, 0, kInteger, 4},
      {TakeLayout::kWithInfo, 24, 1, 132, kInteger, 0},
      {TakeLayout::kWithInfo, 16, 2, 132, kInteger, 0},
      {TakeLayout::kPlain, 32, 2, 0, kInteger, 0},
      {TakeLayout::kPlain, 32, 1, 0, kFloat, 0},
      {TakeLayout::kExtensible, 32, 4, 0, kInteger, 0x33},
      {TakeLayout::kExtensible, 32, 8, 0, kFloat, 0xFF}};
  testing::ScratchDir dir;
  for (const auto& [layout, bits, channels, commentOffset, kind, mask] : cases) {
    const testing::Audio audio{
        48000, channels, bits, 1000, testing::ToneSamples(1000, channels, bits, 3, kind), kind};
    testing::WriteWithSndfile("take.wav", audio, layout);
    for (const bool ours : {false, true}) {  // libsndfile's take, then the project's own
      const int64_t expected = ours ? 0 : commentOffset;  // 0: the real sample area
      const TakeAttributes take = Probe("take.wav");
      EXPECT_EQ(std::tuple(take.sampleRate, take.channels, take.bitsPerSample, take.bytesPerSample,
                           take.sampleKind),
                std::tuple(48000u, channels, bits, bits / 8, kind));
      if (expected == 0) {
        EXPECT_EQ(ReadFile("take.wav").substr(take.dataOffset - 8, 4), "data") << bits << channels;
        EXPECT_EQ(take.frameCount, 1000);
      }
      EXPECT_EQ(take.dataOffset, expected == 0 ? take.dataOffset : expected);
      EXPECT_EQ(take.channelMask, ours ? 0 : mask) << bits << channels;
      // Then the same audio as the project itself writes it.
      testing::WriteCanonicalTake("take.wav", 48000, bits, channels, audio.samples, kind);
    }
  }
}

TEST(TakeProbe, OnlyRegularFilesAreFound) {
  testing::ScratchDir dir;
  ASSERT_EQ(::mkdir("folder.wav", 0755), 0);
  ASSERT_EQ(::mkfifo("fifo.wav", 0644), 0);
  for (const std::string path : {"missing.wav", "folder.wav", "fifo.wav"}) {
    try {
      Probe(path);
      ADD_FAILURE() << path;
    } catch (const RunStop& stop) {
      EXPECT_EQ(stop.what(), ">> Cannot find file called " + path + ", exiting\n");
    }
  }
}

}  // namespace
}  // namespace wexmont
