#include "driver/timecode_check.h"

#include <gtest/gtest.h>

#include "driver/take_check.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

// Takes of 1000 Hz by file name, with the time reference of their bext
// chunk; -1 for a take without one.
void WriteTakes(const std::vector<std::pair<std::string, int64_t>>& takes) {
  const testing::Audio audio{1000, 1, 16, 100, testing::ToneSamples(100, 1, 16, 0)};
  for (const auto& [path, timeReference] : takes) {
    if (timeReference < 0) {
      testing::WriteWithSndfile(path, audio);
    } else {
      testing::WriteBroadcastWave(path, audio, {.timeReference = uint64_t(timeReference)});
    }
  }
}

TEST(TimecodeCheck, ListsEveryTakeNotRecordedWithTheFirstOnce) {
  testing::ScratchDir dir;
  // 01:02:03.500 at 1000 Hz; a take of several edit points is listed once.
  WriteTakes({{"drumsA.wav", 3723500},
              {"drumsB.wav", 3723500},
              {"drumsC.wav", 200},
              {"bassA.wav", -1},
              {"bassB.wav", 5},
              {"bassC.wav", -1},
              {"voxA.wav", 7},
              {"voxB.wav", -1},
              {"voxC.wav", 7}});
  RunTables run;
  run.baseNames = {"drums", "bass", "vox"};
  run.takeNames = {"A", "B", "C", "B"};
  run.trackCount = 3;
  run.editCount = 4;
  CheckTakes(run);
  EXPECT_EQ(ListTimeReferenceDisagreements(run),
            (std::vector<std::string>{
                "drums: drumsC.wav (edit point 3) starts at 00:00:00.200 (200 samples); edit "
                "point 1's drumsA.wav starts at 01:02:03.500 (3723500 samples)",
                "bass: bassB.wav (edit point 2) starts at 00:00:00.005 (5 samples); edit point "
                "1's bassA.wav has no time reference",
                "vox: voxB.wav (edit point 2) has no time reference; edit point 1's voxA.wav "
                "starts at 00:00:00.007 (7 samples)"}));
}

}  // namespace
}  // namespace wexmont
