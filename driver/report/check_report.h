// What a run prints of its plan: the crossfade matrix, the notes worth
// knowing before a build, and for a check the plan of every track.
#pragma once

#include "driver/plan/build_plan.h"

namespace wexmont {

// The crossfade of every track as set: number, milliseconds, type.
void PrintCrossfadeMatrix(const Plan& plan);

// "Worth knowing before the build:" and the plan's notes, when it has any.
void PrintPlanNotes(const Plan& plan);

// The plan of every track, one row per edit point, then the notes.
void ReportProjectCheck(const Plan& plan);

// "none", "8820 frames equal-power from 436590", ...: the crossfade column.
std::string DescribeCrossfade(const CrossfadePlan& crossfade);

}  // namespace wexmont
