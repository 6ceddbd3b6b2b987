// The picture of one edit point of the cut sheet: the waveforms of the
// outgoing and the incoming take around the cut (peak envelopes read from
// the takes, only there), with the cut, the crossfade window and the gains
// of both takes drawn over them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "driver/plan/build_plan.h"
#include "driver/report/page_output.h"
#include "foundation/file_handle.h"

namespace wexmont {

// The takes of one track, each opened once, when first drawn.
class OpenTakes {
 public:
  explicit OpenTakes(const TrackPlan& track) : track_(track), files_(track.takes.size()) {}
  // Ends the run when the take cannot be opened.
  const FileHandle& Get(size_t take);

 private:
  const TrackPlan& track_;
  std::vector<FileHandle> files_;
};

// The take heard before edit point `edit` (from 0): the one its crossfade
// fades out, else that of the last edit point before it with a segment.
// Nothing before the first segment (a lead-in is silence).
std::optional<size_t> OutgoingTakeOf(const TrackPlan& track, size_t edit);

// Adds the SVG picture of edit point `edit` (from 0) of `track`.
void AddCutPicture(PageOutput& page, const TrackPlan& track, size_t edit, OpenTakes& takes);

}  // namespace wexmont
