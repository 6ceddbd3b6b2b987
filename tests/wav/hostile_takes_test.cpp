#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <functional>

#include "driver/run.h"
#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "wav/take_probe.h"
#include "xfade/crossfade.h"

namespace wexmont {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

std::string Le32(uint32_t value) {
  std::string bytes(4, '\0');
  Store32LE(reinterpret_cast<uint8_t*>(bytes.data()), value);
  return bytes;
}

// A chunk with the size of its body; an odd body gets its pad byte.
std::string Chunk(const std::string& id, const std::string& body) {
  return id + Le32(static_cast<uint32_t>(body.size())) + body + std::string(body.size() % 2, '\0');
}

std::string Riff(const std::string& chunks, uint32_t riffSize = 0) {
  return "RIFF" + Le32(riffSize ? riffSize : 4 + chunks.size()) + "WAVE" + chunks;
}

// 8000 Hz 16-bit mono, and ten frames of a ramp.
const std::string kFormat = std::string("\x01\x00\x01\x00", 4) + Le32(8000) + Le32(16000) +
                            std::string("\x02\x00\x10\x00", 4);
const std::string kSamples(
    "\x01\x00\x02\x01\x03\x02\x04\x03\x05\x04\x06\x05\x07\x06\x08\x07\x09\x08\x0a\x09", 20);
const std::string kTake = Riff(Chunk("fmt ", kFormat) + Chunk("data", kSamples));
const std::string kComment = Chunk("LIST", "INFOICMT" + Chunk("", "fmt data RIFF"));

// An RF64 file whose ds64 chunk declares `dataSize` sample bytes, with a
// comment after the samples.
std::string Rf64(const std::string& fileId, uint64_t dataSize) {
  const std::string ds64 = Le32(0) + Le32(0) + Le32(static_cast<uint32_t>(dataSize)) +
                           Le32(static_cast<uint32_t>(dataSize >> 32)) + Le32(10) + Le32(0) +
                           Le32(0);
  return fileId + Le32(0xFFFFFFFF) + "WAVE" + Chunk("ds64", ds64) + Chunk("fmt ", kFormat) +
         "data" + Le32(0xFFFFFFFF) + kSamples + kComment;
}

std::string Le16(uint16_t value) {
  return Le32(value).substr(0, 2);
}

// An extensible format chunk's body for 8000 Hz mono of `bits` per sample.
std::string Extensible(uint16_t bits, uint16_t subFormat, const std::string& mask = Le32(4)) {
  return Le16(0xFFFE) + Le16(1) + Le32(8000) + Le32(8000 * bits / 8) + Le16(bits / 8) + Le16(bits) +
         Le16(22) + Le16(bits) + mask + Le16(subFormat) +
         std::string("\0\0\0\0\x10\0\x80\0\0\xAA\0\x38\x9B\x71", 14);
}

std::string TakeWithFormat(const std::string& format) {
  return Riff(Chunk("fmt ", format) + Chunk("data", kSamples));
}

struct HostileTake {
  const char* name;
  std::string bytes;
  bool builds;  // false: building it or refusing it are both fine
  int32_t bits = 16;
  size_t carried = 0;  // bytes of the bext and iXML chunks its output carries
};

std::vector<HostileTake> HostileTakes() {
  std::vector<HostileTake> takes = {
      {"canonical", kTake, true},
      {"riff size near 2^32", Riff(Chunk("fmt ", kFormat) + Chunk("data", kSamples), 0xFFFFFFFE),
       true},
      {"data size near 2^32", Riff(Chunk("fmt ", kFormat) + "data" + Le32(0xFFFFFFFF) + kSamples),
       true},
      {"fmt size near 2^32", Riff("fmt " + Le32(0xFFFFFFF0) + kFormat + Chunk("data", kSamples)),
       true},
      {"data before fmt", Riff(Chunk("data", kSamples) + Chunk("fmt ", kFormat)), true},
      {"odd chunk with pad byte", Riff(Chunk("JUNK", "abc") + kTake.substr(12)), true},
      {"odd chunk without pad byte", Riff("JUNK" + Le32(3) + "abc" + kTake.substr(12)), false},
      {"tags inside a text chunk", Riff(kComment + kTake.substr(12)), true},
      {"data size 0, never written", Riff(Chunk("fmt ", kFormat) + "data" + Le32(0) + kSamples),
       true},
      {"samples after byte 15000", Riff(Chunk("JUNK", std::string(15000, '\0')) + kTake.substr(12)),
       true},
      {"chunk size past the end of the file",
       Riff("JUNK" + Le32(0x7FFFFFF0) + "junk" + kTake.substr(12)), true},
      {"RF64 sized by ds64", Rf64("RF64", kSamples.size()), true},
      {"BW64 with ds64 size unwritten", Rf64("BW64", 0).substr(0, 100), true},
      // Metadata is carried only whole; the added history line is 36 bytes.
      {"bext past the end of the file", Riff(kTake.substr(12) + "bext" + Le32(602) + "bext"), true},
      {"bext of 601 bytes", Riff(Chunk("bext", std::string(601, 'b')) + kTake.substr(12)), true},
      {"bext of text without NUL or line end, odd iXML",
       Riff(Chunk("bext", std::string(607, 'x')) + Chunk("iXML", "abc") + kTake.substr(12)), true,
       16, 8 + 602 + 5 + 2 + 36 + 1 + 8 + 4},
      {"iXML after the samples", Riff(kTake.substr(12) + Chunk("iXML", "<data fmt >")), true, 16,
       20},
  };
  // The fields of the format chunk that say what the samples are.
  const std::string extensible = TakeWithFormat(Extensible(16, 1));
  const std::vector<HostileTake> formats = {
      {"extensible pcm", extensible, true},
      // The take's mask passes for its data tag; the output's must not.
      {"extensible mask reads data", TakeWithFormat(Extensible(32, 1, "data")), false, 32},
      {"extensible float", TakeWithFormat(Extensible(32, 3, Le32(0xFFFFFFFF))), true, 32},
      {"float of 16 bits", TakeWithFormat("\x03" + kFormat.substr(1)), false},
      {"compressed", TakeWithFormat("\x55" + kFormat.substr(1)), false},
      {"extensible compressed", TakeWithFormat(Extensible(16, 0x55)), false},
      {"extensible without its fields", TakeWithFormat(Extensible(16, 1).substr(0, 18)), false},
      {"extensible size near 2^32",
       Riff("fmt " + Le32(0xFFFFFFF0) + Extensible(16, 1) + Chunk("data", kSamples)), true},
  };
  takes.insert(takes.end(), formats.begin(), formats.end());
  for (size_t size = 0; size <= 100; size += 2) {
    takes.push_back({"first bytes of an extensible take", extensible.substr(0, size), false});
  }
  for (size_t size = 0; size <= 60; ++size) {
    takes.push_back({"first bytes of a take", kTake.substr(0, size), false});
  }
  return takes;
}

// Each take is probed, then built as the only take of a two-point project:
// it is refused with a message or built exactly, and never written to.
TEST(HostileTakes, AreBuiltOrRefusedNeverWorse) {
  int padded = 0;  // outputs with a JUNK chunk
  for (const HostileTake& hostile : HostileTakes()) {
    SCOPED_TRACE(::testing::Message() << hostile.name << ", " << hostile.bytes.size() << " bytes");
    ScratchDir dir;
    WriteFile("hA.wav", hostile.bytes);
    int64_t takeDataOffset = -1;
    try {
      const TakeAttributes take = ProbeTake("hA.wav");
      takeDataOffset = take.dataOffset;
      const int64_t frames = static_cast<int64_t>(kSamples.size()) / (hostile.bits / 8);
      EXPECT_TRUE(!hostile.builds ||
                  (take.frameCount == frames && take.channels == 1 &&
                   take.bitsPerSample == hostile.bits && take.sampleRate == 8000));
    } catch (const RunStop&) {
      EXPECT_FALSE(hostile.builds);
    }
    WriteFile("base.txt", "h\n");
    WriteFile("points.txt", "0\tA\n1\tA\n");
    char program[] = "wexmont";
    char* argv[] = {program, nullptr};
    const int status = RunWexmont(1, argv);
    EXPECT_EQ(ReadFile("hA.wav"), hostile.bytes);
    if (status != 0) {
      EXPECT_FALSE(hostile.builds);
      continue;
    }
    // The samples follow the header's data chunk, its last chunk.
    const std::string output = ReadFile("h_bld.wav");
    ASSERT_GE(output.size(), 44u);
    const auto field = [&](size_t at) {
      return Load32LE(reinterpret_cast<const uint8_t*>(&output[at]));
    };
    size_t dataTag = 12, lastChunk = 0;
    while (dataTag + 8 <= output.size() && output.compare(dataTag, 4, "data") != 0) {
      lastChunk = dataTag;
      dataTag += 8 + field(dataTag + 4) + field(dataTag + 4) % 2;
    }
    ASSERT_LE(dataTag + 8, output.size());
    EXPECT_EQ(output.substr(dataTag, 4), "data");
    EXPECT_EQ(output.size(), dataTag + 8 + field(dataTag + 4));
    if (hostile.builds) {
      EXPECT_GE(dataTag, 36 + hostile.carried);
      EXPECT_EQ(output.substr(dataTag + 8), kSamples);
      // A take whose samples start elsewhere within a 4096-byte block than
      // the output's would gets a JUNK chunk before the output's data chunk
      // that lines them up.
      if (output.compare(lastChunk, 4, "JUNK") == 0) {
        EXPECT_EQ((dataTag + 8) % 4096, takeDataOffset % 4096);
        ++padded;
      }
    }
  }
  EXPECT_GT(padded, 0);  // takes with carried chunks start their samples elsewhere
}

TEST(HostileTakes, ThatAreNoRegularFileAreRefusedWithoutWaiting) {
  const std::vector<std::function<int()>> makers = {
      [] { return ::mkdir("take.wav", 0755); },
      [] { return ::mkfifo("take.wav", 0644); },
      [] { return ::symlink("take.wav", "take.wav"); },
  };
  for (const auto& make : makers) {
    ScratchDir dir;
    ASSERT_EQ(make(), 0);
    EXPECT_THROW(ProbeTake("take.wav"), RunStop);
  }
}

// The run never asks for these (its checks come first), but the renderer
// refuses them itself rather than write undefined samples.
TEST(HostileTakes, CrossfadesOfAnUnknownTypeOrFormatAreRefused) {
  ScratchDir dir;
  constexpr SampleKind kInteger = SampleKind::kInteger, kFloat = SampleKind::kFloat;
  const std::tuple<int32_t, int32_t, SampleCoding> cases[] = {
      {5, 1, {2, kInteger}},  {-1, 1, {2, kInteger}}, {1, 0, {2, kInteger}},
      {1, 65, {2, kInteger}}, {1, 1, {1, kInteger}},  {1, 1, {5, kInteger}},
      {1, 1, {2, kFloat}},    {1, 1, {8, kFloat}},    {1, 1, {4, SampleKind::kOther}}};
  for (const auto& [type, channels, coding] : cases) {
    EXPECT_THROW(CrossfadeRenderer(type, 4, channels, coding), RunStop);
  }
}

}  // namespace
}  // namespace wexmont
