#include "driver/timecode_check.h"

#include <cstdio>
#include <optional>
#include <set>

namespace wexmont {
namespace {

constexpr uint64_t kSecondsPerMinute = 60;
constexpr uint64_t kSecondsPerHour = 3600;
constexpr uint64_t kMillisecondsPerSecond = 1000;

// "starts at 01:00:02.500 (172920000 samples)", or "has no time reference".
std::string DescribeStart(const std::optional<uint64_t>& timeReference, uint32_t sampleRate) {
  if (!timeReference) {
    return "has no time reference";
  }
  const uint64_t seconds = *timeReference / sampleRate;
  const uint64_t milliseconds = *timeReference % sampleRate * kMillisecondsPerSecond / sampleRate;
  char text[96];
  std::snprintf(text, sizeof text, "starts at %02llu:%02llu:%02llu.%03llu (%llu samples)",
                static_cast<unsigned long long>(seconds / kSecondsPerHour),
                static_cast<unsigned long long>(seconds % kSecondsPerHour / kSecondsPerMinute),
                static_cast<unsigned long long>(seconds % kSecondsPerMinute),
                static_cast<unsigned long long>(milliseconds),
                static_cast<unsigned long long>(*timeReference));
  return text;
}

}  // namespace

std::vector<std::string> ListTimeReferenceDisagreements(const RunTables& run) {
  std::vector<std::string> lines;
  for (int32_t t = 0; t < run.trackCount && run.editCount > 0; ++t) {
    const std::string& baseName = run.baseNames[t];
    const uint32_t rate = run.trackFormat[t].sampleRate;
    const size_t first = static_cast<size_t>(t) * run.editCount;
    const std::optional<uint64_t>& reference = run.takeTimeReference[first];
    const std::string firstTake = TakeFileName(baseName, run.takeNames[0]);
    std::set<std::string> listed{firstTake};
    for (int32_t e = 1; e < run.editCount; ++e) {
      const std::string take = TakeFileName(baseName, run.takeNames[e]);
      const std::optional<uint64_t>& start = run.takeTimeReference[first + e];
      if (start == reference || !listed.insert(take).second) {
        continue;
      }
      lines.push_back(baseName + ": " + take + " (edit point " + std::to_string(e + 1) + ") " +
                      DescribeStart(start, rate) + "; edit point 1's " + firstTake + " " +
                      DescribeStart(reference, rate));
    }
  }
  return lines;
}

}  // namespace wexmont
