#include "driver/take_check.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"
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
        VisibleText(path).c_str(), DescribeSamples(take).c_str(), take.channels, take.sampleRate,
        kMaxChannels);
  }
}

const char* KindText(SampleKind kind) {
  return kind == SampleKind::kFloat ? "float" : "integer";
}

// The fixed mismatch message names only the track; the line before it names
// both takes and what they disagree on.
void CompareWithFirstTake(const TrackFormat& format, const std::string& firstPath,
                          const TakeAttributes& take, const std::string& path,
                          const std::string& baseName) {
  const std::string first = VisibleText(firstPath);
  const std::string other = VisibleText(path);
  const std::string track = VisibleText(baseName);
  if (take.sampleRate != format.sampleRate) {
    Say(">> %s is at %u Hz, %s at %u Hz\n", other.c_str(), take.sampleRate, first.c_str(),
        format.sampleRate);
    EndRun(">> Samplerate mismatch among %s takes, exiting\n", track.c_str());
  }
  if (take.bitsPerSample != format.bitsPerSample) {
    Say(">> %s holds %d-bit samples, %s %d-bit samples\n", other.c_str(), take.bitsPerSample,
        first.c_str(), format.bitsPerSample);
    EndRun(">> Bit format mismatch among %s takes, exiting\n", track.c_str());
  }
  if (take.channels != format.channels) {
    Say(">> %s is %s, %s %s\n", other.c_str(), ChannelsText(take.channels).c_str(), first.c_str(),
        ChannelsText(format.channels).c_str());
    EndRun(">> Mono-stereo mismatch among %s takes, exiting\n", track.c_str());
  }
  if (take.sampleKind != format.kind) {
    Say(">> %s holds %s samples, %s %s samples\n", other.c_str(), KindText(take.sampleKind),
        first.c_str(), KindText(format.kind));
    EndRun(">> Sample format mismatch among %s takes, exiting\n", track.c_str());
  }
}

// Every take that cannot be opened, each named once in probe order, so that
// one run lists them all.
void RefuseMissingTakes(const RunTables& run) {
  std::vector<std::string> missing;
  std::set<std::string> seen;
  for (int32_t t = 0; t < run.trackCount; ++t) {
    for (int32_t e = 0; e < run.editCount; ++e) {
      const std::string path = TakeFileName(run.baseNames[t], run.takeNames[e]);
      if (seen.insert(path).second && !FileHandle::OpenRegularForReading(path).IsOpen()) {
        missing.push_back(path);
      }
    }
  }
  if (missing.empty()) {
    return;
  }
  for (size_t k = 0; k + 1 < missing.size(); ++k) {
    Say(">> Cannot find file called %s\n", VisibleText(missing[k]).c_str());
  }
  EndRun(">> Cannot find file called %s, exiting\n", VisibleText(missing.back()).c_str());
}

// A take named again is not probed again: its attributes are those found
// the first time, and what the probe said then is said again.
TakeAttributes ProbeOnce(const std::string& path, std::map<std::string, TakeAttributes>& probed) {
  const auto known = probed.find(path);
  if (known == probed.end()) {
    return probed.emplace(path, ProbeTake(path)).first->second;
  }
  if (!known->second.formatChunkFound) {
    SayFormatChunkMissing(path);
  }
  return known->second;
}

}  // namespace

std::string ChannelsText(int32_t channels) {
  constexpr int32_t kMono = 1;
  constexpr int32_t kStereo = 2;
  if (channels == kMono) {
    return "mono";
  }
  if (channels == kStereo) {
    return "stereo";
  }
  return std::to_string(channels) + " channels";
}

void CheckTakes(RunTables& run) {
  RefuseMissingTakes(run);
  const size_t tracks = static_cast<size_t>(run.trackCount);
  run.trackFormat.assign(tracks, TrackFormat{});
  run.longestTake.assign(tracks, 0);
  run.takeFrames.assign(tracks * static_cast<size_t>(run.editCount), 0);
  run.takeTimeReference.assign(run.takeFrames.size(), std::nullopt);
  run.segmentTakeDataOffsets.assign(tracks, {});
  run.trackMetadata.assign(tracks, CarriedMetadata{});

  for (int32_t t = 0; t < run.trackCount; ++t) {
    const std::string& baseName = run.baseNames[t];
    TrackFormat& format = run.trackFormat[t];
    const std::string firstPath = TakeFileName(baseName, run.takeNames[0]);
    std::map<std::string, TakeAttributes> probed;  // a take named at several edit points
    for (int32_t e = 0; e < run.editCount; ++e) {
      const std::string path = TakeFileName(baseName, run.takeNames[e]);
      const TakeAttributes take = ProbeOnce(path, probed);
      const size_t slot = static_cast<size_t>(t) * run.editCount + e;
      run.takeFrames[slot] = take.frameCount;
      run.takeTimeReference[slot] = take.metadata.timeReference;
      std::vector<int64_t>& offsets = run.segmentTakeDataOffsets[t];
      if (e + 1 < run.editCount &&
          std::find(offsets.begin(), offsets.end(), take.dataOffset) == offsets.end()) {
        offsets.push_back(take.dataOffset);
      }
      run.longestTake[t] = std::max(run.longestTake[t], take.frameCount);
      if (e == 0) {
        RefuseUnbuildableFormat(path, take);
        format = {take.sampleRate, take.bitsPerSample, take.channels, take.sampleKind,
                  take.channelMask};
        run.trackMetadata[t] = MetadataToCarry(path, take.metadata, format);
      } else {
        CompareWithFirstTake(format, firstPath, take, path, baseName);
      }
    }
  }
  run.outputLength = run.longestTake;
}

}  // namespace wexmont
