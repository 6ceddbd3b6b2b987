#include "project/edit_time.h"

#include <gtest/gtest.h>

#include <cmath>

#include "project/text_file.h"

namespace wexmont {
namespace {

TEST(ParseEditTime, ClockTimesAreExactlyTheirSecondsAndOtherTextIsNoTime) {
  // Each field gives the float that the decimal text beside it gives.
  // "19:25.80719" is one where adding 1140 to the float of 25.80719 would not.
  const std::pair<const char*, const char*> times[] = {
      {"1:30.1", "90.1"},
      {"19:25.80719", "1165.80719"},
      {"0:10", "10"},
      {" 01:00:00.25 ", "3600.25"},
      {"123:45:06.7", "445506.7"},
      {"1:30.", "90."},
      {"-1.5e-3", "-1.5e-3"},
      {"+.5", "+.5"},
      {" 7 ", "7"},
  };
  for (const auto& [field, seconds] : times) {
    EXPECT_EQ(ParseEditTime(field), ToFloat(seconds)) << field;
  }
  for (const char* field : {"1,5", "10s", "end", "", " ", "0x10", "inf", "nan", "1:60", "1:5",
                            "1:30:5", "1:2:30", "-1:30", "1::30", "1:30.5.5", "1:3x", "1e", "."}) {
    EXPECT_FALSE(ParseEditTime(field).has_value()) << field;
  }
  EXPECT_FALSE(std::isfinite(*ParseEditTime("99999999999999999999:00")));
}

}  // namespace
}  // namespace wexmont
