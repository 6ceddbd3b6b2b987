// The take check: every take of every track is probed, in track and edit
// order, and must agree with the track's first take in rate, width and
// channels. Takes that cannot be found are all named before any is probed.
// Fixes each track's format and longest take.
#pragma once

#include "driver/run_tables.h"

namespace wexmont {

void CheckTakes(RunTables& run);

// "mono", "stereo" or "N channels".
std::string ChannelsText(int32_t channels);

}  // namespace wexmont
