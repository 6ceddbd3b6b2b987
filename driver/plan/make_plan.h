// Making the plan: edit times become frame positions per track, at the
// track's own rate and against its own takes; every crossfade is decided and
// fitted, and every output is laid out as pieces, front to back.
#pragma once

#include "driver/plan/build_plan.h"
#include "driver/read/project_input.h"

namespace wexmont {

// The whole plan of a run from what was read, with its notes. Ends the run
// when an edit point cannot be placed (too far from the start, out of
// sequence, beyond the end of its take) or an output would not fit a WAV
// file. Reads and writes no file.
Plan MakePlan(const ProjectInput& input);

// The output of a planned track front to back: silence, copies and
// crossfades that tile it exactly, each frame written once. Laid out from the
// plan's decisions when a track is built, so that a plan of many tracks holds
// no pieces.
std::vector<Piece> LayOutPieces(const TrackPlan& track);

}  // namespace wexmont
