// One run of Wexmont in the current directory, from banner to "Done".
#pragma once

namespace wexmont {

// Performs the run and returns the exit status: 0 after "Done", 1 after any
// fatal message.
int RunWexmont(int argc, char** argv);

}  // namespace wexmont
