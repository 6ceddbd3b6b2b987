// What a careful engineer wants to know of a plan before a long build:
// places where the output will not be what the edit list seems to say. The
// build carries the plan out as it is and says nothing of them; the check
// lists them.
#pragma once

#include <string>
#include <vector>

#include "driver/edit_plan.h"
#include "driver/run_tables.h"

namespace wexmont {

// Notes on track t and its plan: crossfades left out because the edit lies
// too close to the start or its outgoing take ends before it starts,
// crossfades that overlap the next one, silence where a take ends inside its
// segment, and an output that ends before the last edit point.
std::vector<std::string> FindPlanNotes(const RunTables& run, int32_t t, const TrackPlan& plan);

}  // namespace wexmont
