// The track builder: carries out the plan of every track, piece by piece and
// front to back, into its output, and leaves the temporary crossfade file as
// the plan says.
#pragma once

#include "driver/plan/build_plan.h"

namespace wexmont {

void BuildTracks(const Plan& plan);

}  // namespace wexmont
