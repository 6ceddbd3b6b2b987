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

const std::string kNone = "(no such file)";
const std::string kBanner = "\nWexmont - builds finished tracks from time-aligned takes\n\n";

struct Take {
  std::string name;
  uint32_t rate = 1000;
  int32_t bits = 16;
  int32_t channels = 1;
  int64_t frames = 3000;
  SampleKind kind = SampleKind::kInteger;
};

struct Project {
  std::string base = "drums\n";
  std::string points = "0\tA\n1\tB\n2\tZ\n";
  std::string rc{};
  std::vector<Take> takes = {{"drumsA.wav"}, {"drumsB.wav"}, {"drumsZ.wav"}};
  std::string shell{};  // run in the folder once the files are written
  std::vector<std::string> args{};
  std::string last{};  // how the output of a refused run ends
};

void Write(const Project& p) {
  const std::pair<const char*, const std::string&> files[] = {
      {"base.txt", p.base}, {"points.txt", p.points}, {"wexmontrc.txt", p.rc}};
  for (const auto& [name, text] : files) {
    if (text != kNone) {
      testing::WriteFile(name, text);
    }
  }
  for (size_t i = 0; i < p.takes.size(); ++i) {
    const Take& t = p.takes[i];
    testing::WriteCanonicalTake(
        t.name, t.rate, t.bits, t.channels,
        testing::ToneSamples(t.frames, t.channels, t.bits, static_cast<int32_t>(i), t.kind),
        t.kind);
  }
  if (!p.shell.empty()) {
    ASSERT_EQ(std::system(p.shell.c_str()), 0) << p.shell;
  }
}

std::string Times(const std::string& text, int count) {
  std::string lines;
  for (int i = 0; i < count; ++i) {
    lines += text + std::to_string(i) + "\n";
  }
  return lines;
}

const std::string kLong(128, 'n');

// The standard takes with `odd` in place of the take of its name.
std::vector<Take> With(const Take& odd) {
  std::vector<Take> takes = Project().takes;
  std::replace_if(
      takes.begin(), takes.end(), [&](const Take& t) { return t.name == odd.name; }, odd);
  return takes;
}

std::string Exiting(const std::string& what) {
  return ">> " + what + ", exiting\n";
}

