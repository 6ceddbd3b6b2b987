// Cut markers of an output: a cue point named "edit 3: B" at the first frame
// of every edit point that has a segment, and after it a region named
// "crossfade 3" over every crossfade the build renders there, from its first
// frame for as many frames as it renders. Written after the samples when the
// parameter file says "markers TAB 1".
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "driver/edit_plan.h"
#include "driver/run_tables.h"
#include "wav/marker_chunks.h"

namespace wexmont {

// The cue point of edit point `edit` (counted from 0) of take `takeName`.
CutMarker CutAt(int32_t edit, const std::string& takeName, int64_t firstFrame);

// The region of the crossfade at edit point `edit` (counted from 0).
CutMarker CrossfadeRegion(int32_t edit, int64_t firstFrame, int64_t frames);

// The markers the build of track t writes when its crossfades render where
// the plan places them: a crossfade that is due, starts after frame 0 and no
// later than the end of its outgoing take, for its frames up to the end of
// the output. None when the run writes no markers.
std::vector<CutMarker> PlannedCutMarkers(const RunTables& run, int32_t t, const TrackPlan& plan);

// What the check says of them: "Cut markers after the samples: 3 cue points
// at the cuts, 2 crossfade regions".
std::string DescribeCutMarkers(const std::vector<CutMarker>& markers);

}  // namespace wexmont
