#include "driver/plan/timecode_check.h"

#include <gtest/gtest.h>

#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

struct PassCase {
  std::vector<PassTake> takes;
  std::vector<PassDisagreement> expected;
};

TEST(ComparePassTakes, NotesTheTakesThatStartElsewhereThanTheirPass) {
  // 01:00:00 at 48 kHz and at 44.1 kHz; 01:00:02.500 at 48 kHz.
  constexpr uint64_t kHour48 = 172800000, kHour44 = 158760000, kLater48 = 172920000;
  const std::vector<PassCase> cases = {
      {{{"drumsB.wav", 48000, kHour48},
        {"bassB.wav", 48000, kHour48},
        {"voxB.wav", 48000, kHour48}},
       {}},
      // A stray file is named, whichever track it is on; the others agree.
      {{{"drumsB.wav", 48000, kLater48},
        {"bassB.wav", 48000, kHour48},
        {"voxB.wav", 48000, kHour48}},
       {{0,
         "drumsB.wav starts at 01:00:02.500 (172920000 samples), bassB.wav of the same pass at "
         "01:00:00.000 (172800000 samples)"}}},
      // Two tracks that disagree: the later track's take is named.
      {{{"drumsB.wav", 48000, kHour48}, {"bassB.wav", 48000, kLater48}},
       {{1,
         "bassB.wav starts at 01:00:02.500 (172920000 samples), drumsB.wav of the same pass at "
         "01:00:00.000 (172800000 samples)"}}},
      // The same moment at two rates; a take without a time reference is not compared.
      {{{"drumsB.wav", 48000, kHour48}, {"bassB.wav", 44100, kHour44}, {"voxB.wav", 48000, {}}},
       {}},
      // One sample apart at one rate differs; 5 samples at 1000 Hz shows its milliseconds.
      {{{"a.wav", 1000, 5}, {"b.wav", 1000, 6}, {"c.wav", 1000, 6}},
       {{0,
         "a.wav starts at 00:00:00.005 (5 samples), b.wav of the same pass at 00:00:00.006 (6 "
         "samples)"}}},
      {{}, {}},
  };
  for (const PassCase& c : cases) {
    EXPECT_EQ(ComparePassTakes(c.takes), c.expected);
  }
}

// Takes of one track recorded at different times are normal; a file of
// another pass among the takes of one pass is noted, once.
TEST(TimecodeCheck, TheCheckNotesOnlyTheStrayTakeOfAPass) {
  testing::ScratchDir dir;
  const std::vector<std::string> tracks = {"drums", "bass", "vox"};
  const std::vector<std::string> passes = {"A", "B", "C"};
  const testing::Audio audio{1000, 1, 16, 100, testing::ToneSamples(100, 1, 16, 0)};
  for (const std::string& track : tracks) {
    for (size_t p = 0; p < passes.size(); ++p) {
      const uint64_t start = 1000 * (p + 1) + (track == "bass" && passes[p] == "C" ? 7 : 0);
      const std::string path = track + passes[p] + ".wav";
      if (track == "vox" && passes[p] == "A") {
        testing::WriteWithSndfile(path, audio);  // no bext: not compared
      } else {
        testing::WriteBroadcastWave(path, audio, {.timeReference = start});
      }
    }
  }
  testing::WriteFile("base.txt", "drums\nbass\nvox\n");
  testing::WriteFile("points.txt", "0\tA\n0.01\tC\n0.02\tB\n0.03\tC\n");
  const testing::BinaryRun check = testing::RunBinary(dir.Path(), {"--check"});
  EXPECT_EQ(check.exitStatus, 0) << check.output;
  const std::string note =
      "bassC.wav starts at 00:00:03.007 (3007 samples), drumsC.wav of the same pass at "
      "00:00:03.000 (3000 samples): not recorded together\n";
  const size_t found = check.output.find(note);
  EXPECT_NE(found, std::string::npos) << check.output;
  EXPECT_EQ(check.output.find("not recorded together", found + note.size()), std::string::npos)
      << check.output;
}

}  // namespace
}  // namespace wexmont
