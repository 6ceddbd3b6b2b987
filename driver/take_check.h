// The take check: every take of every track is probed, in track and edit
// order, and must agree with the track's first take in rate, width and
// channels. Fixes each track's format and longest take.
#pragma once

#include "driver/run_tables.h"

namespace wexmont {

void CheckTakes(RunTables& run);

}  // namespace wexmont
