// Reading a project: the three project files, the checks that need nothing
// else, and the probe of every take. Every refusal of a run comes before the
// first output is written.
#pragma once

#include "driver/read/project_input.h"

namespace wexmont {

// Reads and checks the project of the current folder for the build to
// `outputSuffix`; prints the plan summary line. A missing parameter file
// gets its template when asked to.
ProjectInput ReadProject(const std::string& outputSuffix, MissingParameterFile whenMissing);

}  // namespace wexmont
