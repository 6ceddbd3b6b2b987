// Checks of the project as the user wrote it, all before any output file is
// created: limits of names, crossfade settings, edit times, and outputs that
// would overwrite an input.
#pragma once

#include "driver/command_line.h"
#include "driver/run_tables.h"

namespace wexmont {

// The output suffix of the command line. Says which arguments were ignored,
// and ends the run when the suffix is beyond its limit.
std::string ChooseOutputSuffix(const CommandLine& commandLine);

// Every track slot without a crossfade type of its own takes the default.
void SpreadDefaultCrossfade(RunTables& run);

// Types outside 0..4 and lengths that are not finite, for tracks that exist.
void CheckCrossfadeSettings(const RunTables& run);

// Forms the output names; refuses names beyond their limits and outputs that
// would take the name of a take, a project file, or the partial name another
// output is built under.
void FormOutputNames(RunTables& run);

// Edit times must not decrease. Times that are not numbers pass here and are
// refused by CheckEditTimes.
void CheckEditOrder(const RunTables& run);

// An empty edit list with tracks, times that are not finite, and negative
// times after the first edit point.
void CheckEditTimes(const RunTables& run);

// Outputs and the temporary crossfade file that already exist as one of the
// inputs under another name (a link): refused before they are emptied.
void RefuseOutputsThatAreInputs(const RunTables& run);

}  // namespace wexmont
