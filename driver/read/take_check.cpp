#include "driver/read/take_check.h"

#include <cstdio>
#include <map>
#include <set>
#include <string>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/file_messages.h"
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

// "integer samples", "float samples", "format code 0x0055": a code the
// build does not know is named as it stands.
std::string KindText(SampleKind kind, uint16_t formatCode) {
  if (kind == SampleKind::kOther) {
    char text[32];
    std::snprintf(text, sizeof text, "format code 0x%04X", formatCode);
    return text;
  }
  return kind == SampleKind::kFloat ? "float samples" : "integer samples";
}

// The fixed mismatch message names only the track; the line before it names
// both takes and what they disagree on.
void CompareWithFirstTake(const SampleFormat& format, const std::string& firstPath,
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
    Say(">> %s holds %s, %s %s\n", other.c_str(),
        KindText(take.sampleKind, take.formatCode).c_str(), first.c_str(),
        KindText(format.kind, 0).c_str());
    EndRun(">> Sample format mismatch among %s takes, exiting\n", track.c_str());
  }
}

// Every take that cannot be opened, each named once in probe order with why
// (not there, or the system's reason), so that one run lists them all.
void RefuseMissingTakes(const ProjectInput& input) {
  std::vector<std::string> unopened;
  std::set<std::string> seen;
  for (const std::string& baseName : input.baseNames) {
    for (const EditPoint& edit : input.edits) {
      const std::string path = TakeFileName(baseName, edit.take);
      if (!seen.insert(path).second) {
        continue;
      }
      const FileHandle take = FileHandle::OpenRegularForReading(path);
      if (!take.IsOpen()) {
        unopened.push_back(UnopenedFileText(path, take.Error()));
      }
    }
  }
  if (unopened.empty()) {
    return;
  }
  for (size_t k = 0; k + 1 < unopened.size(); ++k) {
    Say(">> %s\n", unopened[k].c_str());
  }
  EndRun(">> %s, exiting\n", unopened.back().c_str());
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

void ProbeTakes(ProjectInput& input) {
  RefuseMissingTakes(input);
  input.tracks.clear();
  for (const std::string& baseName : input.baseNames) {
    TrackInput& track = input.tracks.emplace_back();
    track.baseName = baseName;
    std::map<std::string, uint32_t> probed;  // a take named at several edit points
    for (size_t e = 0; e < input.edits.size(); ++e) {
      const std::string path = TakeFileName(baseName, input.edits[e].take);
      const auto [known, isNew] = probed.emplace(path, static_cast<uint32_t>(track.takes.size()));
      if (isNew) {
        track.takePaths.push_back(path);
        track.takes.push_back(ProbeTake(path));
      } else if (!track.takes[known->second].formatChunkFound) {
        SayFormatChunkMissing(path);  // what the probe said is said again
      }
      track.takeOfEdit.push_back(known->second);
      const TakeAttributes& take = track.takes[known->second];
      if (e == 0) {
        RefuseUnbuildableFormat(path, take);
        track.format = {take.sampleRate, take.bitsPerSample, take.channels, take.sampleKind,
                        take.channelMask};
        track.metadata = MetadataToCarry(path, take.metadata, track.format);
      } else {
        CompareWithFirstTake(track.format, track.takePaths[0], take, path, baseName);
      }
    }
  }
}

}  // namespace wexmont
