#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "driver/version.h"
#include "tests/support/project_files.h"
#include "tests/support/scratch_dir.h"
#include "tests/support/sndfile_oracle.h"

namespace wexmont {
namespace {

using testing::RunBinary;
using testing::ScratchDir;

const std::string kNoFile = "(no file)";

// drums, 1000 Hz mono takes A, B and Z of 3000 frames each.
void WriteProject(const std::string& points, const std::string& rc) {
  testing::WriteFile("base.txt", "drums\n");
  testing::WriteFile("points.txt", points);
  if (rc != kNoFile) {
    testing::WriteFile("wexmontrc.txt", rc);
  }
  for (const char* take : {"drumsA.wav", "drumsB.wav", "drumsZ.wav"}) {
    testing::WriteCanonicalTake(take, 1000, 16, 1, testing::ToneSamples(3000, 1, 16, 1));
  }
}

struct OptionCase {
  std::vector<std::string> args;
  std::string points = "0\tA\n1\tB\n2\tZ\n";
  std::string rc = kNoFile;
  int status = 0;
  std::string output{};                // found in the output
  std::vector<std::string> written{};  // files the run adds
  bool sameAsBuild = false;            // the output of a build of the same project
};

TEST(CommandLine, OptionsAnswerAndWriteNothingOtherArgumentsStillBuild) {
  const std::string usageLine =
      "Usage: wexmont [--check | --sheet] [--] [SUFFIX] | --help | --version\n";
  const std::string usage = usageLine + "\n";
  const auto refused = [&](const std::string& option) {
    return ">> Unknown option " + option + " (wexmont --help lists the options)\n" + usageLine;
  };
  const std::string passed = "Check passed: 1 track ready to build. Nothing was written.\n";
  const auto built = [](const std::string& output) {
    return std::vector<std::string>{output, "wexmontrc.txt", "xfade_temp.wav"};
  };
  const OptionCase cases[] = {
      {.args = {"--help"}, .output = usage},
      {.args = {"-h"}, .output = usage},
      {.args = {"--version"}, .output = std::string("wexmont ") + kWexmontVersion + "\n"},
      {.args = {"-V"}, .output = std::string("wexmont ") + kWexmontVersion + "\n"},
      {.args = {"--check"},
       .output = "wexmontrc.txt is missing: a build writes its template and makes no "
                 "crossfades\n\nCheck passed: 1 track ready to build. Nothing was "
                 "written.\n\n"},
      {.args = {"--check"},
       .points = "0.5\tA\n1\tB\n2\tZ\n",
       .rc = "xf_all\t100\t2\n",
       .output = "1\t100.0\t2\n\nTrack 1: drums, 1000 Hz, 16-bit, mono, built to drums_bld.wav: "
                 "2000 frames (2.000 s)\nSilence before edit 1: frames 0 to 500 (0.500 s)\n"
                 "edit\ttake\tstart s\tend s\tstart frame\tend frame\tcrossfade\n"
                 "1\tdrumsA.wav\t0.500\t1.000\t500\t1000\tnone\n"
                 "2\tdrumsB.wav\t1.000\t2.000\t1000\t2000\t100 frames linear from 950\n"
                 "3\tdrumsZ.wav\t2.000\t-\t2000\t-\tend\n\n"},
      // A faulty project: the check says what a build says, with the same status.
      {.args = {"--check"}, .points = "0\tA\n1\tC\n", .status = 1, .sameAsBuild = true},
      {.args = {"--check"}, .points = "0\tA\n5\tB\n4\tZ\n", .status = 1, .sameAsBuild = true},
      // Options stand anywhere; a check with a suffix checks the build to it.
      {.args = {"_v2.wav", "--check"}, .output = "built to drums_v2.wav: 2000 frames"},
      {.args = {"--check", "_v2.wav"}, .output = passed},
      {.args = {"--check", "--help"}, .output = usage},
      // The sheet writes its page and nothing else, to the suffix's outputs; a
      // check with it writes nothing.
      {.args = {"_v2.wav", "--sheet"},
       .output = "\nCut sheet written to wexmont_sheet.html: 1 track, 3 edit points.\n\n",
       .written = {"wexmont_sheet.html"}},
      {.args = {"--sheet", "--check"}, .output = passed},
      {.args = {"sheet"}, .status = 2, .output = refused("sheet")},
      // Typos of options are refused with the usage line, writing nothing.
      {.args = {"--chek"}, .status = 2, .output = refused("--chek")},
      {.args = {"_v2.wav", "--verbose"}, .status = 2, .output = refused("--verbose")},
      {.args = {"-v"}, .status = 2, .output = refused("-v")},
      {.args = {"help"}, .status = 2, .output = refused("help")},
      // Anything else is the suffix, dash or not; "--" ends the options.
      {.args = {"-v2.wav"},
       .output = "Building to drums-v2.wav\n",
       .written = built("drums-v2.wav")},
      {.args = {"--", "--odd"},
       .output = "Building to drums--odd\n",
       .written = built("drums--odd")},
      // Two or more arguments: the default suffix, and they are said to be ignored.
      {.args = {"a.wav", "b.wav"},
       .output = ">> 2 arguments ignored (only a single one sets the suffix): a.wav b.wav\n",
       .written = built("drums_bld.wav")},
  };
  for (const OptionCase& c : cases) {
    const std::string name = c.args[0] + " " + c.points;
    std::string buildOutput;
    if (c.sameAsBuild) {
      ScratchDir dir;
      WriteProject(c.points, c.rc);
      buildOutput = RunBinary(dir.Path()).output;
    }
    ScratchDir dir;
    WriteProject(c.points, c.rc);
    const std::vector<std::string> before = testing::FolderListing();
    const testing::InputSnapshot inputs(before);
    const testing::BinaryRun run = RunBinary(dir.Path(), c.args);
    EXPECT_EQ(run.exitStatus, c.status) << name << run.output;
    EXPECT_NE(run.output.find(c.output), std::string::npos) << name << run.output;
    if (c.sameAsBuild) {
      EXPECT_EQ(run.output, buildOutput) << name;
    }
    std::vector<std::string> expected = before;
    expected.insert(expected.end(), c.written.begin(), c.written.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(testing::FolderListing(), expected) << name;
    EXPECT_TRUE(inputs.Changed().empty()) << name;
  }
}

}  // namespace
}  // namespace wexmont
