// What a careful engineer wants to know of a plan before a long build:
// places where the output will not be what the edit list seems to say. The
// check lists them with the plan, the build before it starts.
#pragma once

#include <vector>

#include "driver/plan/build_plan.h"
#include "driver/read/project_input.h"

namespace wexmont {

// Per track: crossfades left out or shortened, silence where a take ends
// inside its segment, an output that ends before the last edit point or
// holds no frames; then takes not recorded together, settings lines that set
// nothing, and a missing parameter file.
std::vector<PlanNote> FindPlanNotes(const ProjectInput& input, const Plan& plan);

}  // namespace wexmont
