#include "driver/plan/timecode_check.h"

#include <cstdio>
#include <optional>
#include <set>

#include "foundation/visible_text.h"

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

std::vector<PlanNote> FindTimeReferenceNotes(const ProjectInput& input) {
  std::vector<PlanNote> notes;
  for (size_t t = 0; t < input.tracks.size(); ++t) {
    const TrackInput& track = input.tracks[t];
    const uint32_t rate = track.format.sampleRate;
    const std::optional<uint64_t>& reference = track.takes[0].metadata.timeReference;
    std::set<std::string> listed{track.takePaths[0]};
    for (size_t e = 1; e < track.takes.size(); ++e) {
      const std::string& take = track.takePaths[e];
      const std::optional<uint64_t>& start = track.takes[e].metadata.timeReference;
      if (start == reference || !listed.insert(take).second) {
        continue;
      }
      std::string text = track.baseName + ": " + take + " (edit point " + std::to_string(e + 1) +
                         ") " + DescribeStart(start, rate) + "; edit point 1's ";
      text += track.takePaths[0] + " " + DescribeStart(reference, rate);
      text = VisibleText(text);
      text += ": not recorded together; the output carries edit point 1's time reference";
      notes.push_back({t + 1, e + 1, std::move(text)});
    }
  }
  return notes;
}

}  // namespace wexmont
