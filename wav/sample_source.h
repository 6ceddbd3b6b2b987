// A WAV file opened once for reading, with its sample area found once: what
// segment copies and crossfades read their frames from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "foundation/file_handle.h"
#include "wav/data_chunk.h"

namespace wexmont {

struct SampleSource {
  std::string path;
  FileHandle file;                 // not open when the file could not be opened
  std::optional<SampleArea> area;  // nothing when no sample area was found
  int64_t fileSize = -1;

  // Opens the regular file at `path` and finds its sample area as
  // FindSampleArea does with `lastPosition`. Each reader reports a file that
  // did not open or has no sample area in its own words.
  static SampleSource Open(const std::string& path, int64_t lastPosition);

  bool IsOpen() const { return file.IsOpen(); }
  // Both need a sample area.
  int64_t DataOffset() const { return area->DataOffset(); }
  int64_t AudioFrames(int64_t bytesPerFrame) const;
};

}  // namespace wexmont
