#include "driver/plan/plan_notes.h"

#include <cstdarg>
#include <cstdio>

#include "driver/plan/timecode_check.h"
#include "foundation/visible_text.h"
#include "project/crossfade_params.h"

namespace wexmont {
namespace {

// One note on edit point `edit` (0: the whole track) of a track, printf-style.
PlanNote Note(const TrackPlan& track, size_t edit, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

PlanNote Note(const TrackPlan& track, size_t edit, const char* format, ...) {
  std::string text = "track " + std::to_string(track.number) + " (";
  text += VisibleText(track.baseName);
  text += ")";
  char tail[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(tail, sizeof tail, format, args);
  va_end(args);
  text += tail;
  return {track.number, edit, std::move(text)};
}

double Seconds(int64_t frame, uint32_t sampleRate) {
  return static_cast<double>(frame) / sampleRate;
}

long long Frames(int64_t frames) {
  return static_cast<long long>(frames);
}

void NoteCrossfade(const TrackPlan& track, size_t u, std::vector<PlanNote>& notes) {
  const CrossfadePlan& crossfade = track.edits[u].crossfade;
  const uint32_t rate = track.header.format.sampleRate;
  switch (crossfade.outcome) {
    case CrossfadeOutcome::kTooCloseToStart:
      notes.push_back(Note(track, u + 1,
                           ", edit %zu: no crossfade; the edit lies %lld frames into the output, "
                           "and a crossfade of %lld frames needs more than %lld",
                           u + 1, Frames(track.edits[u].position), Frames(crossfade.frames),
                           Frames(crossfade.frames / 2)));
      return;
    case CrossfadeOutcome::kOutgoingTakeEnded: {
      const PlannedTake& outgoing = track.takes[crossfade.outgoing];
      notes.push_back(Note(track, u + 1,
                           ", edit %zu: no crossfade; it would start at frame %lld, after %s "
                           "ends (frame %lld), so the cut stays hard",
                           u + 1, Frames(crossfade.first), VisibleText(outgoing.path).c_str(),
                           Frames(outgoing.audioFrames)));
      return;
    }
    case CrossfadeOutcome::kShortened:
      notes.push_back(Note(track, u + 1,
                           ", edit %zu: the crossfade is shortened to %lld frames (%.1f ms) from "
                           "%lld, so that it fits between the cuts around it; it runs from "
                           "%.3f s to %.3f s",
                           u + 1, Frames(crossfade.frames),
                           Seconds(crossfade.frames, rate) * 1000.0, Frames(track.crossfadeFrames),
                           Seconds(crossfade.first, rate),
                           Seconds(crossfade.first + crossfade.frames, rate)));
      return;
    default:
      return;
  }
}

// Segments that run past the end of their take are filled with silence.
void NoteSilence(const TrackPlan& track, size_t k, std::vector<PlanNote>& notes) {
  const EditPlan& edit = track.edits[k];
  if (!edit.HasSegment() || edit.silenceFrom >= edit.SegmentEnd()) {
    return;
  }
  const uint32_t rate = track.header.format.sampleRate;
  notes.push_back(Note(track, k + 1,
                       ", edit %zu: %s ends at %.3f s (frame %lld); silence fills the segment "
                       "from there to %.3f s (%lld frames)",
                       k + 1, VisibleText(track.takes[edit.take].path).c_str(),
                       Seconds(edit.silenceFrom, rate), Frames(edit.silenceFrom),
                       Seconds(edit.SegmentEnd(), rate),
                       Frames(edit.SegmentEnd() - edit.silenceFrom)));
}

void NoteEnd(const TrackPlan& track, std::vector<PlanNote>& notes) {
  const uint32_t rate = track.header.format.sampleRate;
  if (track.Length() == 0) {
    notes.push_back(Note(track, 0, ": the output holds no frames; %s",
                         track.edits.size() < 2
                             ? "a single edit point only marks the end"
                             : "the edit points leave no time between the first and the last"));
    return;
  }
  const int64_t last = track.edits.back().position;
  if (track.Length() < last) {
    notes.push_back(Note(track, 0,
                         ": the output ends at %.3f s (frame %lld), before the last edit point "
                         "at %.3f s, because no take of the track is longer",
                         Seconds(track.Length(), rate), Frames(track.Length()),
                         Seconds(last, rate)));
  }
}

void NoteTrack(const TrackPlan& track, std::vector<PlanNote>& notes) {
  for (size_t u = 0; u < track.edits.size(); ++u) {
    NoteCrossfade(track, u, notes);
  }
  for (size_t k = 0; k < track.edits.size(); ++k) {
    NoteSilence(track, k, notes);
  }
  NoteEnd(track, notes);
}

// A project note on one line of the parameter file.
void NoteSettings(const ProjectInput& input, std::vector<PlanNote>& notes) {
  for (const IgnoredSetting& setting : input.ignoredSettings) {
    std::string text = kParameterFile;
    text += " line " + std::to_string(setting.line) + ": \"";
    text += VisibleText(setting.lineText);
    text += "\" ";
    text += setting.why;
    notes.push_back({0, 0, std::move(text)});
  }
  if (input.crossfades.fileMissing) {
    notes.push_back({0, 0,
                     "wexmontrc.txt is missing: a build writes its template and makes no "
                     "crossfades"});
  }
}

}  // namespace

std::vector<PlanNote> FindPlanNotes(const ProjectInput& input, const Plan& plan) {
  std::vector<PlanNote> notes;
  for (const TrackPlan& track : plan.tracks) {
    NoteTrack(track, notes);
  }
  for (PlanNote& note : FindTimeReferenceNotes(input)) {
    notes.push_back(std::move(note));
  }
  NoteSettings(input, notes);
  return notes;
}

}  // namespace wexmont
