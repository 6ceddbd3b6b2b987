// Every table of one run. The driver owns them from start to exit; the
// steps of the run read and fill them in order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "project/crossfade_params.h"
#include "project/track_lists.h"
#include "wav/carried_metadata.h"
#include "wav/sample_format.h"

namespace wexmont {

constexpr const char* kDefaultOutputSuffix = "_bld.wav";
constexpr const char* kTemporaryCrossfadeFile = "xfade_temp.wav";
constexpr size_t kSuffixMaxChars = 63;
constexpr size_t kFileNameBytes = 256;  // a take file name and its NUL

// The format a track's first take fixes for all of its takes and its output.
using TrackFormat = SampleFormat;

struct RunTables {
  std::string outputSuffix = kDefaultOutputSuffix;
  NameTable baseNames;    // per track
  NameTable takeNames;    // per edit point
  NameTable outputNames;  // per track
  int32_t trackCount = 0;
  int32_t editCount = 0;
  EditTimes editTimes{};

  CrossfadeTypes crossfadeType{};
  CrossfadeLengths crossfadeLength{};
  int32_t defaultCrossfadeType = 0;
  float defaultCrossfadeLength = 0.0f;

  // From the take check, per track.
  std::vector<TrackFormat> trackFormat;
  std::vector<int64_t> longestTake;
  std::vector<int64_t> takeFrames;  // frames of take e of track t at t * editCount + e
  // Time reference of take e of track t (its bext chunk's), at the same place.
  std::vector<std::optional<uint64_t>> takeTimeReference;
  // Where the samples start in the files of the takes whose segments track t
  // copies (those of every edit point but the last), each offset once.
  std::vector<std::vector<int64_t>> segmentTakeDataOffsets;
  // What the output carries of the track's first take: bext and iXML.
  std::vector<CarriedMetadata> trackMetadata;

  // From the edit plan, per track.
  std::vector<int64_t> outputLength;
  std::vector<int64_t> leadIn;
  std::vector<int64_t> crossfadeFrames;

  int64_t TakeFrames(int32_t track, int32_t edit) const {
    return takeFrames[static_cast<size_t>(track) * editCount + edit];
  }
};

// The file of the take named at an edit point, for one track.
inline std::string TakeFileName(const std::string& baseName, const std::string& takeName) {
  return baseName + takeName + ".wav";
}

}  // namespace wexmont
