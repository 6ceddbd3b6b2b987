// The check of the folder a build writes in: that the parameter template,
// every output (under its partial name, then renamed over the old one) and
// the temporary crossfade file can be created and replaced there. Nothing is
// left behind.
#pragma once

#include "driver/plan/build_plan.h"

namespace wexmont {

// Ends the run with the refusal the build would give at its first write
// that cannot succeed: the template (when the parameter file is missing),
// the temporary file (where the plan touches it), then the outputs in track
// order.
void CheckFolderIsWritable(const Plan& plan);

}  // namespace wexmont
