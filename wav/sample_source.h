// A WAV file opened once for reading, with its sample area found once: what
// segment copies and crossfades read their frames from.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "foundation/file_handle.h"
#include "wav/data_chunk.h"

namespace wexmont {

struct SampleSource {
  std::string path;
  FileHandle file;                 // not open when the file could not be opened
  std::optional<SampleArea> area;  // nothing when no sample area was found
  int64_t fileSize = -1;

  // Opens the regular file at `path`, whose sample area the probe found.
  // Each reader reports a file that did not open in its own words.
  static SampleSource Open(const std::string& path, const SampleArea& area);

  bool IsOpen() const { return file.IsOpen(); }
  // Both need a sample area.
  int64_t DataOffset() const { return area->DataOffset(); }
  int64_t AudioFrames(int64_t bytesPerFrame) const;
};

// Sample sources kept open from one operation to the next, so that each is
// opened, and its sample area found, once instead of at every read: the
// takes of a track, from one edit point to the next. At most kMostOpen stay
// open; the one used longest ago is closed first.
class OpenSampleSources {
 public:
  // The source at `path`, opened if it is not open yet. It stays in place
  // until kMostOpen others were used after it.
  const SampleSource& Get(const std::string& path, const SampleArea& area);

  static constexpr size_t kMostOpen = 8;

 private:
  struct Entry {
    std::unique_ptr<SampleSource> source;
    int64_t lastUse;
  };
  std::vector<Entry> sources_;
  int64_t uses_ = 0;
};

}  // namespace wexmont
