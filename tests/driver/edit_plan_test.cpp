#include "driver/edit_plan.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace wexmont {
namespace {

// "position+length" per edit point, tail pads as "pad@position:length".
std::string Describe(const TrackPlan& plan) {
  std::string text;
  for (const EditPlanEntry& e : plan.edits) {
    text += std::to_string(e.editPosition) + "+" + std::to_string(e.segmentLength) + " ";
    if (e.tailPad) {
      text +=
          "pad@" + std::to_string(e.tailPadPosition) + ":" + std::to_string(e.tailPadLength) + " ";
    }
  }
  return text + "out=" + std::to_string(plan.outputLength);
}

struct PlanCase {
  std::vector<float> times;
  std::vector<int64_t> takeFrames;
  const char* plan;
};

TEST(PlanTrack, PlacesSegmentsTailPadsAndTheOutputLength) {
  const PlanCase cases[] = {
      {{0, 10, 20}, {1000000, 1000000, 1000000}, "0+441000 441000+441000 0+0 out=882000"},
      // Segments meet: the next position is truncated before the difference.
      {{1.2345f, 2.5f}, {200000, 200000}, "54441+55809 0+0 out=110250"},
      {{0, 10, 20},
       {300000, 1000000, 1000000},
       "0+441000 pad@300000:141000 441000+441000 0+0 out=882000"},
      // A position equal to the take's length passes; its segment is all tail pad.
      {{0, 10, 20},
       {1000000, 441000, 1000000},
       "0+441000 441000+441000 pad@441000:441000 0+0 out=882000"},
      // The last segment is cut at the longest take.
      {{0, 10, 20}, {500000, 600000, 600000}, "0+441000 441000+159000 0+0 out=600000"},
      {{0, 10, 10, 20},
       {1000000, 1000000, 1000000, 1},
       "0+441000 441000+0 441000+441000 0+0 out=882000"},
      {{5}, {1000000}, "0+0 out=0"},
  };
  for (const PlanCase& c : cases) {
    const int64_t longest = *std::max_element(c.takeFrames.begin(), c.takeFrames.end());
    EXPECT_EQ(Describe(PlanTrack(c.times, 44100, c.takeFrames, longest)), c.plan);
  }
}

TEST(CrossfadeFrameCount, TruncatesTheExtendedPrecisionProduct) {
  const std::tuple<float, uint32_t, int64_t> cases[] = {
      {200, 44100, 8820}, {530, 44100, 23372}, {1, 48000, 47}, {350, 44100, 15435}, {0, 96000, 0},
  };
  for (const auto& [milliseconds, rate, frames] : cases) {
    EXPECT_EQ(CrossfadeFrameCount(milliseconds, rate, 1), frames) << milliseconds << " ms";
  }
}

}  // namespace
}  // namespace wexmont
