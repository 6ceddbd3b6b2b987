#include "driver/timecode_check.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace wexmont {
namespace {

constexpr uint64_t kSecondsPerMinute = 60;
constexpr uint64_t kSecondsPerHour = 3600;
constexpr uint64_t kMillisecondsPerSecond = 1000;

// "starts at 01:00:02.500 (172920000 samples)".
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

}  // namespace

std::vector<std::string> ComparePassTakes(const std::vector<PassTake>& takes) {
  std::vector<const PassTake*> stamped;
  for (const PassTake& take : takes) {
    if (take.timeReference && take.sampleRate > 0) {
      stamped.push_back(&take);
    }
  }
  std::vector<std::string> lines;
  const PassTake* usual = UsualStart(stamped);
  for (const PassTake* take : stamped) {
    if (SameStart(*take, *usual)) {
      continue;
    }
    std::string line = take->file;
    line += " starts at ";
    line += DescribeStart(*take->timeReference, take->sampleRate);
    line += ", ";
    line += usual->file;
    line += " of the same pass at ";
    line += DescribeStart(*usual->timeReference, usual->sampleRate);
    lines.push_back(std::move(line));
  }
  return lines;
}

std::vector<std::string> ListTimeReferenceDisagreements(const RunTables& run) {
  std::vector<std::string> lines;
  std::set<std::string> compared;
  for (int32_t e = 0; e < run.editCount; ++e) {
    if (!compared.insert(run.takeNames[e]).second) {
      continue;
    }
    std::vector<PassTake> pass;
    for (int32_t t = 0; t < run.trackCount; ++t) {
      pass.push_back({TakeFileName(run.baseNames[t], run.takeNames[e]),
                      run.trackFormat[t].sampleRate,
                      run.takeTimeReference[static_cast<size_t>(t) * run.editCount + e]});
    }
    const std::vector<std::string> passLines = ComparePassTakes(pass);
    lines.insert(lines.end(), passLines.begin(), passLines.end());
  }
  return lines;
}

}  // namespace wexmont