TEST(Run, RefusalsEndTheRunBeforeAnyOutputAndLeaveTheInputsAlone) {
  const std::string badFormat =
      "; takes must be 16-, 24- or 32-bit integer PCM or 32-bit float, 1 to 64 channels";
  const std::vector<Take> int32Takes = {
      {"drumsA.wav", 1000, 32}, {"drumsB.wav", 1000, 32}, {"drumsZ.wav", 1000, 32}};
  std::vector<Take> floatAmongInts = int32Takes;
  floatAmongInts[1].kind = SampleKind::kFloat;
  const Project cases[] = {
      {.base = kNone,
       .last = Exiting("Cannot find file base.txt that holds your base file names") + "\n"},
      {.points = kNone,
       .last = Exiting("Cannot find file points.txt that holds your edits") + "\n"},
      {.points = "0\tA\n5\tB\n4\tZ\n", .takes = {}, .last = Exiting("Edit 3 is out of sequence")},
      {.takes = With({"drumsB.wav", 2000, 24}),
       .last = Exiting("Samplerate mismatch among drums takes")},
      {.takes = With({"drumsB.wav", 1000, 24, 2}),
       .last = Exiting("Bit format mismatch among drums takes")},
      {.takes = With({"drumsZ.wav", 1000, 16, 2}),
       .last = Exiting("Mono-stereo mismatch among drums takes")},
      {.takes = floatAmongInts,
       .last = ">> drumsB.wav holds float samples, drumsA.wav integer samples\n" +
               Exiting("Sample format mismatch among drums takes")},
      {.shell = "rm drumsZ.wav", .last = Exiting("Cannot find file called drumsZ.wav")},
      {.points = "0\tA\n30\tB\n40\tZ\n",
       .takes = With({"drumsB.wav", 1000, 16, 1, 20000}),
       .last =
           "Edit 2 failed.  The take ends before the edit point.\nOutput files were not built\n"},
      // Limits of the project files and the command line.
      {.base = Times("t", 1025), .last = Exiting("base.txt holds more than 1024 tracks")},
      {.points = Times("0\tA", 1025),
       .last = Exiting("points.txt holds more than 1024 edit points")},
      {.points = "0\t" + kLong + "\n",
       .last = Exiting(
           "points.txt line 1: the name is 128 bytes long, it must be shorter than 128 bytes")},
      {.base = std::string(32768, '\n'),
       .last = Exiting("base.txt is 32768 bytes long, it must be shorter than 32768 bytes")},
      {.rc = std::string(1024, '\n'),
       .last = Exiting("wexmontrc.txt is 1024 bytes long, it must be shorter than 1024 bytes")},
      {.base = std::string("dr\0ums\n", 7), .last = Exiting("base.txt holds a NUL byte")},
      {.args = {kLong.substr(64)},
       .last = Exiting("The output suffix " + kLong.substr(64) +
                       " is 64 characters long, at most 63 are allowed")},
      {.base = kLong.substr(1) + "\n",
       .points = "0\t" + kLong.substr(3) + "\n",
       .last = Exiting("Take file name " + kLong.substr(1) + kLong.substr(3) +
                       ".wav is 256 bytes long, it must be shorter than 256 bytes")},
      {.base = kLong.substr(8) + "\n",
       .last = Exiting("Output name " + kLong.substr(8) +
                       "_bld.wav is 128 bytes long, it must be shorter than 128 bytes")},
      {.rc = "xf_tr\t1025\t10\t1\n",
       .last = Exiting("wexmontrc.txt: xf_tr names track 1025, tracks are numbered 1 to 1024")},
      {.rc = "xf_tr\t1\t5",
       .last = Exiting("wexmontrc.txt: xf_tr needs a track number, a length and a type")},
      {.rc = "xf_all\t200\n", .last = Exiting("wexmontrc.txt: xf_all needs a length and a type")},
      {.points = "0\tA\n1\n",
       .last = Exiting("points.txt line 2: \"1\" has no tab between the time and the take name")},
      {.rc = "xf_tr\t1\t10\t-1\n",
       .last = Exiting("wexmontrc.txt gives track 1 the crossfade type -1, the types are 0 to 4")},
      {.rc = "xf_all\t1e39\t1\n",
       .last = Exiting("wexmontrc.txt gives track 1 a crossfade length that is not a number")},
      {.points = "0\tA\n1\tB\n1e39\tZ\n",
       .last = Exiting("Edit 3 lies too far from the start to be placed")},
      {.points = "-2\tA\n-1\tB\n2\tZ\n",
       .last = Exiting("points.txt line 2: edit 2 has a negative time")},
      {.points = "", .last = Exiting("points.txt holds no edit points")},
      // Takes the build cannot render.
      {.takes = With({"drumsA.wav", 0, 24, 2}),
       .last = Exiting("Take drumsA.wav holds 24-bit integer PCM, 2 channels at 0 Hz" + badFormat)},
      {.takes = With({"drumsA.wav", 1000, 8, 3}),
       .last =
           Exiting("Take drumsA.wav holds 8-bit integer PCM, 3 channels at 1000 Hz" + badFormat)},
      {.takes = With({"drumsA.wav", 1000, 64, 1, 3000, SampleKind::kFloat}),
       .last = Exiting("Take drumsA.wav holds 64-bit float, 1 channels at 1000 Hz" + badFormat)},
      {.takes = With({"drumsA.wav", 1000, 16, 65, 10}),
       .last =
           Exiting("Take drumsA.wav holds 16-bit integer PCM, 65 channels at 1000 Hz" + badFormat)},
      {.shell = "printf 'U' | dd of=drumsA.wav bs=1 seek=20 conv=notrunc status=none",
       .last =
           Exiting("Take drumsA.wav holds format code 0x0055, 1 channels at 1000 Hz" + badFormat)},
      {.takes = With({"drumsA.wav", 1000, 4}),
       .last = Exiting("Take drumsA.wav has no whole bytes per frame (1 channels of 4 bits)")},
      {.shell = "printf RIFF > drumsA.wav",
       .last = Exiting("Take drumsA.wav ends inside its format chunk")},
      {.shell = "rm drumsB.wav && mkdir drumsB.wav",
       .last = Exiting("Cannot open drumsB.wav: not a regular file")},
      {.shell = "rm drumsZ.wav && mkfifo drumsZ.wav",
       .last = Exiting("Cannot open drumsZ.wav: not a regular file")},
      {.rc = kNone,
       .shell = "mkdir wexmontrc.txt",
       .last = Exiting("Cannot read wexmontrc.txt: not a regular file")},
      // Outputs that would overwrite an input, however they are spelled.
      {.base = "b\nbx\n",
       .args = {"xA.wav"},
       .last = Exiting("Output bxA.wav would overwrite the take of that name")},
      {.base = "points\n",
       .args = {".txt"},
       .last = Exiting("Output points.txt would overwrite the project file of that name")},
      {.base = "./xfade\n",
       .args = {"_temp.wav"},
       .last =
           Exiting("Output ./xfade_temp.wav would be overwritten by the temporary crossfade file")},
      {.base = "xfade\n",
       .points = "0\t_temp\n1\tB\n",
       .last = Exiting("A take has the name of the temporary crossfade file xfade_temp.wav")},
      {.shell = "ln -s drumsA.wav drums_bld.wav",
       .last = Exiting("Output drums_bld.wav is the input drumsA.wav under another name")},
      {.base = "drums\n./drums\n",
       .last = Exiting("Tracks 1 and 2 would both be built to ./drums_bld.wav")},
      {.shell = "ln points.txt xfade_temp.wav",
       .last = Exiting("Output xfade_temp.wav is the input points.txt under another name")},
      {.base = "x\nx.partial\n",
       .args = {".partial"},
       .last = Exiting("Output x.partial.partial would be overwritten while x.partial is built")},
  };
  for (const Project& c : cases) {
    ScratchDir dir;
    Write(c);
    const std::vector<std::string> before = testing::FolderListing();
    const testing::InputSnapshot inputs(testing::FolderListing(true));
    const testing::BinaryRun run = RunBinary(dir.Path(), c.args);
    EXPECT_EQ(run.exitStatus, 1) << c.last;
    EXPECT_TRUE(run.output.ends_with(c.last)) << "expected " << c.last << run.output;
    EXPECT_EQ(testing::FolderListing(), before) << c.last;
    EXPECT_TRUE(inputs.Changed().empty()) << c.last;
  }
}

