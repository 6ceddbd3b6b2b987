#include "driver/track_builder.h"

#include <algorithm>
#include <optional>

#include "driver/edit_plan.h"
#include "driver/output_alignment.h"
#include "driver/temporary_crossfade_file.h"
#include "foundation/console.h"
#include "foundation/replacement_file.h"
#include "foundation/visible_text.h"
#include "wav/data_chunk.h"
#include "wav/sample_source.h"
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
  TemporaryCrossfadeFile& temporary;
  FrameWriter writer{output, format.BytesPerSample(), format.channels};
  OpenSampleSources takes{};                    // a comp switches among a few takes
  std::optional<CrossfadeRenderer> renderer{};  // made by the first crossfade
  int64_t furthestFrame = 0;                    // end of the furthest frame written so far

  void Wrote(int64_t frame, int64_t frameCount) {
    furthestFrame = std::max(furthestFrame, frame + frameCount);
  }
};

void PadSilence(TrackJob& job, int64_t frame, int64_t frameCount) {
  job.writer.Silence(frame, frameCount);
  job.Wrote(frame, frameCount);
}

// The segment of an edit point and, where its take ends early, the tail pad.
void WriteSegment(TrackJob& job, const SampleSource& incomingTake, const EditPlanEntry& edit) {
  job.writer.Copy(incomingTake, edit.editPosition, edit.segmentLength, edit.editPosition);
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
  job.temporary.FreshHeader(job.format, job.crossfadeFrames);
  const int64_t leadIn = job.run.leadIn[job.track];
  if (leadIn != 0) {
    PadSilence(job, 0, leadIn);
  }
  WriteSegment(job, job.takes.Get(incomingTake, kCopyScanLast), edit);
}

// The crossfade is placed in the takes (and a failure reported) before
// anything of this edit point is written, and written over the cut last, so
// that it covers both sides of the cut.
void BuildLaterEdit(TrackJob& job, int32_t u, const std::string& outgoingTake,
                    const std::string& incomingTake) {
  const EditPlanEntry& edit = job.plan.edits[u];
  if (edit.segmentLength < 1) {
    return;
  }
  job.temporary.FreshHeader(job.format, job.crossfadeFrames);
  const bool due = CrossfadeIsDue(edit.editPosition, job.crossfadeFrames, job.crossfadeType);
  const int64_t crossfadeStart = edit.editPosition - job.crossfadeFrames / 2;
  const SampleSource& outgoing = job.takes.Get(outgoingTake, kCopyScanLast);
  const SampleSource& incoming = job.takes.Get(incomingTake, kCopyScanLast);
  CrossfadeSpan span;
  if (due) {
    if (!job.renderer) {
      job.renderer.emplace(job.crossfadeType, job.crossfadeFrames, job.format.channels,
                           SampleCoding{job.format.BytesPerSample(), job.format.kind});
    }
    span = job.renderer->Place(outgoing, incoming, edit.editPosition, edit.editPosition);
    if (span.result != kCrossfadeRendered) {
      Say("Crossfade failed.\n");
    }
  }
  WriteSegment(job, incoming, edit);
  if (!due) {
    return;
  }
  // A failed crossfade leaves the hard cut. The crossfade never reaches past
  // the length the header announces.
  const int64_t rendered = std::min(job.crossfadeFrames, job.plan.outputLength - crossfadeStart);
  if (span.result == kCrossfadeRendered && crossfadeStart >= 1 && rendered > 0) {
    job.renderer->Render(span, rendered, [&](int64_t first, std::span<const uint8_t> frames) {
      job.writer.Put(crossfadeStart + first, frames);
    });
    job.Wrote(crossfadeStart, rendered);
  }
  job.temporary.CrossfadeDone();
}

void BuildTrack(const RunTables& run, int32_t t, TemporaryCrossfadeFile& temporary) {
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
  WriteWavHeader(job.output, job.format, job.plan.outputLength, run.trackMetadata[t],
                 OutputPadBytes(run, t));
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
  job.writer.Close();
  output.Commit();
}

}  // namespace

void BuildTracks(const RunTables& run) {
  TemporaryCrossfadeFile temporary;
  for (int32_t t = 0; t < run.trackCount; ++t) {
    BuildTrack(run, t, temporary);
  }
  temporary.Finish();
}

}  // namespace wexmont
