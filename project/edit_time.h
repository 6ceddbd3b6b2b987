// The time field of an edit list line, as people type it: seconds as one
// decimal number, or minutes and seconds (m:ss), or hours, minutes and
// seconds (h:mm:ss), the seconds with decimals if wanted; or an exact frame
// position (@16800), as editors that count samples export it.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "project/decimal.h"

namespace wexmont {

// Frame positions stay below this, leaving room for sums of positions.
constexpr int64_t kFirstUnfitFrame = int64_t{1} << 62;

struct EditTime {
  Decimal seconds;               // exactly as typed; m:ss is its whole seconds
  std::optional<int64_t> frame;  // an exact frame position instead
};

// The time of `field`; spaces around it are allowed. "1:30.1" is exactly
// 90.1 s. Nothing when the field is anything else ("1,5", "10s", "end",
// "0x10", "inf", "@-3", an empty field).
std::optional<EditTime> ParseEditTime(std::string_view field);

// The frame a time names at `sampleRate`: the floor of the exact product of
// seconds and rate, 0 for a negative time. Nothing when it lies too far from
// the start to be placed.
std::optional<int64_t> FrameOfEditTime(const EditTime& time, uint32_t sampleRate);

bool IsNegative(const EditTime& time);

// The order of two times of the same form (-1, 0, 1); nothing for a frame
// position against seconds, whose order depends on the rate.
std::optional<int> CompareTypedTimes(const EditTime& a, const EditTime& b);

// "12.5 s" or "frame 16800", for messages.
std::string DescribeEditTime(const EditTime& time);

}  // namespace wexmont
