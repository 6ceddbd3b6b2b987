#include "driver/take_check.h"

#include "foundation/console.h"
#include "wav/take_probe.h"

namespace wexmont {
namespace {

// The first take fixes the track's format, so it must be one the build can
// render: 16- or 24-bit, mono or stereo, at a real sample rate.
void RefuseUnbuildableFormat(const std::string& path, const TakeAttributes& take) {
  const bool width = take.bitsPerSample == 16 || take.bitsPerSample == 24;
  const bool channels = take.channels == 1 || take.channels == 2;
  if (!width || !channels || take.sampleRate == 0) {
    EndRun(
        ">> Take %s is %d-bit audio with %d channels at %u Hz, only 16- or 24-bit mono or "
        "stereo takes can be built, exiting\n",
        path.c_str(), take.bitsPerSample, take.channels, take.sampleRate);
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
    for (int32_t e = 0; e < run.editCount; ++e) {
      const std::string path = TakeFileName(baseName, run.takeNames[e]);
      const TakeAttributes take = ProbeTake(path);
      run.takeFrames[static_cast<size_t>(t) * run.editCount + e] = take.frameCount;
      run.longestTake[t] = std::max(run.longestTake[t], take.frameCount);
      if (e == 0) {
        RefuseUnbuildableFormat(path, take);
        format = {take.sampleRate, take.bitsPerSample, take.bytesPerSample, take.channels};
      } else {
        CompareWithFirstTake(format, take, baseName);
      }
    }
  }
  run.outputLength = run.longestTake;
}

}  // namespace wexmont
