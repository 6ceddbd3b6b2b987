// Cut markers through the real binary: cue points and regions read back by
// libsndfile and from the bytes, and the audio the same for every reader as
// without them.
#include <gtest/gtest.h>

#include "tests/e2e/project_builder.h"
#include "tests/support/scratch_dir.h"

namespace wexmont::testing {
namespace {

struct MarkedTrack {
  std::string output;
  std::string ffmpegFormat;
  std::vector<CuePoint> cues;
  std::vector<CueText> texts;
};

TEST(Markers, EveryCutAndRenderedCrossfadeIsMarkedAndTheAudioStaysTheSame) {
  ScratchDir dir;
  // 24-bit mono with an odd frame count (the data chunk gets its pad byte)
  // and 160-frame crossfades; 16-bit stereo with hard cuts.
  Project project{{{"0.25", "A"}, {"1", "B"}, {"1.5", "A"}, {"3.5", "Z"}},
                  {{.base = "drums", .bits = 24, .channels = 1, .takeFrames = 23999},
                   {.base = "bass", .rate = 48000, .takeFrames = 200000}},
                  "xf_tr\t1\t20\t1\nmarkers\t1\n"};
  std::vector<std::string> inputs;
  WriteProject(project, inputs);
  const std::vector<MarkedTrack> tracks = {
      {"drums_on.wav",
       "s24le",
       {{1, 2000, 2000, "data"},
        {2, 8000, 8000, "data"},
        {3, 7920, 7920, "data"},
        {4, 12000, 12000, "data"},
        {5, 11920, 11920, "data"}},
       {{1, "edit 1: A"},
        {2, "edit 2: B"},
        {3, "crossfade 2", 160, "rgn "},
        {4, "edit 3: A"},
        {5, "crossfade 3", 160, "rgn "}}},
      {"bass_on.wav",
       "s16le",
       {{1, 12000, 12000, "data"}, {2, 48000, 48000, "data"}, {3, 72000, 72000, "data"}},
       {{1, "edit 1: A"}, {2, "edit 2: B"}, {3, "edit 3: A"}}},
  };
  const BinaryRun check = RunBinary(dir.Path(), {"--check"});
  EXPECT_NE(check.output.find("Cut markers after the samples: 3 cue points at the cuts, 2 "
                              "crossfade regions\n"),
            std::string::npos)
      << check.output;
  EXPECT_EQ(RunBinary(dir.Path(), {"_on.wav"}).exitStatus, 0);
  WriteFile("wexmontrc.txt", "xf_tr\t1\t20\t1\nmarkers\t0\n");
  EXPECT_EQ(RunBinary(dir.Path(), {"_off.wav"}).exitStatus, 0);

  for (const MarkedTrack& track : tracks) {
    const std::string unmarked = track.output.substr(0, track.output.find('_')) + "_off.wav";
    EXPECT_EQ(ReadCuePointsWithSndfile(track.output), track.cues) << track.output;
    EXPECT_EQ(ReadCueTextsFromBytes(track.output), track.texts) << track.output;
    EXPECT_TRUE(ReadCuePointsWithSndfile(unmarked).empty());
    // The marked output is the unmarked one with the chunks after it, and a
    // RIFF size that counts them.
    const std::string on = ReadFile(track.output);
    const std::string off = ReadFile(unmarked);
    EXPECT_EQ(on.substr(8, off.size() - 8), off.substr(8));
    EXPECT_EQ(Load32LE(reinterpret_cast<const uint8_t*>(on.data() + 4)), on.size() - 8);
    EXPECT_EQ(ReadWithSndfile(track.output).samples, ReadWithSndfile(unmarked).samples);
    EXPECT_EQ(ReadHeaderWithSox(track.output).frames, ReadHeaderWithSox(unmarked).frames);
    EXPECT_EQ(DecodeWithFfmpeg(track.output, track.ffmpegFormat),
              off.substr(kHeaderBytes, off.size() - kHeaderBytes));
  }
}

}  // namespace
}  // namespace wexmont::testing
