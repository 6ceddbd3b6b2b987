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
};

TEST(MakeHeader, WritesTheHeaderByteForByte) {
  const HeaderCase cases[] = {
      {44100, 16, 1000, 2,
       "52 49 46 46 c4 0f 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 02 00 44 ac 00 00 "
       "10 b1 02 00 04 00 10 00 64 61 74 61 a0 0f 00 00"},
      {48000, 24, 1000, 1,
       "52 49 46 46 dc 0b 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 01 00 80 bb 00 00 "
       "80 32 02 00 03 00 18 00 64 61 74 61 b8 0b 00 00"},
      {44100, 16, 0, 1,
       "52 49 46 46 24 00 00 00 57 41 56 45 66 6d 74 20 10 00 00 00 01 00 01 00 44 ac 00 00 "
       "88 58 01 00 02 00 10 00 64 61 74 61 00 00 00 00"},
  };
  ScratchDir dir;
  for (const HeaderCase& c : cases) {
    testing::WriteFile("out.wav", std::string(5000, 'x'));  // a longer file is cut
    WriteWavHeader("out.wav", {c.sampleRate, c.bits, c.channels}, c.frames);
    EXPECT_EQ(Hex(ReadFile("out.wav")), c.hex) << c.sampleRate << " Hz " << c.bits << " bit";
  }
}

TEST(MakeHeader, DataSizesBeyondThirtyTwoBitsAreRefused) {
  ScratchDir dir;
  // 24-bit stereo: 715827882 frames are 4294967292 bytes, over the RIFF size limit.
  EXPECT_THROW(WriteWavHeader("big.wav", {48000, 24, 2}, 715827882), RunStop);
  EXPECT_FALSE(testing::Exists("big.wav"));
  WriteWavHeader("edge.wav", {48000, 16, 1}, MaxDataBytes({48000, 16, 1}) / 2);
  EXPECT_EQ(ReadFile("edge.wav").size(), 44u);
}

TEST(MakeHeader, AFullDiskEndsTheRun) {
  ScratchDir dir;
  ASSERT_EQ(::symlink("/dev/full", "full.wav"), 0);
  EXPECT_THROW(WriteWavHeader("full.wav", {44100, 16, 2}, 10), RunStop);
}

}  // namespace
}  // namespace wexmont
