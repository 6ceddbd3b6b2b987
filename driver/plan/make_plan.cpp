#include "driver/plan/make_plan.h"

#include <algorithm>
#include <cstdio>
#include <map>

#include "driver/plan/crossfade_fit.h"
#include "driver/plan/cut_markers.h"
#include "driver/plan/plan_notes.h"
#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "wav/block_alignment.h"
#include "wav/wav_header.h"
#include "xfade/crossfade_curve.h"

namespace wexmont {
namespace {

// The frame of every edit point at the track's rate; a negative first time
// is frame 0. Two times of different forms must keep their order too.
std::vector<int64_t> PlaceEditPoints(const ProjectInput& input, uint32_t sampleRate) {
  std::vector<int64_t> positions;
  for (size_t k = 0; k < input.edits.size(); ++k) {
    const std::optional<int64_t> frame = FrameOfEditTime(input.edits[k].time, sampleRate);
    if (!frame) {
      EndRun(">> Edit %zu lies too far from the start to be placed, exiting\n", k + 1);
    }
    if (k > 0 && *frame < positions.back()) {
      const EditPoint& edit = input.edits[k];
      const EditPoint& before = input.edits[k - 1];
      Say(">> points.txt line %zu says %s, earlier than line %zu's %s at %u Hz\n", edit.line,
          VisibleText(edit.timeText).c_str(), before.line, VisibleText(before.timeText).c_str(),
          sampleRate);
      EndRun(">> Edit %zu is out of sequence, exiting\n", k + 1);
    }
    positions.push_back(*frame);
  }
  return positions;
}

// The fixed failure message names only the edit point; the line before it
// names the take and where it ends.
[[noreturn]] void RefuseEditBeyondTake(size_t k, int64_t position, int64_t takeEnd,
                                       uint32_t sampleRate, const std::string& takePath) {
  Say(">> %s ends at %.3f s (frame %lld), edit %zu starts at %.3f s (frame %lld)\n",
      VisibleText(takePath).c_str(), static_cast<double>(takeEnd) / sampleRate,
      static_cast<long long>(takeEnd), k + 1, static_cast<double>(position) / sampleRate,
      static_cast<long long>(position));
  EndRun("Edit %i failed.  The take ends before the edit point.\nOutput files were not built\n",
         static_cast<int32_t>(k + 1));
}

// Each take file of the track once, in the order edit points first name it.
void PlanTakes(const TrackInput& input, TrackPlan& track) {
  for (size_t k = 0; k < input.takes.size(); ++k) {
    track.takes.push_back({input.takePaths[k], input.takes[k].area, input.takes[k].frameCount});
  }
}

// Segments meet exactly: each runs from its edit point to the next one, and
// no further than the longest take. Where its own take ends earlier, the
// rest of it is silence.
void PlanSegments(const TrackInput& input, const std::vector<int64_t>& positions,
                  TrackPlan& track) {
  PlanTakes(input, track);
  int64_t longestTake = 0;
  for (const PlannedTake& take : track.takes) {
    longestTake = std::max(longestTake, take.audioFrames);
  }
  const size_t n = positions.size();
  for (size_t k = 0; k < n; ++k) {
    EditPlan& edit = track.edits.emplace_back();
    edit.take = input.takeOfEdit[k];
    edit.position = positions[k];
    if (k + 1 == n) {
      break;  // the last edit point only marks the end
    }
    const int64_t end = std::min(positions[k + 1], longestTake);
    edit.segment = end - edit.position;
    const int64_t takeEnd = track.takes[edit.take].audioFrames;
    if (edit.position > takeEnd) {
      RefuseEditBeyondTake(k, edit.position, takeEnd, track.header.format.sampleRate,
                           track.takes[edit.take].path);
    }
    edit.silenceFrom = std::min(end, takeEnd);
  }
  if (n >= 2) {
    const EditPlan& last = track.edits[n - 2];
    track.header.frames = std::min(longestTake, last.position + last.segment);
  }
}

int64_t MarkerChunkBytes(const TrackPlan& track) {
  return static_cast<int64_t>(BuildMarkerChunks(track.markers).size());
}

// The output is written as RF64 past 4 GiB, up to the frames a file position
// can reach; its size counts its carried metadata and its cut markers (and the
// data chunk's pad byte before them). The temporary crossfade file, which
// carries neither, stays within a RIFF header.
void RefuseOversizedFiles(const TrackPlan& track) {
  const SampleFormat& format = track.header.format;
  const int64_t chunkBytes =
      track.header.metadata.ChunkBytes() +
      BytesAfterSamples(track.Length() * track.BytesPerFrame(), MarkerChunkBytes(track));
  if (track.Length() > MaxFrames(format, chunkBytes)) {
    EndRun(">> %s would hold %lld frames, more than a WAV file can, exiting\n",
           VisibleText(track.outputName).c_str(), static_cast<long long>(track.Length()));
  }
  if (track.crossfadeFrames * track.BytesPerFrame() > MaxDataBytes(format)) {
    EndRun(">> The crossfade of track %zu is too long for %s, exiting\n", track.number,
           kTemporaryCrossfadeFile);
  }
}

void SetCrossfade(const ProjectInput& input, size_t t, TrackPlan& track) {
  const CrossfadeChoice choice = input.crossfades.OfTrack(t);
  track.curve = choice.type;
  track.crossfadeMilliseconds = choice.length.milliseconds;
  const std::optional<int64_t> frames =
      CrossfadeFrames(choice.length, track.header.format.sampleRate);
  if (!frames) {
    EndRun(">> The crossfade of track %zu is too long (%.1f ms), exiting\n", t + 1,
           static_cast<double>(choice.length.milliseconds));
  }
  track.crossfadeFrames = *frames;
}

// Appends `piece` when it holds frames.
void AddPiece(std::vector<Piece>& pieces, Piece piece) {
  if (piece.frames > 0) {
    pieces.push_back(piece);
  }
}

// The output as the edit points give it, before crossfades: silence before
// the first segment, each segment from its take and silence where the take
// ends, silence after the last segment up to the output's length.
std::vector<Piece> SegmentPieces(const TrackPlan& track) {
  std::vector<Piece> pieces;
  int64_t covered = 0;
  for (size_t k = 0; k < track.edits.size(); ++k) {
    const EditPlan& edit = track.edits[k];
    if (!edit.HasSegment()) {
      continue;
    }
    AddPiece(pieces, {PieceKind::kSilence, covered, edit.position - covered, k});
    AddPiece(pieces,
             {PieceKind::kCopy, edit.position, edit.silenceFrom - edit.position, k, edit.take});
    AddPiece(pieces,
             {PieceKind::kSilence, edit.silenceFrom, edit.SegmentEnd() - edit.silenceFrom, k});
    covered = edit.SegmentEnd();
  }
  AddPiece(pieces, {PieceKind::kSilence, covered, track.Length() - covered,
                    track.edits.empty() ? 0 : track.edits.size() - 1});
  return pieces;
}

// The part of `piece` from frame `from` to frame `to`.
Piece PartOf(Piece piece, int64_t from, int64_t to) {
  from = std::max(from, piece.first);
  to = std::min(to, piece.first + piece.frames);
  piece.frames = to - from;
  piece.first = from;
  return piece;
}

}  // namespace

std::vector<Piece> LayOutPieces(const TrackPlan& track) {
  std::vector<Piece> pieces;
  std::vector<Piece> crossfades;
  for (size_t u = 0; u < track.edits.size(); ++u) {
    const CrossfadePlan& crossfade = track.edits[u].crossfade;
    if (crossfade.IsMade()) {
      AddPiece(crossfades, {PieceKind::kCrossfade, crossfade.first, crossfade.written, u,
                            track.edits[u].take, crossfade.outgoing});
    }
  }
  int64_t from = 0;
  size_t next = 0;  // the next crossfade
  for (const Piece& piece : SegmentPieces(track)) {
    const int64_t end = piece.first + piece.frames;
    while (next < crossfades.size() && crossfades[next].first < end) {
      AddPiece(pieces, PartOf(piece, from, crossfades[next].first));
      from = crossfades[next].first + crossfades[next].frames;
      if (crossfades[next].first >= piece.first) {
        pieces.push_back(crossfades[next]);
      }
      if (from > end) {
        break;
      }
      ++next;
    }
    AddPiece(pieces, PartOf(piece, from, end));
  }
  return pieces;
}

namespace {

// Where the samples start in the takes that the track's pieces copy from,
// each offset once.
std::vector<int64_t> CopiedTakeDataOffsets(const TrackPlan& track) {
  std::vector<int64_t> offsets;
  for (const Piece& piece : LayOutPieces(track)) {
    if (piece.kind != PieceKind::kCopy) {
      continue;
    }
    const int64_t offset = track.takes[piece.take].area.DataOffset();
    if (std::find(offsets.begin(), offsets.end(), offset) == offsets.end()) {
      offsets.push_back(offset);
    }
  }
  return offsets;
}

TrackPlan PlanTrack(const ProjectInput& input, size_t t) {
  const TrackInput& read = input.tracks[t];
  TrackPlan track;
  track.number = t + 1;
  track.baseName = read.baseName;
  track.outputName = input.outputNames[t];
  track.header.format = read.format;
  track.header.metadata = read.metadata;
  const std::vector<int64_t> positions = PlaceEditPoints(input, read.format.sampleRate);
  PlanSegments(read, positions, track);
  track.leadIn = positions.empty() ? 0 : positions[0];
  SetCrossfade(input, t, track);
  DecideCrossfades(track);
  track.cutMarkers = input.crossfades.cutMarkers;
  if (track.cutMarkers) {
    track.markers = PlanCutMarkers(track, input.edits);
  }
  RefuseOversizedFiles(track);
  // A JUNK chunk may line the samples up with the copied takes' within a
  // block, so that file systems that clone can share their blocks.
  track.header.layout =
      AlignSamplesWithTakes(DescribeHeader(read.format, track.Length(), read.metadata.ChunkBytes(),
                                           MarkerChunkBytes(track)),
                            CopiedTakeDataOffsets(track));
  return track;
}

// The temporary crossfade file gets a fresh header at every edit point with
// a segment, and is deleted after every crossfade due there: one that the
// track's curve asks for and that would not start before frame 0.
void PlanTemporaryFile(Plan& plan) {
  for (const TrackPlan& track : plan.tracks) {
    for (size_t k = 0; k < track.edits.size(); ++k) {
      const EditPlan& edit = track.edits[k];
      if (!edit.HasSegment()) {
        continue;
      }
      const bool due = k > 0 && track.curve != kNoCrossfade &&
                       StartsAfterFrameZero(edit.position, track.crossfadeFrames);
      plan.temporary = {true, due, track.header.format, track.crossfadeFrames};
    }
  }
}

}  // namespace

Plan MakePlan(const ProjectInput& input) {
  Plan plan;
  plan.editCount = input.edits.size();
  plan.parameterFileMissing = input.crossfades.fileMissing;
  for (size_t t = 0; t < input.tracks.size(); ++t) {
    plan.tracks.push_back(PlanTrack(input, t));
  }
  PlanTemporaryFile(plan);
  plan.notes = FindPlanNotes(input, plan);
  return plan;
}

}  // namespace wexmont
