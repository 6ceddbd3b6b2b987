// The take check: every take of every track is probed, in track and edit
// order. Takes that cannot be found are all named before any is probed. The
// first take of a track must be a format the build renders, and every other
// take must agree with it in rate, width, channels and sample kind. Fixes each
// track's format and longest take, notes every take's time reference, and what
// each output carries of its first take's metadata.
#pragma once

#include "driver/run_tables.h"

namespace wexmont {

void CheckTakes(RunTables& run);

// "mono", "stereo" or "N channels".
std::string ChannelsText(int32_t channels);

}  // namespace wexmont
