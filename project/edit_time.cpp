#include "project/edit_time.h"

#include <cstdint>
#include <cstdio>
#include <limits>
#include <string>
#include <vector>

#include "project/text_file.h"

namespace wexmont {
namespace {

constexpr uint64_t kSixty = 60;  // seconds per minute, minutes per hour
constexpr size_t kClockFieldDigits = 2;
constexpr size_t kMostClockFields = 3;
constexpr char kFramePrefix = '@';
constexpr const char* kBeyondEveryPosition = "1e1000";

std::vector<std::string_view> SplitAtColons(std::string_view text) {
  std::vector<std::string_view> fields;
  size_t start = 0;
  for (size_t colon = text.find(':'); colon != std::string_view::npos;
       colon = text.find(':', start)) {
    fields.push_back(text.substr(start, colon - start));
    start = colon + 1;
  }
  fields.push_back(text.substr(start));
  return fields;
}

// Adds `value` to `total` x 60, or reports that the total no longer fits.
bool AccumulateSixties(uint64_t& total, uint64_t value) {
  if (total > (std::numeric_limits<uint64_t>::max() - value) / kSixty) {
    return false;
  }
  total = total * kSixty + value;
  return true;
}

// The whole number of a run of digits, or nothing when it does not fit.
std::optional<uint64_t> WholeNumber(std::string_view digits) {
  uint64_t value = 0;
  constexpr uint64_t kTen = 10;
  for (const char c : digits) {
    const auto digit = static_cast<uint64_t>(c - '0');
    if (value > (std::numeric_limits<uint64_t>::max() - digit) / kTen) {
      return std::nullopt;
    }
    value = value * kTen + digit;
  }
  return value;
}

// "1:30.5" -> "90.5": the whole seconds counted as an integer, the decimals
// appended as typed. Nothing when the text is no m:ss or h:mm:ss; a number
// far beyond every frame position when the seconds do not fit a count.
std::optional<std::string> ClockAsSeconds(std::string_view text) {
  const std::vector<std::string_view> fields = SplitAtColons(text);
  if (fields.size() < 2 || fields.size() > kMostClockFields) {
    return std::nullopt;
  }
  const std::string_view lastField = fields.back();
  const size_t point = lastField.find('.');
  const std::string_view decimals =
      point == std::string_view::npos ? std::string_view() : lastField.substr(point);
  if (DigitsAt(decimals, 1) + 1 < decimals.size()) {
    return std::nullopt;  // something other than digits after the point
  }
  const std::string_view first = fields.front();
  if (first.empty() || DigitsAt(first, 0) != first.size()) {
    return std::nullopt;
  }
  const std::optional<uint64_t> hours = WholeNumber(first);  // or minutes, for m:ss
  uint64_t total = hours.value_or(0);
  bool fits = hours.has_value();
  for (size_t k = 1; k < fields.size(); ++k) {
    const std::string_view sixties =
        k + 1 == fields.size() ? lastField.substr(0, point) : fields[k];
    if (sixties.size() != kClockFieldDigits || DigitsAt(sixties, 0) != kClockFieldDigits) {
      return std::nullopt;
    }
    const uint64_t value = WholeNumber(sixties).value_or(kSixty);  // two digits always fit
    if (value >= kSixty) {
      return std::nullopt;
    }
    fits = fits && AccumulateSixties(total, value);
  }
  if (!fits) {
    return kBeyondEveryPosition;
  }
  return std::to_string(total) + std::string(decimals);
}

// "@16800": a frame position, digits only.
std::optional<int64_t> FramePositionOf(std::string_view text) {
  if (!text.starts_with(kFramePrefix)) {
    return std::nullopt;
  }
  const std::string_view digits = text.substr(1);
  if (digits.empty() || DigitsAt(digits, 0) != digits.size()) {
    return std::nullopt;
  }
  const std::optional<uint64_t> frame = WholeNumber(digits);
  if (!frame || *frame >= static_cast<uint64_t>(kFirstUnfitFrame)) {
    return kFirstUnfitFrame;  // refused when it is placed
  }
  return static_cast<int64_t>(*frame);
}

}  // namespace

std::optional<EditTime> ParseEditTime(std::string_view field) {
  const std::string_view text = TrimSpaces(field);
  if (const std::optional<int64_t> frame = FramePositionOf(text)) {
    return EditTime{{}, frame};
  }
  if (std::optional<Decimal> seconds = ParseDecimal(text)) {
    return EditTime{std::move(*seconds), std::nullopt};
  }
  if (const std::optional<std::string> seconds = ClockAsSeconds(text)) {
    return EditTime{ParseDecimal(*seconds).value_or(Decimal{}), std::nullopt};
  }
  return std::nullopt;
}

std::optional<int64_t> FrameOfEditTime(const EditTime& time, uint32_t sampleRate) {
  if (time.frame) {
    return *time.frame < kFirstUnfitFrame ? time.frame : std::nullopt;
  }
  if (time.seconds.negative) {
    return 0;
  }
  return FloorScaled(time.seconds, sampleRate, 0, kFirstUnfitFrame);
}

bool IsNegative(const EditTime& time) {
  return !time.frame && time.seconds.negative && !time.seconds.IsZero();
}

std::optional<int> CompareTypedTimes(const EditTime& a, const EditTime& b) {
  if (a.frame && b.frame) {
    return *a.frame < *b.frame ? -1 : *a.frame > *b.frame ? 1 : 0;
  }
  if (!a.frame && !b.frame) {
    return CompareDecimals(a.seconds, b.seconds);
  }
  return std::nullopt;
}

std::string DescribeEditTime(const EditTime& time) {
  if (time.frame) {
    return "frame " + std::to_string(*time.frame);
  }
  char text[64];
  std::snprintf(text, sizeof text, "%.6g s", time.seconds.Approximate());
  return text;
}

}  // namespace wexmont
