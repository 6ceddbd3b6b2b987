// The report of `wexmont --check`: after every check a build makes before its
// first output has passed, the plan of every track as the build would carry
// it out. Writes nothing.
#pragma once

#include "driver/run_tables.h"

namespace wexmont {

// Prints the plan of every track of a checked run (edit plan done) and the
// closing line. `parameterFileMissing`: a build would write the template.
void ReportProjectCheck(const RunTables& run, bool parameterFileMissing);

}  // namespace wexmont
