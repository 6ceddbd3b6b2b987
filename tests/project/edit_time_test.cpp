#include "project/edit_time.h"

#include <gtest/gtest.h>

namespace wexmont {
namespace {

// The frame a typed time names is the floor of the exact product of its
// digits and the rate; the frames here are worked out by hand.
TEST(EditTime, NamesTheFrameItsDigitsSay) {
  const std::tuple<const char*, uint32_t, int64_t> cases[] = {
      {"0.35", 48000, 16800},
      {"0.35", 44100, 15435},
      {"1.02", 48000, 48960},
      {"3599.9999", 96000, 345599990},
      {"3600.0001", 96000, 345600009},
      {"10", 44100, 441000},
      {"1e1", 44100, 441000},
      {"1.5e-3", 48000, 72},
      {"0.0000208333", 48000, 0},
      {"0.00002083334", 48000, 1},
      {"1:30.25", 48000, 4332000},
      {"1:02:03", 1000, 3723000},
      {"19:25.80719", 100000, 116580719},
      {" 01:00:00.25 ", 8000, 28802000},
      {"-0.5", 48000, 0},
      {"+.5", 8000, 4000},
      {"1:30.", 10, 900},
      {"@16800", 48000, 16800},
      {"@0", 44100, 0},
      {"12.500000", 44100, 551250},
      {"0.1234567890123456789012345", 1000000000, 123456789},
  };
  for (const auto& [field, rate, frame] : cases) {
    const std::optional<EditTime> time = ParseEditTime(field);
    ASSERT_TRUE(time.has_value()) << field;
    EXPECT_EQ(FrameOfEditTime(*time, rate), frame) << field << " at " << rate;
  }
}

TEST(EditTime, OtherTextIsNoTimeAndFarTimesCannotBePlaced) {
  for (const char* field :
       {"1,5",  "10s", "end",    "",       " ",     "0x10",  "inf",       "nan",
        "1:60", "1:5", "1:30:5", "1:2:30", "-1:30", "1::30", "1:30.5.5",  "1:3x",
        "1e",   ".",   "@",      "@-3",    "@1.5",  "@ 4",   "1:02:03:04"}) {
    EXPECT_FALSE(ParseEditTime(field).has_value()) << field;
  }
  for (const char* field : {"1e39", "99999999999999999999:00", "4611686018427387904e0",
                            "@4611686018427387904", "1e999999999999"}) {
    const std::optional<EditTime> time = ParseEditTime(field);
    ASSERT_TRUE(time.has_value()) << field;
    EXPECT_FALSE(FrameOfEditTime(*time, 48000).has_value()) << field;
  }
}

TEST(EditTime, TimesOfOneFormCompareExactly) {
  const std::tuple<const char*, const char*, int> cases[] = {
      {"0", "0.0240", -1},        {"0.35", "0.350", 0}, {"1:30", "90", 0},
      {"0.1", "0.0999999999", 1}, {"-2", "-1", -1},     {"-0", "0", 0},
      {"1e1", "9.99", 1},         {"@5", "@7", -1},     {"100", "20", 1},
  };
  for (const auto& [a, b, order] : cases) {
    EXPECT_EQ(CompareTypedTimes(*ParseEditTime(a), *ParseEditTime(b)), order) << a << " " << b;
  }
  EXPECT_FALSE(CompareTypedTimes(*ParseEditTime("@5"), *ParseEditTime("5")).has_value());
}

}  // namespace
}  // namespace wexmont
