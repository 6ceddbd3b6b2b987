#include "driver/track_builder.h"

#include <cstdio>
#include <optional>

#include "driver/edit_plan.h"
#include "foundation/console.h"
#include "foundation/replacement_file.h"
#include "foundation/unfinished_files.h"
#include "foundation/visible_text.h"
#include "wav/segment_copy.h"
#include "wav/wav_header.h"
#include "xfade/crossfade.h"

namespace wexmont {
namespace {

// What one track's build needs at every edit point.
struct TrackJob {
  const RunTables& run;
  int32_t track;
  const std::string& output;  // where the output is written while it is built
  const TrackFormat& format;
  TrackPlan plan;
  int64_t crossfadeFrames;
  int32_t crossfadeType;
  std::optional<UnfinishedFile>& temporary;  // once this run has written it
  int64_t furthestFrame = 0;                 // end of the furthest frame written so far

  void Wrote(int64_t frame, int64_t frameCount) {
    furthestFrame = std::max(furthestFrame, frame + frameCount);
  }
};

void FreshTemporaryFile(TrackJob& job) {
  if (!job.temporary) {
    job.temporary.emplace(kTemporaryCrossfadeFile);
  }
  WriteWavHeader(kTemporaryCrossfadeFile, job.format, job.crossfadeFrames);
}

void PadSilence(TrackJob& job, int64_t frame, int64_t frameCount) {
  WriteSilence(job.output, frame, job.format.BytesPerSample(), job.format.channels, frameCount);
  job.Wrote(frame, frameCount);
}

// The segment of an edit point and, where its take ends early, the tail pad.
void WriteSegment(TrackJob& job, const std::string& incomingTake, const EditPlanEntry& edit) {
  CopyFrames(job.output, incomingTake, edit.editPosition, job.format.BytesPerSample(),
             job.format.channels, edit.segmentLength, edit.editPosition);
  job.Wrote(edit.editPosition, edit.segmentLength);
  if (edit.tailPad) {
    PadSilence(job, edit.tailPadPosition, edit.tailPadLength);
  }
}

void BuildFirstEdit(TrackJob& job, const std::string& incomingTake) {
  const EditPlanEntry& edit = job.plan.edits[0];
  if (edit.segmentLength < 1) {
    return;
  }
  FreshTemporaryFile(job);
  const int64_t leadIn = job.run.leadIn[job.track];
  if (leadIn != 0) {
    PadSilence(job, 0, leadIn);
  }
  WriteSegment(job, incomingTake, edit);
}

// The crossfade is rendered from the takes before anything of this edit
// point is written, and copied over the cut last, so that it covers both
// sides of the cut.
void BuildLaterEdit(TrackJob& job, int32_t u, const std::string& outgoingTake,
                    const std::string& incomingTake) {
  const EditPlanEntry& edit = job.plan.edits[u];
  if (edit.segmentLength < 1) {
    return;
  }
  FreshTemporaryFile(job);
  const bool due = CrossfadeIsDue(edit.editPosition, job.crossfadeFrames, job.crossfadeType);
  const int64_t crossfadeStart = edit.editPosition - job.crossfadeFrames / 2;
  int32_t rendered = kCrossfadeRendered;
  if (due) {
    rendered =
        RenderCrossfade(edit.editPosition, edit.editPosition, job.crossfadeFrames,
                        job.crossfadeType, outgoingTake, incomingTake, kTemporaryCrossfadeFile,
                        job.format.channels, {job.format.BytesPerSample(), job.format.kind});
    if (rendered != kCrossfadeRendered) {
      Say("Crossfade failed.\n");
    }
  }
  WriteSegment(job, incomingTake, edit);
  if (!due) {
    return;
  }
  // A failed crossfade leaves the hard cut: its temporary file holds no
  // frames. The copy never reaches past the length the header announces.
  const int64_t copied = std::min(job.crossfadeFrames, job.plan.outputLength - crossfadeStart);
  if (rendered == kCrossfadeRendered && crossfadeStart >= 1 && copied > 0) {
    CopyFrames(job.output, kTemporaryCrossfadeFile, crossfadeStart, job.format.BytesPerSample(),
               job.format.channels, copied, 0);
    job.Wrote(crossfadeStart, copied);
  }
  std::remove(kTemporaryCrossfadeFile);
}

void BuildTrack(const RunTables& run, int32_t t, std::optional<UnfinishedFile>& temporary) {
  Say("\n\nBuilding to %s\n", VisibleText(run.outputNames[t]).c_str());
  // The previous output stays until the new one is whole.
  ReplacementFile output(run.outputNames[t]);
  TrackJob job{run,
               t,
               output.Path(),
               run.trackFormat[t],
               PlanTrackOfRun(run, t),
               run.crossfadeFrames[t],
               run.crossfadeType[t],
               temporary};
  WriteWavHeader(job.output, job.format, job.plan.outputLength, run.trackMetadata[t]);
  Say("edits: ");
  const std::string& baseName = run.baseNames[t];
  for (int32_t u = 0; u < run.editCount; ++u) {
    Say("%i ", u + 1);
    const std::string incomingTake = TakeFileName(baseName, run.takeNames[u]);
    if (u == 0) {
      BuildFirstEdit(job, incomingTake);
    } else {
      BuildLaterEdit(job, u, TakeFileName(baseName, run.takeNames[u - 1]), incomingTake);
    }
  }
  // Every frame the header announces is written, also where no segment
  // reached it.
  if (job.furthestFrame < job.plan.outputLength) {
    PadSilence(job, job.furthestFrame, job.plan.outputLength - job.furthestFrame);
  }
  output.Commit();
}

}  // namespace

void BuildTracks(const RunTables& run) {
  // Removed when the run stops early; a complete run leaves it as it is.
  std::optional<UnfinishedFile> temporary;
  for (int32_t t = 0; t < run.trackCount; ++t) {
    BuildTrack(run, t, temporary);
  }
  if (temporary) {
    temporary->Keep();
  }
}

}  // namespace wexmont