TEST(Run, AnEmptyTrackListPlansNothing) {
  ScratchDir dir;
  Write({.base = "", .rc = kNone, .takes = {}});
  const testing::BinaryRun run = RunBinary(dir.Path());
  EXPECT_EQ(run.exitStatus, 0);
  EXPECT_EQ(run.output, kBanner + "Planning to build 0 tracks using 3 edit points.\n\n" +
                            "Crossfade Matrix:\ntrack\tlength\ttype\n\nWorth knowing before the "
                            "build:\nwexmontrc.txt is missing: a build writes its template and "
                            "makes no crossfades\n\n\nDone\n\n");
  EXPECT_EQ(testing::FolderListing(),
            (std::vector<std::string>{"base.txt", "points.txt", "wexmontrc.txt"}));
}

TEST(Run, EachTrackIsPlannedAtItsOwnRateWithItsOwnCrossfade) {
  ScratchDir dir;
  Write({.base = "drums\nbass\n",
         .rc = "xf_all\t200\t1\nxf_tr\t2\t50\t3\n",
         .takes = {{"drumsA.wav"},
                   {"drumsB.wav"},
                   {"drumsZ.wav"},
                   {"bassA.wav", 2000, 24, 2, 6000},
                   {"bassB.wav", 2000, 24, 2, 6000},
                   {"bassZ.wav", 2000, 24, 2, 6000}}});
  const testing::BinaryRun run = RunBinary(dir.Path());
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  EXPECT_TRUE(run.output.starts_with(
      kBanner +
      "Planning to build 2 tracks using 3 edit points.\n\nCrossfade Matrix:\ntrack\tlength\ttype\n"
      "1\t200.0\t1\n2\t50.0\t3\n\n\nBuilding to drums_bld.wav\n"))
      << run.output;
  EXPECT_EQ(testing::ReadWithSndfile("drums_bld.wav").frames, 2000);
  EXPECT_EQ(testing::ReadWithSndfile("bass_bld.wav").frames, 4000);
}

