#include "driver/plan/timecode_check.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "foundation/visible_text.h"

namespace wexmont {
namespace {

constexpr uint64_t kSecondsPerMinute = 60;
constexpr uint64_t kSecondsPerHour = 3600;
constexpr uint64_t kMillisecondsPerSecond = 1000;

// "01:00:02.500 (172920000 samples)".
std::string DescribeStart(uint64_t timeReference, uint32_t sampleRate) {
  const uint64_t seconds = timeReference / sampleRate;
  const uint64_t milliseconds = timeReference % sampleRate * kMillisecondsPerSecond / sampleRate;
  char text[96];
  std::snprintf(text, sizeof text, "%02llu:%02llu:%02llu.%03llu (%llu samples)",
                static_cast<unsigned long long>(seconds / kSecondsPerHour),
                static_cast<unsigned long long>(seconds % kSecondsPerHour / kSecondsPerMinute),
                static_cast<unsigned long long>(seconds % kSecondsPerMinute),
                static_cast<unsigned long long>(milliseconds),
                static_cast<unsigned long long>(timeReference));
  return text;
}

// a / rateA and b / rateB less than a sample of the slower rate apart:
// |a x rateB - b x rateA| < max(rateA, rateB), exact in 128 bits. At one
// rate, only equal counts are the same.
bool SameStart(const PassTake& a, const PassTake& b) {
  __extension__ using Wide = unsigned __int128;
  const Wide left = Wide{*a.timeReference} * b.sampleRate;
  const Wide right = Wide{*b.timeReference} * a.sampleRate;
  const Wide apart = left > right ? left - right : right - left;
  return apart < std::max(a.sampleRate, b.sampleRate);
}

// The take whose start most takes share; the earliest of a tie.
const PassTake* UsualStart(const std::vector<const PassTake*>& stamped) {
  const PassTake* usual = nullptr;
  size_t most = 0;
  for (const PassTake* candidate : stamped) {
    const size_t sharing = static_cast<size_t>(
        std::count_if(stamped.begin(), stamped.end(),
                      [&](const PassTake* other) { return SameStart(*candidate, *other); }));
    if (sharing > most) {
      most = sharing;
      usual = candidate;
    }
  }
  return usual;
}

// The takes of pass `e` (the take named at edit point e) on every track.
std::vector<PassTake> TakesOfPass(const ProjectInput& input, size_t e) {
  std::vector<PassTake> pass;
  for (const TrackInput& track : input.tracks) {
    pass.push_back(
        {track.PathAt(e), track.format.sampleRate, track.TakeAt(e).metadata.timeReference});
  }
  return pass;
}

}  // namespace

std::vector<PassDisagreement> ComparePassTakes(const std::vector<PassTake>& takes) {
  std::vector<const PassTake*> stamped;
  for (const PassTake& take : takes) {
    if (take.timeReference && take.sampleRate > 0) {
      stamped.push_back(&take);
    }
  }
  std::vector<PassDisagreement> disagreements;
  const PassTake* usual = UsualStart(stamped);
  for (const PassTake* take : stamped) {
    if (SameStart(*take, *usual)) {
      continue;
    }
    std::string text = take->file;
    text += " starts at ";
    text += DescribeStart(*take->timeReference, take->sampleRate);
    text += ", ";
    text += usual->file;
    text += " of the same pass at ";
    text += DescribeStart(*usual->timeReference, usual->sampleRate);
    disagreements.push_back({static_cast<size_t>(take - takes.data()), std::move(text)});
  }
  return disagreements;
}

std::vector<PlanNote> FindTimeReferenceNotes(const ProjectInput& input) {
  std::vector<PlanNote> notes;
  std::set<std::string> compared;
  for (size_t e = 0; e < input.edits.size() && !input.tracks.empty(); ++e) {
    if (!compared.insert(input.edits[e].take).second) {
      continue;
    }
    for (PassDisagreement& disagreement : ComparePassTakes(TakesOfPass(input, e))) {
      std::string text = VisibleText(disagreement.text);
      text += ": not recorded together";
      notes.push_back({disagreement.take + 1, e + 1, std::move(text)});
    }
  }
  return notes;
}

}  // namespace wexmont
