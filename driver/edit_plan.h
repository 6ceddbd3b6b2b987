// The edit plan: edit times in seconds become frame positions, per track at
// the track's own rate and against the track's own takes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "driver/run_tables.h"
#include "wav/wav_header.h"

namespace wexmont {

struct EditPlanEntry {
  int64_t editPosition = 0;   // first frame of the segment, in take and output
  int64_t segmentLength = 0;  // frames copied from the take of this edit point
  bool tailPad = false;       // the take ends before the segment does
  int64_t tailPadLength = 0;
  int64_t tailPadPosition = 0;  // the take's frame count
};

struct TrackPlan {
  std::vector<EditPlanEntry> edits;
  int64_t outputLength = 0;
};

// Truncation toward zero of seconds x rate, formed in extended precision.
// Ends the run when the position does not fit a frame position.
int64_t FramePosition(float seconds, uint32_t sampleRate, int32_t editNumber);

// Crossfade length in frames: (milliseconds / 1000) x rate in extended
// precision, truncated toward zero. Ends the run when it does not fit 32 bits.
int64_t CrossfadeFrameCount(float milliseconds, uint32_t sampleRate, int32_t trackNumber);

// The plan of one track. `times` holds the edit times (the first one not
// below 0), `takeFrames` the frame counts of the track's takes in edit order.
// Ends the run when an edit position lies beyond the end of its take, naming
// the take from `takeFiles` (its file names in edit order) when given.
TrackPlan PlanTrack(std::span<const float> times, uint32_t sampleRate,
                    std::span<const int64_t> takeFrames, int64_t longestTake,
                    std::span<const std::string> takeFiles = {});

// True when the crossfade at a later edit point with a segment is made: the
// track has a curve and the edit lies more than half a crossfade into the
// output, so that the whole crossfade starts after frame 0.
bool CrossfadeIsDue(int64_t editPosition, int64_t crossfadeFrames, int32_t crossfadeType);

// The header of track t's output: its format, its planned length and the
// metadata it carries decide the layout (RF64 past 4 GiB) before anything is
// written. Needs the plan's output lengths.
HeaderLayout OutputHeaderOf(const RunTables& run, int32_t track);

// The plan of track t of the run.
TrackPlan PlanTrackOfRun(const RunTables& run, int32_t track);

// Plans every track, sets output lengths, lead-ins and crossfade frames, and
// prints the crossfade matrix. The last point at which a run can fail before
// an output file is written.
void PlanEdits(RunTables& run);

}  // namespace wexmont
