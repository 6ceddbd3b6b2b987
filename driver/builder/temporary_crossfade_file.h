// The folder's temporary crossfade file, as a build leaves it behind.
//
// Crossfades are rendered straight into the outputs, so the file holds no
// frames; it is only left in the state users find after a build: deleted
// when the build's last edit point with a segment had a crossfade due, and
// otherwise holding the header of one crossfade of the last track built. A
// build in which no edit point has a segment leaves whatever stands there.
#pragma once

#include <optional>

#include "driver/plan/build_plan.h"
#include "foundation/unfinished_files.h"

namespace wexmont {

class TemporaryCrossfadeFile {
 public:
  // Writes the file's header before the first output, where the plan touches
  // it; a run that stops early removes it. Ends the run when it cannot be
  // written.
  explicit TemporaryCrossfadeFile(const TemporaryFilePlan& plan);
  TemporaryCrossfadeFile(const TemporaryCrossfadeFile&) = delete;
  TemporaryCrossfadeFile& operator=(const TemporaryCrossfadeFile&) = delete;

  // The build is complete: deletes the file or keeps it, as planned.
  void Finish();

 private:
  const TemporaryFilePlan& plan_;
  std::optional<UnfinishedFile> unfinished_;
};

}  // namespace wexmont
