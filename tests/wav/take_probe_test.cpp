#include "wav/take_probe.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <utility>

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"
#include "wav/data_chunk.h"

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
      // A writer that never closed its file: the rest of the file, none in a bare header.
      {"size never written", 84, {{12, stereo16}, {36, dataTag(0)}}, 44, 10},
      {"header of no frames", 44, {{12, stereo16}, {36, dataTag(0)}}, 44, 0},
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

std::string Le64(uint64_t value) {
  return Le32(static_cast<uint32_t>(value)) + Le32(static_cast<uint32_t>(value >> 32));
}

// RF64 and BW64 takes: 10 frames of 16-bit stereo at byte 80, sized by the
// ds64 chunk or, where it holds no size, by the data chunk's own field or
// the rest of the file. A chunk after the samples is never audio.
TEST(TakeProbe, SizesRf64AndBw64TakesByTheirDs64Chunk) {
  struct Case {
    const char* what;
    uint64_t ds64Data;
    uint32_t dataField;
    bool trailing;  // a LIST chunk of 28 bytes after the samples
    uint64_t samples;
    int64_t frames;
  };
  constexpr uint64_t kPastFourGiB = (uint64_t{1} << 32) + 40;
  const Case cases[] = {
      {"ds64 size", 40, 0xFFFFFFFF, false, 40, 10},
      {"ds64 size, a chunk after the samples", 40, 0xFFFFFFFF, true, 40, 10},
      {"ds64 size of a partial frame", 42, 0xFFFFFFFF, true, 40, 10},
      {"ds64 size never written", 0, 0xFFFFFFFF, true, 40, 17},
      {"ds64 size beyond the file", 1000, 0xFFFFFFFF, false, 40, 10},
      {"size in the data chunk", 0, 40, true, 40, 10},
      {"past 4 GiB, a chunk after the samples", kPastFourGiB, 0xFFFFFFFF, true, kPastFourGiB,
       static_cast<int64_t>(kPastFourGiB / 4)},
  };
  const std::string list = "LIST" + Le32(20) + "INFOISFT" + Le32(8) + "recorder";
  testing::ScratchDir dir;
  for (const char* id : {"RF64", "BW64"}) {
    for (const Case& c : cases) {
      SCOPED_TRACE(::testing::Message() << id << ": " << c.what);
      const std::string tail = c.trailing ? list : "";
      const std::string header = std::string(id) + Le32(0xFFFFFFFF) + "WAVE" + "ds64" + Le32(28) +
                                 Le64(72 + c.samples + tail.size()) + Le64(c.ds64Data) +
                                 Le64(c.ds64Data / 4) + Le32(0) + Fmt(2, 16) + "data" +
                                 Le32(c.dataField);
      ASSERT_EQ(header.size(), 80u);
      testing::WriteFile("take.wav", header);
      ASSERT_EQ(::truncate("take.wav", static_cast<off_t>(80 + c.samples)), 0);
      FILE* file = std::fopen("take.wav", "ab");
      std::fwrite(tail.data(), 1, tail.size(), file);
      std::fclose(file);
      const TakeAttributes take = Probe("take.wav");
      EXPECT_EQ(take.dataOffset, 80);
      EXPECT_EQ(take.frameCount, c.frames);
    }
  }
}

// Position of the first `tag` at an even byte: where a scan of the bytes
// would take the chunk to be.
size_t FirstEvenTag(const std::string& bytes, const std::string& tag) {
  size_t at = bytes.find(tag, 2);
  while (at != std::string::npos && at % 2 != 0) {
    at = bytes.find(tag, at + 1);
  }
  return at;
}

// The sample area is found wherever the writer put it, also behind text that
// holds the tags at even bytes, a late start or a chunk size that breaks the
// chunk list.
TEST(TakeProbe, ReadsTakesOfOtherWriters) {
  // Channel masks are libsndfile's own for each channel count.
  constexpr SampleKind kInteger = SampleKind::kInteger, kFloat = SampleKind::kFloat;
  struct Case {
    TakeLayout layout;
    int32_t bits, channels;
    bool tagInText;  // the text before the samples holds "data" at an even byte
    SampleKind kind = SampleKind::kInteger;
    uint32_t mask = 0;
  };
  const Case cases[] = {{TakeLayout::kPlain, 16, 2, false},
                        {TakeLayout::kExtensible, 24, 2, false, kInteger, 3},
                        {TakeLayout::kExtensible, 16, 1, false, kInteger, 4},
                        {TakeLayout::kWithInfo, 24, 1, true},
                        {TakeLayout::kWithInfo, 16, 2, true},
                        {TakeLayout::kBroadcast, 24, 2, true},
                        {TakeLayout::kLateSamples, 16, 1, false},
                        {TakeLayout::kChunkBeforeFormat, 16, 2, true},
                        {TakeLayout::kBrokenChunk, 24, 1, false},
                        {TakeLayout::kRf64, 24, 1, false},
                        {TakeLayout::kPlain, 32, 2, false},
                        {TakeLayout::kPlain, 32, 1, false, kFloat},
                        {TakeLayout::kExtensible, 32, 4, false, kInteger, 0x33},
                        {TakeLayout::kExtensible, 32, 8, false, kFloat, 0xFF}};
  testing::ScratchDir dir;
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << static_cast<int>(c.layout) << ", " << c.bits << " bits, "
                                      << c.channels << " channels");
    const testing::Audio audio{
        48000, c.channels, c.bits, 1001, testing::ToneSamples(1001, c.channels, c.bits, 3, c.kind),
        c.kind};
    testing::WriteWithSndfile("take.wav", audio, c.layout);
    const TakeAttributes take = Probe("take.wav");
    const std::string bytes = ReadFile("take.wav");
    EXPECT_EQ(std::tuple(take.sampleRate, take.channels, take.bitsPerSample, take.bytesPerSample,
                         take.sampleKind),
              std::tuple(48000u, c.channels, c.bits, c.bits / 8, c.kind));
    EXPECT_EQ(take.frameCount, 1001);
    EXPECT_EQ(FirstEvenTag(bytes, "data") < static_cast<size_t>(take.dataOffset - 8), c.tagInText);
    EXPECT_EQ(c.layout == TakeLayout::kLateSamples, take.dataOffset > kProbeScanLast);
    if (c.layout != TakeLayout::kRf64) {
      EXPECT_EQ(take.channelMask, c.mask);
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
      const std::string expected =
          path == "missing.wav" ? ">> Cannot find file called missing.wav, exiting\n"
                                : ">> Cannot open " + path + ": not a regular file, exiting\n";
      EXPECT_EQ(stop.what(), expected);
    }
  }
}

}  // namespace
}  // namespace wexmont
