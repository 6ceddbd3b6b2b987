// The whole job through the real binary: projects of libsndfile takes, every
// output read back with libsndfile and compared frame by frame with what the
// takes, the edit list and the crossfades make of it.
#include <gtest/gtest.h>

#include "tests/e2e/project_builder.h"
#include "tests/support/scratch_dir.h"

namespace wexmont {
namespace {

using testing::BuildAndCheck;
using testing::Edit;
using testing::Project;
using testing::TrackSetup;

struct Scenario {
  const char* name;
  std::vector<Edit> edits;
  std::vector<TrackSetup> tracks;
  bool temporaryRemains;     // xfade_temp.wav is left behind by the run
  const char* console = "";  // text the console must show
};

// One track of every crossfade curve in every sample format, each at its own rate.
std::vector<TrackSetup> EveryCurveInEveryFormat() {
  std::vector<TrackSetup> tracks;
  for (int32_t type = 1; type <= 4; ++type) {
    for (int32_t bits : {16, 24}) {
      for (int32_t channels : {1, 2}) {
        const uint32_t rate = bits == 16 ? 44100 : 48000;
        tracks.push_back(
            {"t" + std::to_string(tracks.size()), rate, bits, channels, 30, type, rate / 2});
      }
    }
  }
  return tracks;
}

// One track of every crossfade curve in every format that 16- and 24-bit
// stereo takes did not cover: 32-bit integer, float (at 1.5 times full
// scale), and many channels, from plain and extensible format chunks.
std::vector<TrackSetup> EveryCurveInEveryNewFormat() {
  using enum SampleKind;
  using enum testing::TakeLayout;
  struct Format {
    int32_t bits, channels;
    SampleKind kind;
    testing::TakeLayout layout;
  };
  const Format formats[] = {{32, 2, kInteger, kPlain},     {32, 4, kInteger, kExtensible},
                            {32, 1, kFloat, kPlain},       {32, 2, kFloat, kExtensible},
                            {32, 8, kFloat, kExtensible},  {16, 4, kInteger, kPlain},
                            {24, 6, kInteger, kExtensible}};
  std::vector<TrackSetup> tracks;
  for (int32_t type = 1; type <= 4; ++type) {
    for (const Format& f : formats) {
      tracks.push_back({.base = "n" + std::to_string(tracks.size()),
                        .rate = 16000,
                        .bits = f.bits,
                        .channels = f.channels,
                        .crossfadeMs = 30,
                        .crossfadeType = type,
                        .takeFrames = 8000,
                        .layout = f.layout,
                        .kind = f.kind});
    }
  }
  return tracks;
}

// One track per layout in which recorders and editors write takes, in every
// sample format, with a crossfade over the cut. The takes end before the
// last edit point, so each output ends where its takes' samples end.
std::vector<TrackSetup> EveryRecorderLayout() {
  using testing::TakeLayout;
  std::vector<TrackSetup> tracks;
  for (TakeLayout layout :
       {TakeLayout::kBroadcast, TakeLayout::kLateSamples, TakeLayout::kChunkBeforeFormat,
        TakeLayout::kBrokenChunk, TakeLayout::kRf64}) {
    const int32_t n = static_cast<int32_t>(tracks.size());
    tracks.push_back({.base = "t" + std::to_string(n),
                      .bits = n % 2 == 0 ? 24 : 16,
                      .channels = 1 + n / 2 % 2,
                      .crossfadeMs = 20,
                      .crossfadeType = 1 + n % 4,
                      .takeFrames = 12000,
                      .layout = layout});
  }
  return tracks;
}

// `edits` edit points 0.1 s apart, naming `takes` takes A, B, ... in turn.
std::vector<Edit> TakesInTurn(int takes, int edits) {
  std::vector<Edit> list;
  for (int k = 0; k < edits; ++k) {
    list.push_back({std::to_string(k * 0.1), std::string(1, static_cast<char>('A' + k % takes))});
  }
  return list;
}

const std::vector<Edit> kThreeEdits = {{"0", "A"}, {"1", "B"}, {"2", "C"}};

// A stereo 16-bit track at 8000 Hz whose takes last 3 s unless listed short.
TrackSetup Guitar(float crossfadeMs, int32_t type, std::map<std::string, int64_t> shortTakes = {},
                  int64_t takeFrames = 24000) {
  return {.base = "gtr",
          .crossfadeMs = crossfadeMs,
          .crossfadeType = type,
          .takeFrames = takeFrames,
          .shortTakes = std::move(shortTakes)};
}

const Scenario kScenarios[] = {
    {"HardCutLeavesTheTemporaryHeader", kThreeEdits, {Guitar(200, 0)}, true},
    {"TwoEditPointsRenderNoCrossfade", {{"0", "A"}, {"1", "B"}}, {Guitar(200, 1)}, true},
    {"OneEditPointGivesAnEmptyOutput", {{"0.5", "A"}}, {Guitar(200, 1)}, false},
    {"ZeroMillisecondsWithATypeCutsHard", kThreeEdits, {Guitar(0, 2)}, false},
    {"LeadInIsSilent", {{"0.25", "A"}, {"1", "B"}, {"2", "C"}}, {Guitar(20, 3)}, false},
    // 400 frames into the output with 800 crossfade frames is a hard cut; 479 is due.
    {"EditTooCloseToTheStartCutsHard",
     {{"0", "A"}, {"0.05", "B"}, {"0.06", "C"}, {"1", "D"}},
     {Guitar(100, 4)},
     false},
    {"EqualTimesSkipAnEditPoint",
     {{"0", "A"}, {"0.5", "B"}, {"0.5", "C"}, {"1", "D"}, {"1.5", "E"}},
     {Guitar(50, 2)},
     false},
    // No segment reaches the announced length: the whole output is silence.
    {"EqualFirstTimesGiveASilentOutput", {{"0.5", "A"}, {"0.5", "B"}}, {Guitar(20, 1)}, false},
    // 80-frame segments under a 400-frame half crossfade; the last crossfade
    // is cut at the output length.
    {"SegmentsShorterThanHalfTheCrossfade",
     {{"0", "A"}, {"0.5", "B"}, {"0.51", "C"}, {"0.52", "D"}},
     {Guitar(100, 1)},
     false},
    // A ends inside the crossfade, 40 frames before its segment does; B ends
    // 4000 frames before the output does.
    {"TakesShorterThanTheirSegmentsEndInSilence",
     kThreeEdits,
     {Guitar(20, 1, {{"A", 7960}, {"B", 12000}})},
     false},
    {"FailedCrossfadeLeavesAHardCut",
     kThreeEdits,
     {Guitar(20, 1, {{"A", 4000}})},
     false,
     "track 1 (gtr), edit 2: no crossfade; it would start at frame 7920, after gtrA.wav ends "
     "(frame 4000), so the cut stays hard\n"},
    {"TakesEndingBeforeTheLastEditPointEndTheOutput",
     {{"-0.5", "A"}, {"1", "B"}, {"2", "C"}},
     {Guitar(20, 2, {}, 10000)},
     false},
    // Each track is planned at its own rate against its own takes; kick's
    // takes end before the last edit point.
    {"TracksAtDifferentRatesAndFormats",
     {{"0", "A"}, {"0.3", "B"}, {"0.7", "C"}},
     {{"vox", 44100, 16, 2, 30, 1, 44100, {}, testing::TakeLayout::kExtensible},
      {"kick", 48000, 24, 1, 10, 3, 30000}},
     false},
    {"TakesAsRecordersWriteThem",
     {{"0", "A"}, {"0.5", "B"}, {"2", "C"}},
     EveryRecorderLayout(),
     false},
    {"EveryCurveInEveryFormat",
     {{"0", "A"}, {"0.25", "B"}, {"0.5", "C"}},
     EveryCurveInEveryFormat(),
     false},
    {"EveryCurveInEveryNewFormat",
     {{"0", "A"}, {"0.25", "B"}, {"0.5", "C"}},
     EveryCurveInEveryNewFormat(),
     false},
    // Ten takes in turn, more than a track keeps open at once.
    {"TenTakesInTurn", TakesInTurn(10, 22), {Guitar(20, 1)}, false},
    // The temporary file keeps the header of the last edit point that had a
    // segment: the second track's, with a crossfade of its own length.
    {"AHardCutTrackAfterACrossfadedOneLeavesItsHeader",
     kThreeEdits,
     {Guitar(20, 1), {"kick", 48000, 24, 1, 50, 0, 150000}},
     true},
    {"FloatHardCutLeavesAnExtensibleTemporaryHeader",
     kThreeEdits,
     {{.base = "f", .bits = 32, .crossfadeType = 0, .kind = SampleKind::kFloat}},
     true},
};

void PrintTo(const Scenario& scenario, std::ostream* out) {
  *out << scenario.name;
}

class BuildTest : public ::testing::TestWithParam<Scenario> {};

TEST_P(BuildTest, OutputsFollowTheTakes) {
  testing::ScratchDir dir;
  const Scenario& scenario = GetParam();
  const std::string console =
      BuildAndCheck({scenario.edits, scenario.tracks}, scenario.temporaryRemains);
  EXPECT_NE(console.find(scenario.console), std::string::npos) << console;
}

INSTANTIATE_TEST_SUITE_P(Scenarios, BuildTest, ::testing::ValuesIn(kScenarios),
                         [](const auto& info) { return std::string(info.param.name); });

// Two tracks, cuts at 1 s and 2 s (scaled down from 10 s and 20 s), 200 ms
// equal-power crossfades set for all tracks at once.
TEST(Build, DrumsAndBassReportLineForLine) {
  testing::ScratchDir dir;
  const TrackSetup drums{
      .base = "drums", .rate = 44100, .crossfadeMs = 200, .crossfadeType = 1, .takeFrames = 110250};
  TrackSetup bass = drums;
  bass.base = "bass";
  const std::string console = BuildAndCheck(
      {{{"0", "A"}, {"1", "B"}, {"2", "Z"}}, {drums, bass}, "xf_all\t200\t1\n"}, false);
  EXPECT_EQ(console,
            "\nWexmont - builds finished tracks from time-aligned takes\n\n"
            "Planning to build 2 tracks using 3 edit points.\n\n"
            "Crossfade Matrix:\ntrack\tlength\ttype\n1\t200.0\t1\n2\t200.0\t1\n\n\n"
            "Building to drums_bld.wav\nedits: 1 2 3 \n\n"
            "Building to bass_bld.wav\nedits: 1 2 3 \n\nDone\n\n");
}

}  // namespace
}  // namespace wexmont
