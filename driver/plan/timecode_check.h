// Takes of one pass that were not recorded together. A pass is recorded on
// every track at once, so its takes (the same take name on every track:
// drumsB.wav, bassB.wav, ...) share the time reference a recorder stamps on
// them (the bext chunk's start time, in samples since midnight). A take of
// another pass put in by mistake starts elsewhere. The takes of one track come
// from different passes, so their time references differ as a rule and are
// not compared.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "driver/plan/build_plan.h"
#include "driver/read/project_input.h"

namespace wexmont {

// The take of one track in one pass.
struct PassTake {
  std::string file;  // drumsB.wav
  uint32_t sampleRate = 0;
  std::optional<uint64_t> timeReference;  // none: no bext, not compared
};

// A take of a pass that starts elsewhere than the pass's usual start.
struct PassDisagreement {
  size_t take = 0;   // index into the pass's takes
  std::string text;  // naming it and a take that starts at the usual start
  bool operator==(const PassDisagreement&) const = default;
};

// Where the takes of one pass (in track order) disagree: each take whose
// start differs from the pass's usual one, with both times. The usual start is the one most of the
// takes with a time reference share; where as many share another, the one
// of the earlier track. Starts at different rates are the same when they lie
// less than a sample of the slower rate apart. No line feeds. For example:
// "bassB.wav starts at 01:00:02.500 (120120000 samples), drumsB.wav of the
// same pass at 01:00:00.000 (172800000 samples)"
std::vector<PassDisagreement> ComparePassTakes(const std::vector<PassTake>& takes);

// One note per take that disagrees with the other takes of its pass (each
// take name once, at the first edit point that names it), "...: not
// recorded together", on the take's track and that edit point.
std::vector<PlanNote> FindTimeReferenceNotes(const ProjectInput& input);

}  // namespace wexmont
