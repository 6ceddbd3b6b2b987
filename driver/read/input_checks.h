// Checks of the project as the user wrote it, all before any take is probed
// or any output created: limits of names, crossfade settings, edit times, and
// outputs that would overwrite an input.
#pragma once

#include <string>

#include "driver/command_line.h"
#include "driver/read/project_input.h"

namespace wexmont {

// The output suffix of the command line. Says which arguments were ignored,
// and ends the run when the suffix is beyond its limit.
std::string ChooseOutputSuffix(const CommandLine& commandLine);

// Types outside 0..4 and lengths that are not finite, for tracks that exist.
void CheckCrossfadeSettings(const ProjectInput& input);

// Forms the output names; refuses names beyond their limits and outputs that
// would take the name of a take, a project file, or the partial name another
// output is built under.
void FormOutputNames(ProjectInput& input);

// Edit times must not decrease, and only the first may be negative. Times of
// two forms (seconds and frame positions) are compared per track in the plan.
void CheckEditTimes(const ProjectInput& input);

// Outputs and the temporary crossfade file that already exist as one of the
// inputs under another name (a link): refused before they are emptied.
void RefuseOutputsThatAreInputs(const ProjectInput& input);

}  // namespace wexmont
