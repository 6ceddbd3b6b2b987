// The plan of a run: every decision of a build, made once from what was read
// (MakePlan). The check and the cut sheet print it, the builder carries it out
// piece by piece and decides nothing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "wav/carried_metadata.h"
#include "wav/data_chunk.h"
#include "wav/marker_chunks.h"
#include "wav/sample_format.h"
#include "wav/wav_header.h"

namespace wexmont {

constexpr const char* kTemporaryCrossfadeFile = "xfade_temp.wav";

// A take of a track, with its sample area found once by the probe.
struct PlannedTake {
  std::string path;
  SampleArea area;
  int64_t audioFrames = 0;  // whole frames of audio, never the bytes of chunks after them
  bool operator==(const PlannedTake&) const = default;
};

enum class CrossfadeOutcome {
  kNone,               // the track has no curve, or the edit point no cut
  kTooCloseToStart,    // it would start before frame 0: the cut stays hard
  kOutgoingTakeEnded,  // the outgoing take ends before it would start: hard cut
  kMade,               // at the set length
  kShortened,          // fitted between its neighbours, still centred on the cut
};

struct CrossfadePlan {
  CrossfadeOutcome outcome = CrossfadeOutcome::kNone;
  int64_t first = 0;    // first output frame (also in both takes)
  int64_t frames = 0;   // length of the curve
  int64_t written = 0;  // frames of it inside the output: it stops at the output's end
  int32_t curve = 0;    // the crossfade type
  size_t outgoing = 0;  // the take faded out: the one heard before the cut

  bool IsMade() const {
    return outcome == CrossfadeOutcome::kMade || outcome == CrossfadeOutcome::kShortened;
  }
};

// One edit point of one track.
struct EditPlan {
  size_t take = 0;          // index into TrackPlan::takes
  int64_t position = 0;     // the frame its time names, in takes and output
  int64_t segment = 0;      // frames of output from its take; none below 1
  int64_t silenceFrom = 0;  // where its take ends inside the segment, else segment end
  CrossfadePlan crossfade;  // centred on `position`

  bool HasSegment() const { return segment >= 1; }
  int64_t SegmentEnd() const { return position + (HasSegment() ? segment : 0); }
};

// What the output file holds, front to back: pieces that tile it exactly
// (LayOutPieces lays them out of a track's plan).
enum class PieceKind { kSilence, kCopy, kCrossfade };

struct Piece {
  PieceKind kind = PieceKind::kSilence;
  int64_t first = 0;  // first output frame; copies read the same frame of their take
  int64_t frames = 0;
  size_t edit = 0;      // the edit point it belongs to
  size_t take = 0;      // copies: the take; crossfades: the incoming take
  size_t outgoing = 0;  // crossfades: the outgoing take
  bool operator==(const Piece&) const = default;
};

// The output file's header: format, length and carried metadata, and the
// layout they give (RF64 past 4 GiB), decided before anything is written.
struct OutputHeader {
  SampleFormat format;
  int64_t frames = 0;
  CarriedMetadata metadata;
  HeaderLayout layout;  // decided last, once the length and the chunks are known

  // Where the first sample byte goes: every header byte, a JUNK chunk that
  // lines the samples up with the takes' included.
  int64_t DataOffset() const { return layout.headerBytes; }
};

struct TrackPlan {
  size_t number = 0;  // from 1, in base.txt order
  std::string baseName;
  std::string outputName;
  OutputHeader header;
  int64_t leadIn = 0;  // frames of silence before edit point 1
  int32_t curve = 0;   // the track's crossfade type
  float crossfadeMilliseconds = 0.0f;
  int64_t crossfadeFrames = 0;  // the set length, before fitting
  std::vector<PlannedTake> takes;
  std::vector<EditPlan> edits;     // one per edit point; the last only marks the end
  bool cutMarkers = false;         // asked for: written after the samples, even when none
  std::vector<CutMarker> markers;  // cue points at the cuts, regions over the crossfades

  int64_t Length() const { return header.frames; }
  int64_t BytesPerFrame() const {
    return int64_t{header.format.BytesPerSample()} * header.format.channels;
  }
};

// Something a careful engineer wants to know before the build: a place where
// the output will not be what the edit list seems to say.
struct PlanNote {
  size_t track = 0;  // from 1; 0 for the project as a whole
  size_t edit = 0;   // from 1; 0 for the track as a whole
  std::string text;  // the whole line
};

// The folder's temporary crossfade file as a build leaves it: untouched when
// no edit point has a segment, else deleted, or holding the header of one
// crossfade of the last track that wrote it.
struct TemporaryFilePlan {
  bool touched = false;
  bool deleted = false;
  SampleFormat format;
  int64_t frames = 0;
};

struct Plan {
  std::vector<TrackPlan> tracks;
  size_t editCount = 0;
  bool parameterFileMissing = false;
  std::vector<PlanNote> notes;
  TemporaryFilePlan temporary;
};

}  // namespace wexmont
