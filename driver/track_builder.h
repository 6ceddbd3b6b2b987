// The track builder: writes each track's output file from its takes, edit
// point by edit point, with a crossfade rendered over every due cut.
#pragma once

#include "driver/run_tables.h"

namespace wexmont {

void BuildTracks(const RunTables& run);

}  // namespace wexmont
