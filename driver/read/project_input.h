// What a run reads: the three project files and the probe of every take,
// checked as far as they can be on their own. The plan is made from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "project/crossfade_params.h"
#include "project/ignored_settings.h"
#include "project/track_lists.h"
#include "wav/carried_metadata.h"
#include "wav/sample_format.h"
#include "wav/take_probe.h"

namespace wexmont {

constexpr const char* kDefaultOutputSuffix = "_bld.wav";
constexpr size_t kSuffixMaxChars = 63;
constexpr size_t kFileNameBytes = 256;  // a take file name and its NUL

// One track and its takes as the probe found them.
struct TrackInput {
  std::string baseName;
  SampleFormat format;       // fixed by the take of edit point 1
  CarriedMetadata metadata;  // what the output carries of that take
  // Each take file once, in the order edit points first name it, with its
  // probe; and per edit point the index of its take.
  std::vector<std::string> takePaths;
  std::vector<TakeAttributes> takes;
  std::vector<uint32_t> takeOfEdit;

  const std::string& PathAt(size_t edit) const { return takePaths[takeOfEdit[edit]]; }
  const TakeAttributes& TakeAt(size_t edit) const { return takes[takeOfEdit[edit]]; }
};

struct ProjectInput {
  std::string outputSuffix = kDefaultOutputSuffix;
  CrossfadeParams crossfades;
  std::vector<std::string> baseNames;
  std::vector<EditPoint> edits;
  std::vector<IgnoredSetting> ignoredSettings;
  std::vector<std::string> outputNames;  // per track
  std::vector<TrackInput> tracks;        // empty until the takes are probed
};

// The file of the take named at an edit point, for one track.
inline std::string TakeFileName(const std::string& baseName, const std::string& takeName) {
  return baseName + takeName + ".wav";
}

}  // namespace wexmont
