// The cut sheet: one self-contained HTML page of the plan, to look at and
// listen to every edit point. Per track an overview (the output's timeline,
// a lane per take, each segment in its lane, each crossfade, the notes), and
// per edit point the waveforms of both takes around the cut with the
// crossfade over them and, where the output has been built, a player of the
// output from a second before the cut to a second after it.
#pragma once

#include "driver/plan/build_plan.h"

namespace wexmont {

constexpr const char* kCutSheetFile = "wexmont_sheet.html";

// Writes the sheet of `plan` to kCutSheetFile in the current folder,
// replacing it whole. Reads the takes only around the cuts, and of the
// outputs only whether they exist. Ends the run when a take cannot be read
// or the page cannot be written; the previous page then stays as it was.
void WriteCutSheet(const Plan& plan);

}  // namespace wexmont
