#include "wav/block_alignment.h"

#include <gtest/gtest.h>

#include <vector>

namespace wexmont {
namespace {

// The pad moves the output's samples to the takes' offset within a 4096-byte
// block, with a chunk of at least 8 bytes; where no pad can serve, none.
TEST(BlockAlignment, PadsTheHeaderToTheTakesOffsetWithinABlock) {
  struct Case {
    int64_t header;
    std::vector<int64_t> takeOffsets;
    int64_t pad;
  };
  const Case cases[] = {
      {44, {44, 44}, 0},           // plain takes and output: already line up
      {44, {44 + 4096, 44}, 0},    // the same offset within a block
      {44, {702, 702, 702}, 658},  // takes with a bext chunk
      {68, {44}, 4072},            // behind: the pad reaches the next block
      {44, {48}, 4100},            // 4 bytes: too small for a chunk, a block more
      {44, {52}, 8},               // exactly an empty chunk
      {1000, {8236}, 3140},        // any block of the take
      {44, {702, 44}, 0},          // takes that disagree: no offset serves both
      {44, {45}, 0},               // an odd offset: no chunk of whole words
      {44, {}, 0},                 // no segment copied
      {5000, {44}, 3236},          // a header longer than a block
  };
  for (const Case& c : cases) {
    const int64_t pad = AlignmentPadBytes(c.header, c.takeOffsets);
    EXPECT_EQ(pad, c.pad) << c.header << " " << c.takeOffsets.size();
    if (pad > 0) {
      EXPECT_EQ((c.header + pad) % kSharedBlockBytes, c.takeOffsets[0] % kSharedBlockBytes);
    }
  }
}

// The padded layout keeps the output's kind of header and every chunk after
// its samples; a pad that would need another kind, or a file too large for a
// file position, is dropped.
TEST(BlockAlignment, PadsTheLayoutOnlyWhereTheOutputStillFitsItsHeader) {
  struct Case {
    int64_t frames;
    int64_t chunksAfter;
    int64_t junk;  // expected; 0 for none
  };
  const SampleFormat format{48000, 24, 2};  // 6-byte frames: 44-byte RIFF, 80-byte RF64 header
  const std::vector<int64_t> takeOffsets = {702};
  const Case cases[] = {
      {1000, 0, 658},                               // small: padded
      {1001, 24, 658},                              // odd data size, chunks after the samples
      {715827876, 0, 0},                            // RIFF size 0xFFFFFFFC: the pad needs RF64
      {715827877, 0, 622},                          // RF64 already: padded after its ds64
      {MaxFrames(format), 0, 0},                    // the largest file a position reaches
      {MaxFrames(format) - (622 + 5) / 6, 0, 622},  // room for the pad
  };
  for (const Case& c : cases) {
    const HeaderLayout plain = DescribeHeader(format, c.frames, 0, c.chunksAfter);
    const HeaderLayout got = AlignSamplesWithTakes(plain, takeOffsets);
    EXPECT_EQ(got.junkBytes, c.junk) << c.frames;
    EXPECT_EQ(got.rf64, plain.rf64) << c.frames;
    EXPECT_EQ(got.headerBytes, plain.headerBytes + c.junk) << c.frames;
    EXPECT_EQ(got.trailingBytes, plain.trailingBytes) << c.frames;
    EXPECT_EQ(got.FileBytes(), plain.FileBytes() + c.junk) << c.frames;
    if (c.junk > 0) {
      EXPECT_EQ(got.headerBytes % kSharedBlockBytes, 702);
    }
  }
}

}  // namespace
}  // namespace wexmont
