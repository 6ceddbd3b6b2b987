// Cut markers of an output: a cue point named "edit 3: B" at the first frame
// of every edit point that has a segment, and after it a region named
// "crossfade 3" over every crossfade made there, from its first frame for as
// many frames as the output holds of it. Written after the samples when the
// parameter file says "markers TAB 1".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/plan/build_plan.h"
#include "project/track_lists.h"
#include "wav/marker_chunks.h"

namespace wexmont {

// The cue point of edit point `edit` (counted from 0) of take `takeName`.
CutMarker CutAt(size_t edit, const std::string& takeName, int64_t firstFrame);

// The region of the crossfade at edit point `edit` (counted from 0).
CutMarker CrossfadeRegion(size_t edit, int64_t firstFrame, int64_t frames);

// The markers of `track` once its segments and crossfades are decided, edit
// point by edit point; `edits` names the take of each.
std::vector<CutMarker> PlanCutMarkers(const TrackPlan& track, const std::vector<EditPoint>& edits);

// What the check says of them: "Cut markers after the samples: 3 cue points
// at the cuts, 2 crossfade regions".
std::string DescribeCutMarkers(const std::vector<CutMarker>& markers);

}  // namespace wexmont
