// The folder's temporary crossfade file, as a build leaves it behind.
//
// A build gives the file a fresh header (announcing one crossfade of the
// track's format) before every edit point that has a segment, and deletes it
// after every crossfade that was due. Crossfades are rendered straight into
// the output, so the file holds no frames between these moments; it is only
// kept in the state a user finds: the header is written when it differs from
// the one the file already holds, and the file is deleted once the build
// ends with a due crossfade as its last step. A run that stops early removes
// the file once it has written it.
#pragma once

#include <cstdint>
#include <optional>

#include "foundation/unfinished_files.h"
#include "wav/sample_format.h"
#include "wav/wav_header.h"

namespace wexmont {

class TemporaryCrossfadeFile {
 public:
  TemporaryCrossfadeFile() = default;
  TemporaryCrossfadeFile(const TemporaryCrossfadeFile&) = delete;
  TemporaryCrossfadeFile& operator=(const TemporaryCrossfadeFile&) = delete;

  // The fresh header of an edit point. Ends the run when the file cannot be
  // written.
  void FreshHeader(const SampleFormat& format, int64_t crossfadeFrames);
  // A due crossfade is done: the file is to be deleted.
  void CrossfadeDone() { deleted_ = true; }
  // The build is complete: the file is deleted when a due crossfade was the
  // last step, and otherwise stays with the header last written.
  void Finish();

 private:
  WavHeader written_;  // what this run last wrote to the file; empty before
  bool deleted_ = false;
  std::optional<UnfinishedFile> unfinished_;  // from this run's first header until Finish
};

}  // namespace wexmont
