#include "driver/plan/make_plan.h"

#include <gtest/gtest.h>

#include "driver/report/check_report.h"

namespace wexmont {
namespace {

// A project of one 44.1 kHz 16-bit stereo track whose takes (one per edit
// point, named by its index) hold `takeFrames` frames each.
ProjectInput OneTrack(const std::vector<std::string>& times, const std::vector<int64_t>& takeFrames,
                      int32_t curve = 0, const char* milliseconds = "0") {
  ProjectInput input;
  input.baseNames = {"t"};
  input.outputNames = {"t_bld.wav"};
  TrackInput& track = input.tracks.emplace_back();
  track.baseName = input.baseNames.front();
  track.format = {44100, 16, 2};
  for (size_t k = 0; k < times.size(); ++k) {
    const std::string take = std::to_string(k);
    input.edits.push_back({*ParseEditTime(times[k]), times[k], take, k + 1});
    TakeAttributes attributes;
    attributes.frameCount = takeFrames[k];
    attributes.area = SampleArea{36, takeFrames[k] * 4};
    std::string path = "t";
    path += take;
    path += ".wav";
    track.takePaths.push_back(path);
    track.takes.push_back(attributes);
    track.takeOfEdit.push_back(static_cast<uint32_t>(k));
  }
  input.crossfades.all = {curve, {0, ParseDecimal(milliseconds)}};
  return input;
}

// "position+segment" per edit point, "~silence" where its take ends early.
std::string DescribeSegments(const TrackPlan& track) {
  std::string text;
  for (const EditPlan& edit : track.edits) {
    text += std::to_string(edit.position);
    text += '+';
    text += std::to_string(edit.segment);
    text += ' ';
    if (edit.HasSegment() && edit.silenceFrom < edit.SegmentEnd()) {
      text += '~';
      text += std::to_string(edit.silenceFrom);
      text += ' ';
    }
  }
  text += "out=";
  text += std::to_string(track.Length());
  return text;
}

TEST(MakePlan, PlacesSegmentsSilenceAndTheOutputLength) {
  const std::tuple<std::vector<std::string>, std::vector<int64_t>, const char*> cases[] = {
      {{"0", "10", "20"},
       {1000000, 1000000, 1000000},
       "0+441000 441000+441000 882000+0 out=882000"},
      {{"1.2345", "2.5"}, {200000, 200000}, "54441+55809 110250+0 out=110250"},
      {{"0", "10", "20"},
       {300000, 1000000, 1000000},
       "0+441000 ~300000 441000+441000 882000+0 out=882000"},
      // A position equal to the take's length passes; its segment is all silence.
      {{"0", "10", "20"},
       {1000000, 441000, 1000000},
       "0+441000 441000+441000 ~441000 882000+0 out=882000"},
      // The last segment is cut at the longest take.
      {{"0", "10", "20"}, {500000, 600000, 600000}, "0+441000 441000+159000 882000+0 out=600000"},
      {{"0", "10", "10", "20"},
       {1000000, 1000000, 1000000, 1},
       "0+441000 441000+0 441000+441000 882000+0 out=882000"},
      {{"5"}, {1000000}, "220500+0 out=0"},
      {{"0.35", "@20000", "1"}, {50000, 50000, 50000}, "15435+4565 20000+24100 44100+0 out=44100"},
  };
  for (const auto& [times, frames, segments] : cases) {
    EXPECT_EQ(DescribeSegments(MakePlan(OneTrack(times, frames)).tracks[0]), segments);
  }
}

// The largest 16-bit stereo output a RIFF size field can announce (36 header
// bytes after it) stays RIFF; one frame more is RF64, its samples after the
// 36-byte ds64 chunk. A JUNK chunk moves them to the takes' offset within a
// 4096-byte block, unless the output would then need another kind of header.
TEST(MakePlan, DecidesTheHeaderLayoutFromTheOutputLength) {
  const int64_t largestRiff = (int64_t{0xFFFFFFFF} - 36) / 4;
  struct Case {
    int64_t frames;
    int64_t takeDataTag;
    bool rf64;
    int64_t dataOffset;
  };
  const Case cases[] = {
      {largestRiff, 36, false, 44},       // plain takes and output: lined up
      {largestRiff + 1, 36, true, 4140},  // 80 bytes of RF64 header and a JUNK chunk
      {largestRiff, 694, false, 44},      // a pad for takes with a bext chunk would need RF64
      {1000, 694, false, 702},
  };
  for (const Case& c : cases) {
    std::string end = "@";
    end += std::to_string(c.frames);
    ProjectInput input = OneTrack({"0", end}, {c.frames, c.frames});
    for (TakeAttributes& take : input.tracks[0].takes) {
      take.area.dataTag = c.takeDataTag;
    }
    const OutputHeader header = MakePlan(input).tracks[0].header;
    EXPECT_EQ(header.frames, c.frames);
    EXPECT_EQ(header.layout.rf64, c.rf64) << c.frames;
    EXPECT_EQ(header.DataOffset(), c.dataOffset) << c.frames;
    EXPECT_EQ(header.layout.FileBytes(), c.dataOffset + c.frames * 4) << c.frames;
  }
}

// "first+frames" of each crossfade as the check shows it.
std::string DescribeCrossfades(const TrackPlan& track) {
  std::string text;
  for (const EditPlan& edit : track.edits) {
    text += DescribeCrossfade(edit.crossfade) + "; ";
  }
  return text;
}

TEST(MakePlan, FitsCrossfadesBetweenTheCutsAroundThem) {
  constexpr int64_t kLong = 1000000;
  const std::tuple<std::vector<std::string>, const char*, const char*> cases[] = {
      // 200 ms at 44.1 kHz is 8820 frames; segments of 10 s leave it whole.
      {{"0", "10", "20", "30"},
       "200",
       "none; 8820 frames linear from 436590; 8820 frames linear from 877590; none; "},
      // A 100 ms segment between two 500 ms crossfades: each gets the segment's length.
      {{"0", "1", "1.1", "3"},
       "500",
       "none; 4410 frames linear from 41895 (shortened); 4410 frames linear from 46305 "
       "(shortened); none; "},
      // Too close to the start: the cut stays hard, and the next crossfade may
      // fill the segment up to that cut with its first half.
      {{"0", "0.1", "0.3", "3"},
       "500",
       "none; none (too close to the start); 17641 frames linear from 4410 (shortened); none; "},
      // A segment of 0 frames is no cut: the crossfade after it spans both sides.
      {{"0", "1", "1", "2", "3"},
       "200",
       "none; none; 8820 frames linear from 39690; 8820 frames linear from 83790; none; "},
  };
  for (const auto& [times, milliseconds, crossfades] : cases) {
    const Plan plan =
        MakePlan(OneTrack(times, std::vector<int64_t>(times.size(), kLong), 2, milliseconds));
    EXPECT_EQ(DescribeCrossfades(plan.tracks[0]), crossfades) << milliseconds;
  }
}

}  // namespace
}  // namespace wexmont
