#include "driver/take_check.h"

#include <cstdio>
#include <map>
#include <string>

#include "foundation/console.h"
#include "wav/take_probe.h"

namespace wexmont {
namespace {

bool IsBuildableSample(const TakeAttributes& take) {
  switch (take.sampleKind) {
    case SampleKind::kInteger:
      return take.bitsPerSample == 16 || take.bitsPerSample == 24 || take.bitsPerSample == 32;
    case SampleKind::kFloat:
      return take.bitsPerSample == 32;
    default:
      return false;
  }
}

// "24-bit integer PCM", "64-bit float", "format code 0x0055".
std::string DescribeSamples(const TakeAttributes& take) {
  char text[64];
  if (take.sampleKind == SampleKind::kOther) {
    std::snprintf(text, sizeof text, "format code 0x%04X", take.formatCode);
  } else {
    std::snprintf(text, sizeof text, "%d-bit %s", take.bitsPerSample,
                  take.sampleKind == SampleKind::kFloat ? "float" : "integer PCM");
  }
  return text;
}

// The first take fixes the track's format, so it must be one the build can
// render, at a real sample rate.
void RefuseUnbuildableFormat(const std::string& path, const TakeAttributes& take) {
  const bool channels = take.channels >= 1 && take.channels <= kMaxChannels;
  if (!IsBuildableSample(take) || !channels || take.sampleRate == 0) {
    EndRun(
        ">> Take %s holds %s, %d channels at %u Hz; takes must be 16-, 24- or 32-bit integer PCM "
        "or 32-bit float, 1 to %d channels, exiting\n",
        path.c_str(), DescribeSamples(take).c_str(), take.channels, take.sampleRate, kMaxChannels);
  }
}

void CompareWithFirstTake(const TrackFormat& format, const TakeAttributes& take,
                          const std::string& baseName) {
  if (take.sampleRate != format.sampleRate) {
    EndRun(">> Samplerate mismatch among %s takes, exiting\n", baseName.c_str());
  }
  if (take.bitsPerSample != format.bitsPerSample) {
    EndRun(">> Bit format mismatch among %s takes, exiting\n", baseName.c_str());
  }
  if (take.channels != format.channels) {
    EndRun(">> Mono-stereo mismatch among %s takes, exiting\n", baseName.c_str());
  }
  if (take.sampleKind != format.kind) {
    EndRun(">> Sample format mismatch among %s takes, exiting\n", baseName.c_str());
  }
}

// A take named again is not probed again: its attributes are those found
// the first time, and what the probe said then is said again.
TakeAttributes ProbeOnce(const std::string& path, std::map<std::string, TakeAttributes>& probed) {
  const auto known = probed.find(path);
  if (known == probed.end()) {
    return probed.emplace(path, ProbeTake(path)).first->second;
  }
  if (!known->second.formatChunkFound) {
    SayFormatChunkMissing();
  }
  return known->second;
}

}  // namespace

void CheckTakes(RunTables& run) {
  const size_t tracks = static_cast<size_t>(run.trackCount);
  run.trackFormat.assign(tracks, TrackFormat{});
  run.longestTake.assign(tracks, 0);
  run.takeFrames.assign(tracks * static_cast<size_t>(run.editCount), 0);

  for (int32_t t = 0; t < run.trackCount; ++t) {
    const std::string& baseName = run.baseNames[t];
    TrackFormat& format = run.trackFormat[t];
    std::map<std::string, TakeAttributes> probed;  // a take named at several edit points
    for (int32_t e = 0; e < run.editCount; ++e) {
      const std::string path = TakeFileName(baseName, run.takeNames[e]);
      const TakeAttributes take = ProbeOnce(path, probed);
      run.takeFrames[static_cast<size_t>(t) * run.editCount + e] = take.frameCount;
      run.longestTake[t] = std::max(run.longestTake[t], take.frameCount);
      if (e == 0) {
        RefuseUnbuildableFormat(path, take);
        format = {take.sampleRate, take.bitsPerSample, take.channels, take.sampleKind,
                  take.channelMask};
      } else {
        CompareWithFirstTake(format, take, baseName);
      }
    }
  }
  run.outputLength = run.longestTake;
}

}  // namespace wexmont
