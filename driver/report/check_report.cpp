#include "driver/report/check_report.h"

#include <string>

#include "driver/plan/cut_markers.h"
#include "driver/read/take_check.h"
#include "driver/report/report_text.h"
#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "xfade/crossfade_curve.h"

namespace wexmont {
namespace {

// Only an output past 4 GiB gets a line: the others are RIFF files, as always.
void ReportRf64Output(const TrackPlan& track) {
  const HeaderLayout& layout = track.header.layout;
  if (layout.rf64) {
    Say("Written as RF64: %lld bytes, past what a RIFF header can announce\n",
        static_cast<long long>(layout.FileBytes()));
  }
}

void ReportTrackHeading(const TrackPlan& track) {
  const SampleFormat& format = track.header.format;
  Say("\nTrack %zu: %s, %u Hz, %d-bit, %s, built to %s: %lld frames (%s s)\n", track.number,
      VisibleText(track.baseName).c_str(), format.sampleRate, format.bitsPerSample,
      ChannelsText(format.channels).c_str(), VisibleText(track.outputName).c_str(),
      static_cast<long long>(track.Length()),
      SecondsText(track.Length(), format.sampleRate).c_str());
  ReportRf64Output(track);
  if (track.leadIn > 0) {
    Say("Silence before edit 1: frames 0 to %lld (%s s)\n", static_cast<long long>(track.leadIn),
        SecondsText(track.leadIn, format.sampleRate).c_str());
  }
}

// One row per edit point: number, take file, start and end in seconds and in
// frames (the end is the first frame after the segment), crossfade.
void ReportTrackPlan(const TrackPlan& track) {
  const uint32_t rate = track.header.format.sampleRate;
  ReportTrackHeading(track);
  Say("edit\ttake\tstart s\tend s\tstart frame\tend frame\tcrossfade\n");
  for (size_t k = 0; k < track.edits.size(); ++k) {
    const EditPlan& edit = track.edits[k];
    const std::string take = VisibleText(track.takes[edit.take].path);
    if (k + 1 == track.edits.size()) {
      // The last edit point only marks the end: it has no segment.
      Say("%zu\t%s\t%s\t-\t%lld\t-\tend\n", k + 1, take.c_str(),
          SecondsText(edit.position, rate).c_str(), static_cast<long long>(edit.position));
      continue;
    }
    Say("%zu\t%s\t%s\t%s\t%lld\t%lld\t%s\n", k + 1, take.c_str(),
        SecondsText(edit.position, rate).c_str(), SecondsText(edit.SegmentEnd(), rate).c_str(),
        static_cast<long long>(edit.position), static_cast<long long>(edit.SegmentEnd()),
        DescribeCrossfade(edit.crossfade).c_str());
  }
}

}  // namespace

std::string DescribeCrossfade(const CrossfadePlan& crossfade) {
  switch (crossfade.outcome) {
    case CrossfadeOutcome::kNone:
      return "none";
    case CrossfadeOutcome::kTooCloseToStart:
      return "none (too close to the start)";
    case CrossfadeOutcome::kOutgoingTakeEnded:
      return "none (the outgoing take has ended)";
    case CrossfadeOutcome::kMade:
    case CrossfadeOutcome::kShortened:
      break;
  }
  std::string text = std::to_string(crossfade.frames) + " frames " + CurveName(crossfade.curve) +
                     " from " + std::to_string(crossfade.first);
  if (crossfade.outcome == CrossfadeOutcome::kShortened) {
    text += " (shortened)";
  }
  return text;
}

void PrintCrossfadeMatrix(const Plan& plan) {
  Say("Crossfade Matrix:\n");
  Say("track\tlength\ttype\n");
  for (const TrackPlan& track : plan.tracks) {
    Say("%zu\t%.1f\t%i\n", track.number, static_cast<double>(track.crossfadeMilliseconds),
        track.curve);
  }
}

void PrintPlanNotes(const Plan& plan) {
  if (plan.notes.empty()) {
    return;
  }
  Say("\nWorth knowing before the build:\n");
  for (const PlanNote& note : plan.notes) {
    Say("%s\n", note.text.c_str());
  }
}

void ReportProjectCheck(const Plan& plan) {
  for (const TrackPlan& track : plan.tracks) {
    ReportTrackPlan(track);
    if (track.cutMarkers) {
      Say("%s\n", DescribeCutMarkers(track.markers).c_str());
    }
  }
  PrintPlanNotes(plan);
  Say("\n");
  Say("Check passed: %zu track%s ready to build. Nothing was written.\n\n", plan.tracks.size(),
      plan.tracks.size() == 1 ? "" : "s");
}

}  // namespace wexmont
