#include "driver/read/read_project.h"

#include "driver/read/input_checks.h"
#include "driver/read/take_check.h"
#include "foundation/console.h"

namespace wexmont {

ProjectInput ReadProject(const std::string& outputSuffix, MissingParameterFile whenMissing) {
  ProjectInput input;
  input.outputSuffix = outputSuffix;
  input.crossfades = ReadCrossfadeParams(whenMissing);
  input.baseNames = ReadTrackList();
  input.edits = ReadEditList();
  Say("Planning to build %zu tracks", input.baseNames.size());
  Say(" using %zu edit points.\n\n", input.edits.size());
  CheckCrossfadeSettings(input);
  FormOutputNames(input);
  CheckEditTimes(input);
  if (!input.baseNames.empty()) {
    ProbeTakes(input);
    RefuseOutputsThatAreInputs(input);
  }
  if (!input.crossfades.fileMissing) {
    input.ignoredSettings =
        FindIgnoredSettings(input.crossfades.text, static_cast<int32_t>(input.baseNames.size()));
  }
  return input;
}

}  // namespace wexmont
