// Takes of one track that were not recorded together: their time references
// (the bext chunk's start time, in samples since midnight) differ from that
// of the take of edit point 1, whose time reference the output carries.
#pragma once

#include <string>
#include <vector>

#include "driver/plan/build_plan.h"
#include "driver/read/project_input.h"

namespace wexmont {

// One note per take (each take file once, at the first edit point that names
// it) whose time reference differs from that of edit point 1's take, a take
// without one counting as different from a take with one; track by track in
// list order. For example: "drums: drumsB.wav (edit point 2) starts at
// 01:00:02.500 (172920000 samples); edit point 1's drumsA.wav starts at
// 01:00:00.000 (172800000 samples): not recorded together; ..."
std::vector<PlanNote> FindTimeReferenceNotes(const ProjectInput& input);

}  // namespace wexmont
