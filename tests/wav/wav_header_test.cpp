#include "wav/wav_header.h"

#include <gtest/gtest.h>

#include "foundation/console.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::ReadFile;
using testing::ScratchDir;

std::string Hex(const std::string& bytes) {
  std::string text;
  char digits[4];
  for (unsigned char byte : bytes) {
    std::snprintf(digits, sizeof digits, "%02x ", byte);
    text += digits;
  }
  if (!text.empty()) {
    text.pop_back();
  }
  return text;
}

struct HeaderCase {
  uint32_t sampleRate;
  int32_t bits;
  int64_t frames;
  int32_t channels;
  const char* hex;
  SampleKind kind = SampleKind::kInteger;
  uint32_t channelMask = 0;
};

TEST(MakeHeader, WritesTheHeaderByteForByte) {
  const HeaderCase cases[] = {
      // The plain header carries no channel mask.
      {44100, 16, 1000, 2,
       "52 49 46 46 c4 0f 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 02 00 44 ac 00 00 "
       "10 b1 02 00 04 00 10 00 64 61 74 61 a0 0f 00 00",
       SampleKind::kInteger, 3},
      {48000, 24, 1000, 1,
       "52 49 46 46 dc 0b 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 01 00 80 bb 00 00 "
       "80 32 02 00 03 00 18 00 64 61 74 61 b8 0b 00 00"},
      {44100, 16, 0, 1,
       "52 49 46 46 24 00 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 01 00 44 ac 00 00 "
       "88 58 01 00 02 00 10 00 64 61 74 61 00 00 00 00"},
      // Extensible: format code FFFE, cbSize 22, valid bits, mask, sub-format GUID.
      {48000, 32, 10, 2,
       "52 49 46 46 8c 00 00 00 57 41 56 45 66 6d 74 20 28 00 00 00 fe ff 02 00 80 bb 00 00 "
       "00 dc 05 00 08 00 20 00 16 00 20 00 03 00 00 00 01 00 00 00 00 00 10 00 80 00 00 aa "
       "00 38 9b 71 64 61 74 61 50 00 00 00",
       SampleKind::kInteger, 3},
      // Only the defined speaker bits of a mask are kept, so it never reads "data".
      {44100, 32, 0, 1,
       "52 49 46 46 3c 00 00 00 57 41 56 45 66 6d 74 20 28 00 00 00 fe ff 01 00 44 ac 00 00 "
       "10 b1 02 00 04 00 20 00 16 00 20 00 64 61 00 00 03 00 00 00 00 00 10 00 80 00 00 aa "
       "00 38 9b 71 64 61 74 61 00 00 00 00",
       SampleKind::kFloat, 0x61746164},
      {8000, 16, 1, 4,
       "52 49 46 46 44 00 00 00 57 41 56 45 66 6d 74 20 28 00 00 00 fe ff 04 00 40 1f 00 00 "
       "00 fa 00 00 08 00 10 00 16 00 10 00 00 00 00 00 01 00 00 00 00 00 10 00 80 00 00 aa "
       "00 38 9b 71 64 61 74 61 08 00 00 00"},
  };
  ScratchDir dir;
  for (const HeaderCase& c : cases) {
    testing::WriteFile("out.wav", std::string(5000, 'x'));  // a longer file is cut
    WriteWavHeader("out.wav", {c.sampleRate, c.bits, c.channels, c.kind, c.channelMask}, c.frames);
    EXPECT_EQ(Hex(ReadFile("out.wav")), c.hex) << c.sampleRate << " Hz " << c.bits << " bit";
  }
}

// A JUNK pad goes right before the data chunk and counts in the RIFF size;
// libsndfile and sox read the padded file as the plain one.
TEST(MakeHeader, AJunkPadGoesBeforeTheDataChunk) {
  ScratchDir dir;
  const SampleFormat format{48000, 24, 2};
  WriteWavHeader("plain.wav", format, 3);
  WriteWavHeader("padded.wav", format, 3, {}, 20);
  const std::string plain = ReadFile("plain.wav");
  const std::string padded = ReadFile("padded.wav");
  EXPECT_EQ(Hex(padded.substr(4, 4)), "4a 00 00 00");  // 44 + 20 + 18 bytes of frames, less 8
  EXPECT_EQ(padded.substr(8, 28), plain.substr(8, 28));
  EXPECT_EQ(Hex(padded.substr(36, 20)),
            "4a 55 4e 4b 0c 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00");
  EXPECT_EQ(padded.substr(56), plain.substr(36));
  const std::string frames(18, '\x11');
  testing::WriteFile("plain.wav", plain + frames);
  testing::WriteFile("padded.wav", padded + frames);
  const testing::Audio want = testing::ReadWithSndfile("plain.wav");
  const testing::Audio got = testing::ReadWithSndfile("padded.wav");
  EXPECT_EQ(got.frames, 3);
  EXPECT_EQ(got.samples, want.samples);
  EXPECT_EQ(testing::ReadHeaderWithSox("padded.wav").frames, 3);
}

TEST(MakeHeader, DataSizesBeyondThirtyTwoBitsAreRefused) {
  ScratchDir dir;
  // 24-bit stereo: 715827882 frames are 4294967292 bytes, over the RIFF size limit.
  EXPECT_THROW(WriteWavHeader("big.wav", {48000, 24, 2}, 715827882), RunStop);
  EXPECT_FALSE(testing::Exists("big.wav"));
  WriteWavHeader("edge.wav", {48000, 16, 1}, MaxDataBytes({48000, 16, 1}) / 2);
  EXPECT_EQ(ReadFile("edge.wav").size(), 44u);
  // The extensible header counts 24 bytes more: 536870905 frames of 32-bit
  // stereo would fit a plain header, not this one.
  EXPECT_THROW(WriteWavHeader("big.wav", {48000, 32, 2}, 536870905), RunStop);
  WriteWavHeader("edge.wav", {48000, 32, 2}, 536870904);
  EXPECT_EQ(ReadFile("edge.wav").size(), 68u);
}

TEST(MakeHeader, AFullDiskEndsTheRun) {
  ScratchDir dir;
  ASSERT_EQ(::symlink("/dev/full", "full.wav"), 0);
  EXPECT_THROW(WriteWavHeader("full.wav", {44100, 16, 2}, 10), RunStop);
}

}  // namespace
}  // namespace wexmont
