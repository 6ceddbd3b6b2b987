#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>

#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::RunBinary;
using testing::ScratchDir;

struct Take {
  std::string name;
  uint32_t rate = 1000;
  int32_t bits = 16;
  int32_t channels = 1;
  int64_t frames = 3000;
};

struct TextCase {
  std::string base = "drums\n";
  std::string points = "0\tA\n1\tB\n2\tZ\n";
  std::string rc = "xf_all\t300\t1\n";
  std::vector<Take> takes = {{"drumsA.wav"}, {"drumsB.wav"}, {"drumsZ.wav"}};
  std::string shell{};  // run in the folder once the files are written
  std::vector<std::string> args{};
  int status = 1;
  std::vector<std::string> output{};  // found in the output, in this order
  std::string samePlanAs{};           // points.txt of a project whose check must be equal
};

void Write(const TextCase& c, const std::string& points) {
  testing::WriteFile("base.txt", c.base);
  testing::WriteFile("points.txt", points);
  testing::WriteFile("wexmontrc.txt", c.rc);
  for (const Take& t : c.takes) {
    testing::WriteCanonicalTake(t.name, t.rate, t.bits, t.channels,
                                testing::ToneSamples(t.frames, t.channels, t.bits, t.bits));
  }
  if (!c.shell.empty()) {
    ASSERT_EQ(std::system(c.shell.c_str()), 0) << c.shell;
  }
}

// The standard takes with `odd` in place of the take of its name.
std::vector<Take> With(const Take& odd) {
  std::vector<Take> takes = TextCase().takes;
  std::replace_if(
      takes.begin(), takes.end(), [&](const Take& t) { return t.name == odd.name; }, odd);
  return takes;
}

std::string Line(const std::string& line, const std::string& text, const std::string& why) {
  return ">> points.txt line " + line + ": \"" + text + "\" " + why + ", exiting\n";
}

// A plan with a crossfade left out, two that overlap and a take that ends
// early, and settings that look read but are not.
const std::string kNoted = "0\tA\n0.125\tB\n1.25\tA\n1.375\tZ\n2\tA\n";
const std::string kNotedRc =
    "xf_all\t300\t1\nXF_ALL\t300\t1\nxf_tr 1 5 2\nxf_tr\t2\t5\tlinear\nxf_tr\t1\t5\tx\n";

