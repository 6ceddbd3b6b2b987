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

}  // namespace
}  // namespace wexmont
