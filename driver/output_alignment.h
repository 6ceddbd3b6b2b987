// The JUNK pad of a track's output header that lets its samples share blocks
// with those of its takes where the file system clones copied ranges.
#pragma once

#include <cstdint>

#include "driver/run_tables.h"

namespace wexmont {

// The pad's size in bytes (0 for none): AlignmentPadBytes of the output's
// header and the data offsets of the takes whose segments are copied. No
// pad where it would make the output too large for its header to announce.
int64_t OutputPadBytes(const RunTables& run, int32_t track);

}  // namespace wexmont
