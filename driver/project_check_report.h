// The report of `wexmont --check`: after every check a build makes before its
// first output has passed, the plan of every track as the build would carry
// it out, and what is worth knowing about it (see FindPlanNotes and
// FindIgnoredSettings). Writes nothing.
#pragma once

#include "driver/run_tables.h"

namespace wexmont {

// Prints the plan of every track of a checked run (edit plan done), the
// notes and the closing line. `parameterFileMissing`: a build would write
// the template.
void ReportProjectCheck(const RunTables& run, bool parameterFileMissing);

}  // namespace wexmont
