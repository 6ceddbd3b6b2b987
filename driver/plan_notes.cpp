#include "driver/plan_notes.h"

#include <cstdarg>
#include <cstdio>
#include <optional>

#include "foundation/visible_text.h"
#include "xfade/crossfade.h"

namespace wexmont {
namespace {

// One note, printf-style, after the track it is about.
std::string Note(const RunTables& run, int32_t t, const char* format, ...)
    __attribute__((format(printf, 3, 4)));

std::string Note(const RunTables& run, int32_t t, const char* format, ...) {
  std::string note = "track " + std::to_string(t + 1) + " (" + VisibleText(run.baseNames[t]) + ")";
  char text[512];
  va_list args;
  va_start(args, format);
  std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  return note + text;
}

double Seconds(int64_t frame, uint32_t sampleRate) {
  return static_cast<double>(frame) / sampleRate;
}

// The renderer cannot place a crossfade that starts after the end of its
// outgoing take: the build prints "Crossfade failed." and the cut stays hard.
void NoteCrossfadeAfterTakeEnd(const RunTables& run, int32_t t, size_t u, int64_t start,
                               std::vector<std::string>& notes) {
  const int64_t outgoingEnd = run.TakeFrames(t, static_cast<int32_t>(u - 1));
  if (start > outgoingEnd) {
    const std::string take = VisibleText(TakeFileName(run.baseNames[t], run.takeNames[u - 1]));
    notes.push_back(Note(run, t,
                         ", edit %zu: the crossfade would start at frame %lld, after %s ends "
                         "(frame %lld); it fails and the cut stays hard",
                         u + 1, static_cast<long long>(start), take.c_str(),
                         static_cast<long long>(outgoingEnd)));
  }
}

// Crossfades left out near the start, and each made crossfade that the next
// one starts inside of: there the output jumps from the middle of the first
// crossfade to the start of the second.
void NoteCrossfades(const RunTables& run, int32_t t, const TrackPlan& plan,
                    std::vector<std::string>& notes) {
  const int64_t frames = run.crossfadeFrames[t];
  const int32_t type = run.crossfadeType[t];
  std::optional<size_t> previous;  // the last edit point with a crossfade
  for (size_t u = 1; u + 1 < plan.edits.size(); ++u) {
    const EditPlanEntry& edit = plan.edits[u];
    if (edit.segmentLength < 1 || type == kNoCrossfade) {
      continue;
    }
    if (!CrossfadeIsDue(edit.editPosition, frames, type)) {
      notes.push_back(Note(run, t,
                           ", edit %zu: no crossfade; the edit lies %lld frames into the output, "
                           "and a crossfade of %lld frames needs more than %lld",
                           u + 1, static_cast<long long>(edit.editPosition),
                           static_cast<long long>(frames), static_cast<long long>(frames / 2)));
      continue;
    }
    const int64_t start = edit.editPosition - frames / 2;
    NoteCrossfadeAfterTakeEnd(run, t, u, start, notes);
    if (previous) {
      const EditPlanEntry& before = plan.edits[*previous];
      if (start < before.editPosition - frames / 2 + frames) {
        notes.push_back(Note(run, t,
                             ", edits %zu and %zu: the crossfades overlap (%lld frames apart, a "
                             "crossfade is %lld); the output jumps at frame %lld (%.3f s), where "
                             "the second starts inside the first",
                             *previous + 1, u + 1,
                             static_cast<long long>(edit.editPosition - before.editPosition),
                             static_cast<long long>(frames), static_cast<long long>(start),
                             Seconds(start, run.trackFormat[t].sampleRate)));
      }
    }
    previous = u;
  }
}

// Segments that run past the end of their take are filled with silence.
void NoteTailPads(const RunTables& run, int32_t t, const TrackPlan& plan,
                  std::vector<std::string>& notes) {
  const uint32_t rate = run.trackFormat[t].sampleRate;
  for (size_t k = 0; k + 1 < plan.edits.size(); ++k) {
    const EditPlanEntry& edit = plan.edits[k];
    if (!edit.tailPad || edit.segmentLength < 1) {
      continue;
    }
    const std::string take = VisibleText(TakeFileName(run.baseNames[t], run.takeNames[k]));
    notes.push_back(Note(run, t,
                         ", edit %zu: %s ends at %.3f s (frame %lld); silence fills the segment "
                         "from there to %.3f s (%lld frames)",
                         k + 1, take.c_str(), Seconds(edit.tailPadPosition, rate),
                         static_cast<long long>(edit.tailPadPosition),
                         Seconds(edit.tailPadPosition + edit.tailPadLength, rate),
                         static_cast<long long>(edit.tailPadLength)));
  }
}

void NoteEarlyEnd(const RunTables& run, int32_t t, const TrackPlan& plan,
                  std::vector<std::string>& notes) {
  const size_t n = plan.edits.size();
  if (n < 2) {
    return;
  }
  const uint32_t rate = run.trackFormat[t].sampleRate;
  const int64_t last = FramePosition(run.editTimes[n - 1], rate, static_cast<int32_t>(n));
  if (plan.outputLength < last) {
    notes.push_back(Note(run, t,
                         ": the output ends at %.3f s (frame %lld), before the last edit point "
                         "at %.3f s, because no take of the track is longer",
                         Seconds(plan.outputLength, rate),
                         static_cast<long long>(plan.outputLength), Seconds(last, rate)));
  }
}

}  // namespace

std::vector<std::string> FindPlanNotes(const RunTables& run, int32_t t, const TrackPlan& plan) {
  std::vector<std::string> notes;
  NoteCrossfades(run, t, plan, notes);
  NoteTailPads(run, t, plan, notes);
  NoteEarlyEnd(run, t, plan, notes);
  return notes;
}

}  // namespace wexmont
