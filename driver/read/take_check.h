// The probe of every take of every track, with the format checks: the takes
// of a track must agree in rate, width, channels and sample kind, and the
// first must be one the build can render.
#pragma once

#include <string>

#include "driver/read/project_input.h"

namespace wexmont {

// "mono", "stereo" or "6 channels".
std::string ChannelsText(int32_t channels);

// Probes the take of every edit point of every track, in track and edit
// order, each take file once, and fills `input.tracks`. Ends the run at the
// first missing take (after naming every missing one), unreadable take or
// format mismatch.
void ProbeTakes(ProjectInput& input);

}  // namespace wexmont