TEST(Run, TheSingleArgumentReplacesTheOutputSuffix) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {{{}, "drums_bld.wav"},
                                                                    {{".out.wav"}, "drums.out.wav"},
                                                                    {{"_v2"}, "drums_v2"},
                                                                    {{"a", "b"}, "drums_bld.wav"}};
  for (const auto& [args, output] : cases) {
    ScratchDir dir;
    Write({.rc = kNone});
    const testing::BinaryRun run = RunBinary(dir.Path(), args);
    EXPECT_EQ(run.exitStatus, 0) << run.output;
    EXPECT_NE(run.output.find("type\n1\t0.0\t0\n\nWorth knowing before the build:\n"
                              "wexmontrc.txt is missing: a build writes its template and makes "
                              "no crossfades\n\n\nBuilding to " +
                              output + "\n"),
              std::string::npos)
        << run.output;
    EXPECT_TRUE(testing::Exists(output)) << output;
  }
}

// The output is built next to the file it replaces and renamed over it.
TEST(Run, AnOutputThatIsALinkStaysALinkAndTheReplacedFileKeepsItsPermissions) {
  ScratchDir dir;
  Write({});
  ASSERT_EQ(RunBinary(dir.Path()).exitStatus, 0);
  const std::string built = testing::ReadFile("drums_bld.wav");
  std::filesystem::create_directory("kept");
  testing::WriteFile("kept/drums.wav", "an older output");
  std::filesystem::permissions("kept/drums.wav", std::filesystem::perms(0640));
  std::filesystem::remove("drums_bld.wav");
  std::filesystem::create_symlink("kept/drums.wav", "drums_bld.wav");
  const std::vector<std::string> before = testing::FolderListing();

  ASSERT_EQ(RunBinary(dir.Path()).exitStatus, 0);
  EXPECT_EQ(std::filesystem::read_symlink("drums_bld.wav"), "kept/drums.wav");
  EXPECT_EQ(testing::ReadFile("kept/drums.wav"), built);
  EXPECT_EQ(std::filesystem::status("kept/drums.wav").permissions(), std::filesystem::perms(0640));
  EXPECT_EQ(testing::FolderListing(), before);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator("kept"), {}), 1);
}

// A take without a format chunk has its fields read where the probe's scan
// ends; the probe says so for every edit point that names the take.
TEST(Run, ATakeWithoutAFormatChunkIsReportedWhereverItIsNamed) {
  ScratchDir dir;
  Write({.points = "0\tA\n1\tB\n2\tA\n3\tZ\n", .rc = "xf_all\t10\t1\n"});
  // A JUNK chunk up to byte 15040 carries 1000 Hz 16-bit mono PCM fields at
  // byte 15000, where the scan for "fmt" gives up; the samples follow.
  std::string take = "RIFF" + std::string(4, '\0') + "WAVEJUNK" + std::string(15024, '\0');
  const auto put = [&](size_t at, uint32_t value, size_t bytes) {
    for (size_t i = 0; i < bytes; ++i) {
      take[at + i] = static_cast<char>(value >> (8 * i));
    }
  };
  put(16, 15020, 4);
  put(15008, 1, 2);
  put(15010, 1, 2);
  put(15012, 1000, 4);
  put(15022, 16, 2);
  take += "data" + std::string(4, '\0') + std::string(6000, '\x11');
  put(15044, 6000, 4);
  testing::WriteFile("drumsA.wav", take);
  const testing::BinaryRun run = RunBinary(dir.Path());
  EXPECT_EQ(run.exitStatus, 0) << run.output;
  const std::string missing =
      ">> drumsA.wav has no format chunk in its first 15000 bytes\n"
      ">> Can't find format chunk in wave file!\n";
  EXPECT_TRUE(run.output.starts_with(kBanner +
                                     "Planning to build 1 tracks using 4 edit points.\n\n" +
                                     missing + missing + "Crossfade Matrix:"))
      << run.output;
}

TEST(Run, ANegativeCrossfadeLengthLeavesTheCutHard) {
  std::string outputs[2];
  const std::string settings[] = {"xf_all\t-200\t1\n", "xf_all\t200\t0\n"};
  for (int i = 0; i < 2; ++i) {
    ScratchDir dir;
    Write({.rc = settings[i]});
    EXPECT_EQ(RunBinary(dir.Path()).exitStatus, 0) << settings[i];
    outputs[i] = testing::ReadFile("drums_bld.wav");
  }
  EXPECT_EQ(outputs[0], outputs[1]);
}

}  // namespace
}  // namespace wexmont