TEST(ProjectText, TimesLineEndsAndNamesAsPeopleTypeThem) {
  const std::string notTime = "is not a time";
  const std::string noTab = "has no tab between the time and the take name";
  const std::string fixedEditFailure =
      "Edit 2 failed.  The take ends before the edit point.\nOutput files were not built\n";
  const TextCase cases[] = {
      // Times that are no number are refused with their line, blank lines counted.
      {.points = "0\tA\n\n1,5\tB\n2\tZ\n", .output = {Line("3", "1,5", notTime)}},
      {.points = "0\tA\n10s\tB\n", .output = {Line("2", "10s", notTime)}},
      {.points = "0\tA\n  end \tB\n", .output = {Line("2", "end", notTime)}},
      {.points = "\tA\n", .output = {Line("1", "", notTime)}},
      {.points = "0\tA\n0x1\tB\n", .output = {Line("2", "0x1", notTime)}},
      {.points = "0\tA\n1:5\tB\n", .output = {Line("2", "1:5", notTime)}},
      {.points = "0\tA\n1 B\n2\tZ\n", .output = {Line("2", "1 B", noTab)}},
      {.points = "0\tA\n1\t\n", .output = {Line("2", "1\\t", "has no take name after its tab")}},
      // m:ss and h:mm:ss are exactly the seconds they stand for.
      {.points = "0:00.5\tA\n 0:01.2345\tB\n0:00:02.\tZ\n",
       .args = {"--check"},
       .status = 0,
       .samePlanAs = "0.5\tA\n1.2345\tB\n2.\tZ\n"},
      // CR LF line ends and a byte order mark, in every file.
      {.base = "\xEF\xBB\xBF"
               "drums\r\n",
       .points = "\xEF\xBB\xBF"
                 "0\tA\r\n1\tB\r\n2\tZ\r\n",
       .rc = "\xEF\xBB\xBFxf_all\t100\t2\r\n",
       .status = 0,
       .output = {"1\t100.0\t2\n", "Building to drums_bld.wav\n", "Done\n"}},
      // The check notes what the build carries out without a word.
      {.points = kNoted,
       .rc = kNotedRc,
       .takes = With({"drumsB.wav", 1000, 16, 1, 1200}),
       .status = 0,
       .output = {"1\t300.0\t1\n\nWorth knowing before the build:\n",
                  "track 1 (drums), edit 2: drumsB.wav ends at 1.200 s (frame 1200); silence "
                  "fills the segment from there to 1.250 s (50 frames)\n",
                  "\n\nBuilding to drums_bld.wav\nedits: 1 2 3 4 5 \n\nDone\n\n"}},
      {.points = kNoted,
       .rc = kNotedRc,
       .takes = With({"drumsB.wav", 1000, 16, 1, 1200}),
       .args = {"--check"},
       .status = 0,
       .output = {"\nWorth knowing before the build:\n",
                  "track 1 (drums), edit 2: no crossfade; the edit lies 125 frames into the "
                  "output, and a crossfade of 300 frames needs more than 150\n",
                  "track 1 (drums), edit 3: the crossfade is shortened to 125 frames (125.0 ms) "
                  "from 300, so that it fits between the cuts around it; it runs from 1.188 s to "
                  "1.313 s\n",
                  "track 1 (drums), edit 4: the crossfade is shortened to 125 frames (125.0 ms) "
                  "from 300, so that it fits between the cuts around it; it runs from 1.313 s to "
                  "1.438 s\n",
                  "track 1 (drums), edit 2: drumsB.wav ends at 1.200 s (frame 1200); silence "
                  "fills the segment from there to 1.250 s (50 frames)\n",
                  "wexmontrc.txt line 2: \"XF_ALL\\t300\\t1\" is ignored: the keywords are read "
                  "only in lower case (xf_all, xf_tr, markers)\n",
                  "wexmontrc.txt line 3: \"xf_tr 1 5 2\" is ignored: its values are separated by "
                  "spaces, and only tabs separate them\n",
                  "wexmontrc.txt line 4: \"xf_tr\\t2\\t5\\tlinear\" sets track 2, but base.txt "
                  "lists 1 track\n",
                  "wexmontrc.txt line 5: \"xf_tr\\t1\\t5\\tx\" has the type \"x\", which is not "
                  "a number and counts as 0\n",
                  "wexmontrc.txt line 5: \"xf_tr\\t1\\t5\\tx\" gives track 1 type 0, which "
                  "takes the xf_all crossfade (300.0 ms, type 1) instead of none\n",
                  "\nCheck passed: 1 track ready to build. Nothing was written.\n"}},
      {.points = "0\tA\n1\tB\n1.5\tA\n2\tZ\n",
       .takes = With({"drumsB.wav", 1000, 16, 1, 1200}),
       .args = {"--check"},
       .status = 0,
       .output = {"track 1 (drums), edit 3: no crossfade; it would start at frame 1350, after "
                  "drumsB.wav ends (frame 1200), so the cut stays hard\n"}},
      // The markers setting: only 0 and 1 are read, the last line wins, and lines
      // meant as it that are not read are noted.
      {.rc = "xf_all\t300\t1\nmarkers\t1\nmarkers\tyes \n",
       .output = {">> wexmontrc.txt line 3: markers takes 0 (off) or 1 (on), not \"yes \", "
                  "exiting\n"}},
      {.rc = "xf_all\t300\t1\nmarkers\t1\nMarkers\t0\nmarkers 0\n",
       .args = {"--check"},
       .status = 0,
       .output = {"3\tdrumsZ.wav\t2.000\t-\t2000\t-\tend\n"
                  "Cut markers after the samples: 2 cue points at the cuts, 1 crossfade region\n",
                  "wexmontrc.txt line 3: \"Markers\\t0\" is ignored: the keywords are read only in "
                  "lower case (xf_all, xf_tr, markers)\n",
                  "wexmontrc.txt line 4: \"markers 0\" is ignored: its values are separated by "
                  "spaces, and only tabs separate them\n"}},
      // Every missing take in one run; names with control bytes shown visibly.
      {.base = "drums\nbass\n",
       .points = "0\tA\n1\tQ\n2\tQ\n",
       .output = {">> Cannot find file called drumsQ.wav\n>> Cannot find file called bassA.wav\n"
                  ">> Cannot find file called bassQ.wav, exiting\n"}},
      {.base = "dr\x1b[1mums\r\r\n",
       .output = {"called dr\\x1B[1mums\\rA.wav\n", "called dr\\x1B[1mums\\rZ.wav, exiting\n"}},
      // The fixed messages keep their text; the line before names the takes.
      {.takes = With({"drumsB.wav", 2000}),
       .output = {">> drumsB.wav is at 2000 Hz, drumsA.wav at 1000 Hz\n"
                  ">> Samplerate mismatch among drums takes, exiting\n"}},
      {.takes = With({"drumsB.wav", 1000, 24}),
       .output = {">> drumsB.wav holds 24-bit samples, drumsA.wav 16-bit samples\n"
                  ">> Bit format mismatch among drums takes, exiting\n"}},
      {.takes = With({"drumsZ.wav", 1000, 16, 2}),
       .output = {">> drumsZ.wav is stereo, drumsA.wav mono\n"
                  ">> Mono-stereo mismatch among drums takes, exiting\n"}},
      {.points = "0\tA\n3\tB\n4\tZ\n",
       .takes = With({"drumsB.wav", 1000, 16, 1, 2500}),
       .output = {">> drumsB.wav ends at 2.500 s (frame 2500), edit 2 starts at 3.000 s (frame "
                  "3000)\n" +
                  fixedEditFailure}},
      {.shell = "printf 'RIFF\\0\\0\\0\\0WAVEdata' > drumsA.wav",
       .output = {">> drumsA.wav has no format chunk in its first 15000 bytes\n"
                  ">> Can't find format chunk in wave file!\n"}},
  };
  for (const TextCase& c : cases) {
    const std::string name = c.base + c.points + c.rc + c.shell;
    std::string expectedOutput;
    if (!c.samePlanAs.empty()) {
      ScratchDir dir;
      Write(c, c.samePlanAs);
      expectedOutput = RunBinary(dir.Path(), c.args).output;
    }
    ScratchDir dir;
    Write(c, c.points);
    const std::vector<std::string> before = testing::FolderListing();
    const testing::InputSnapshot inputs(before);
    const testing::BinaryRun run = RunBinary(dir.Path(), c.args);
    EXPECT_EQ(run.exitStatus, c.status) << name << run.output;
    size_t from = 0;
    for (const std::string& part : c.output) {
      from = run.output.find(part, from);
      EXPECT_NE(from, std::string::npos) << name << "\nmissing: " << part << "\n" << run.output;
    }
    if (!c.samePlanAs.empty()) {
      EXPECT_EQ(run.output, expectedOutput) << name;
    }
    if (c.status == 1 || !c.args.empty()) {
      EXPECT_EQ(testing::FolderListing(), before) << name;
    }
    EXPECT_TRUE(inputs.Changed().empty()) << name;
  }
}

}  // namespace
}  // namespace wexmont
