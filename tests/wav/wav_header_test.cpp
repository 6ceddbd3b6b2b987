#include "wav/wav_header.h"

#include <gtest/gtest.h>
#include <unistd.h>

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
  std::string hex;
  SampleKind kind = SampleKind::kInteger;
  uint32_t channelMask = 0;
};

TEST(MakeHeader, WritesTheHeaderByteForByte) {
  const HeaderCase cases[] = {
      {44100, 16, 1000, 2,
       "52 49 46 46 c4 0f 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 02 00 44 ac 00 00 "
       "10 b1 02 00 04 00 10 00 64 61 74 61 a0 0f 00 00"},
      // A channel mask makes a stereo output extensible, to keep it.
      {44100, 16, 1000, 2,
       "52 49 46 46 dc 0f 00 00 57 41 56 45 66 6d 74 20 28 00 00 00 fe ff 02 00 44 ac 00 00 "
       "10 b1 02 00 04 00 10 00 16 00 10 00 03 00 00 00 01 00 00 00 00 00 10 00 80 00 00 aa "
       "00 38 9b 71 64 61 74 61 a0 0f 00 00",
       SampleKind::kInteger, 3},
      // Reserved speaker bits alone are no mask.
      {48000, 24, 1, 1,
       "52 49 46 46 27 00 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 01 00 80 bb 00 00 "
       "80 32 02 00 03 00 18 00 64 61 74 61 03 00 00 00",
       SampleKind::kInteger, 0x00040000},
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
      // Only the defined speaker bits of a mask are kept, so it never reads "data". Float
      // samples have a fact chunk with the frame count.
      {44100, 32, 7, 1,
       "52 49 46 46 64 00 00 00 57 41 56 45 66 6d 74 20 28 00 00 00 fe ff 01 00 44 ac 00 00 "
       "10 b1 02 00 04 00 20 00 16 00 20 00 64 61 00 00 03 00 00 00 00 00 10 00 80 00 00 aa "
       "00 38 9b 71 66 61 63 74 04 00 00 00 07 00 00 00 64 61 74 61 1c 00 00 00",
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
  WriteWavHeader("padded.wav", DescribeHeader(format, 3, 0, 0, 20));
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

// Just past what a RIFF size can announce, and the largest file that fits:
// the RF64 header holds the sizes in its ds64 chunk (RIFF size, data size,
// frames, no table) and 0xFFFFFFFF in every 32-bit size field, also in fact.
TEST(MakeHeader, OutputsPastFourGibibytesAreRf64FromTheFirstFrameThatDoesNotFit) {
  const HeaderCase cases[] = {
      // 715827876 frames of 24-bit stereo: RIFF size 0xFFFFFFFC, the last 6-byte frame that fits.
      {48000, 24, 715827876, 2,
       "52 49 46 46 fc ff ff ff 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 02 00 80 bb 00 00 "
       "00 65 04 00 06 00 18 00 64 61 74 61 d8 ff ff ff"},
      {48000, 24, 715827877, 2,
       "52 46 36 34 ff ff ff ff 57 41 56 45 64 73 36 34 1c 00 00 00 26 00 00 00 01 00 00 00 "
       "de ff ff ff 00 00 00 00 a5 aa aa 2a 00 00 00 00 00 00 00 00 66 6d 74 20 10 00 00 00 "
       "01 00 02 00 80 bb 00 00 00 65 04 00 06 00 18 00 64 61 74 61 ff ff ff ff"},
      // Mono float: the 80-byte header leaves room for 1073741805 frames.
      {44100, 32, 1073741805, 1,
       "52 49 46 46 fc ff ff ff 57 41 56 45 66 6d 74 20 28 00 00 00 fe ff 01 00 44 ac 00 00 "
       "10 b1 02 00 04 00 20 00 16 00 20 00 00 00 00 00 03 00 00 00 00 00 10 00 80 00 00 aa "
       "00 38 9b 71 66 61 63 74 04 00 00 00 ed ff ff 3f 64 61 74 61 b4 ff ff ff",
       SampleKind::kFloat},
      {44100, 32, 1073741806, 1,
       "52 46 36 34 ff ff ff ff 57 41 56 45 64 73 36 34 1c 00 00 00 24 00 00 00 01 00 00 00 "
       "b8 ff ff ff 00 00 00 00 ee ff ff 3f 00 00 00 00 00 00 00 00 66 6d 74 20 28 00 00 00 "
       "fe ff 01 00 44 ac 00 00 10 b1 02 00 04 00 20 00 16 00 20 00 00 00 00 00 03 00 00 00 "
       "00 00 10 00 80 00 00 aa 00 38 9b 71 66 61 63 74 04 00 00 00 ff ff ff ff 64 61 74 61 "
       "ff ff ff ff",
       SampleKind::kFloat},
  };
  ScratchDir dir;
  for (const HeaderCase& c : cases) {
    const SampleFormat format{c.sampleRate, c.bits, c.channels, c.kind, c.channelMask};
    WriteWavHeader("edge.wav", format, c.frames);
    EXPECT_EQ(Hex(ReadFile("edge.wav")), c.hex) << c.frames << " frames";
    // A sparse file of the size the header announces: libsndfile reads it to its last frame.
    const int64_t frameBytes = int64_t{c.channels} * c.bits / 8;
    const int64_t fileBytes = static_cast<int64_t>(c.hex.size() + 1) / 3 + c.frames * frameBytes;
    ASSERT_EQ(::truncate("edge.wav", fileBytes), 0);
    const testing::Audio read = testing::ReadFramesWithSndfile("edge.wav", c.frames - 1, 2);
    EXPECT_EQ(read.frames, c.frames);
    EXPECT_EQ(read.samples, std::vector<double>(static_cast<size_t>(c.channels), 0.0));
  }
}

TEST(MakeHeader, FramesPastAFilePositionAreRefused) {
  ScratchDir dir;
  const SampleFormat format{48000, 32, 64, SampleKind::kFloat};
  const int64_t most = MaxFrames(format, 602);
  EXPECT_GT(most, int64_t{1} << 54);  // 256-byte frames: 2^63 bytes
  EXPECT_THROW(WriteWavHeader("big.wav", format, MaxFrames(format) + 1), RunStop);
  EXPECT_THROW(WriteWavHeader("big.wav", format, -1), RunStop);
  EXPECT_FALSE(testing::Exists("big.wav"));
  EXPECT_EQ(DescribeHeader(format, most, 602).FileBytes() / 256, INT64_MAX / 256);
}

TEST(MakeHeader, AFullDiskEndsTheRun) {
  ScratchDir dir;
  ASSERT_EQ(::symlink("/dev/full", "full.wav"), 0);
  EXPECT_THROW(WriteWavHeader("full.wav", {44100, 16, 2}, 10), RunStop);
}

}  // namespace
}  // namespace wexmont
