#include "driver/builder/track_builder.h"

#include <optional>

#include "driver/builder/temporary_crossfade_file.h"
#include "driver/plan/make_plan.h"
#include "foundation/console.h"
#include "foundation/progress_bar.h"
#include "foundation/replacement_file.h"
#include "foundation/visible_text.h"
#include "wav/marker_chunks.h"
#include "wav/sample_source.h"
#include "wav/segment_copy.h"
#include "wav/wav_header.h"
#include "xfade/crossfade.h"

namespace wexmont {
namespace {

// What one track's build holds while its pieces are written.
struct TrackJob {
  const TrackPlan& track;
  FrameWriter writer;
  OpenSampleSources takes{};                    // a comp switches among a few takes
  std::optional<CrossfadeRenderer> renderer{};  // of the last crossfade's length
  size_t editsShown = 0;                        // edit numbers printed so far

  const SampleSource& Take(size_t take) {
    const PlannedTake& planned = track.takes[take];
    return takes.Get(planned.path, planned.area);
  }
};

// The progress line counts the edit points up to the one a piece belongs to.
void ShowEditsUpTo(TrackJob& job, size_t edits) {
  for (; job.editsShown < edits; ++job.editsShown) {
    Say("%zu ", job.editsShown + 1);
  }
}

void RenderCrossfade(TrackJob& job, const Piece& piece) {
  const CrossfadePlan& crossfade = job.track.edits[piece.edit].crossfade;
  const SampleFormat& format = job.track.header.format;
  if (!job.renderer || job.renderer->Frames() != crossfade.frames) {
    job.renderer.emplace(crossfade.curve, crossfade.frames, format.channels,
                         SampleCoding{format.BytesPerSample(), format.kind});
  }
  const CrossfadeSpan span{&job.Take(piece.outgoing), &job.Take(piece.take), crossfade.first,
                           job.track.takes[piece.outgoing].audioFrames,
                           job.track.takes[piece.take].audioFrames};
  job.renderer->Render(span, piece.frames, [&](int64_t first, std::span<const uint8_t> frames) {
    job.writer.Put(crossfade.first + first, frames);
  });
}

void WritePiece(TrackJob& job, const Piece& piece) {
  switch (piece.kind) {
    case PieceKind::kSilence:
      job.writer.Silence(piece.first, piece.frames);
      return;
    case PieceKind::kCopy:
      job.writer.Copy(job.Take(piece.take), piece.first, piece.frames, piece.first);
      return;
    case PieceKind::kCrossfade:
      RenderCrossfade(job, piece);
      return;
  }
}

// The bar counts the bytes of the track's sample area as its pieces are
// written, front to back.
void ShowProgressOf(TrackJob& job, ProgressBar& progress) {
  progress.SetTrack(job.track.outputName);
  job.writer.ReportProgressTo([&progress, written = int64_t{0}](int64_t end) mutable {
    if (end > written) {
      progress.Advance(end - written);
      written = end;
    }
  });
}

// The sample bytes of every output.
int64_t OutputSampleBytes(const Plan& plan) {
  int64_t bytes = 0;
  for (const TrackPlan& track : plan.tracks) {
    bytes += track.Length() * track.BytesPerFrame();
  }
  return bytes;
}

void BuildTrack(const TrackPlan& track, ProgressBar& progress) {
  Say("\n\nBuilding to %s\n", VisibleText(track.outputName).c_str());
  // The previous output stays until the new one is whole.
  ReplacementFile output(track.outputName);
  const OutputHeader& header = track.header;
  WriteWavHeader(output.Path(), header.layout, header.metadata);
  Say("edits: ");
  TrackJob job{track, FrameWriter(output.Path(), header.format.BytesPerSample(),
                                  header.format.channels, header.DataOffset())};
  ShowProgressOf(job, progress);
  for (const Piece& piece : LayOutPieces(track)) {
    ShowEditsUpTo(job, piece.edit + 1);
    WritePiece(job, piece);
  }
  ShowEditsUpTo(job, track.edits.size());
  job.writer.Close();
  AppendChunksAfterSamples(output.Path(), header.layout, BuildMarkerChunks(track.markers));
  output.Commit();
}

}  // namespace

void BuildTracks(const Plan& plan) {
  TemporaryCrossfadeFile temporary(plan.temporary);
  ProgressBar progress(OutputSampleBytes(plan));
  for (const TrackPlan& track : plan.tracks) {
    BuildTrack(track, progress);
  }
  temporary.Finish();
}

}  // namespace wexmont
