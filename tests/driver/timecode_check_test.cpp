#include <gtest/gtest.h>

#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

TEST(TimecodeCheck, ListsEveryTakeNotRecordedWithTheFirstOnce) {
  testing::ScratchDir dir;
  const std::string baseNames[] = {"drums", "bass", "vox"};
  const std::string takeNames[] = {"A", "B", "C"};  // B, named twice, is listed once
  // Time references of takes A, B and C (-1: no bext); 01:02:03.500 at 1000 Hz.
  const int64_t references[3][3] = {{3723500, 3723500, 200}, {-1, 5, -1}, {7, -1, 7}};
  const testing::Audio audio{1000, 1, 16, 100, testing::ToneSamples(100, 1, 16, 0)};
  for (size_t t = 0; t < 3; ++t) {
    for (size_t e = 0; e < 3; ++e) {
      const std::string path = baseNames[t] + takeNames[e] + ".wav";
      if (references[t][e] < 0) {
        testing::WriteWithSndfile(path, audio);
      } else {
        testing::WriteBroadcastWave(path, audio, {.timeReference = uint64_t(references[t][e])});
      }
    }
  }
  const std::vector<std::string> expected = {
      "drums: drumsC.wav (edit point 3) starts at 00:00:00.200 (200 samples); edit "
      "point 1's drumsA.wav starts at 01:02:03.500 (3723500 samples)",
      "bass: bassB.wav (edit point 2) starts at 00:00:00.005 (5 samples); edit point "
      "1's bassA.wav has no time reference",
      "vox: voxB.wav (edit point 2) has no time reference; edit point 1's voxA.wav "
      "starts at 00:00:00.007 (7 samples)"};
  // The check lists them among what is worth knowing before a build.
  testing::WriteFile("base.txt", "drums\nbass\nvox\n");
  testing::WriteFile("points.txt", "0\tA\n0.01\tB\n0.02\tC\n0.03\tB\n");
  const testing::BinaryRun check = testing::RunBinary(dir.Path(), {"--check"});
  EXPECT_EQ(check.exitStatus, 0) << check.output;
  for (const std::string& line : expected) {
    EXPECT_NE(check.output.find(line + ": not recorded together; the output carries edit point 1's "
                                       "time reference\n"),
              std::string::npos)
        << check.output;
  }
}

}  // namespace
}  // namespace wexmont
