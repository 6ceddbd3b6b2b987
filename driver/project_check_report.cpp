#include "driver/project_check_report.h"

#include <string>

#include "driver/cut_markers.h"
#include "driver/edit_plan.h"
#include "driver/plan_notes.h"
#include "driver/take_check.h"
#include "driver/timecode_check.h"
#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "project/crossfade_params.h"
#include "project/ignored_settings.h"
#include "xfade/crossfade.h"

namespace wexmont {
namespace {

// Seconds of a frame position at the track's rate, to the millisecond.
std::string Seconds(int64_t frame, uint32_t sampleRate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.3f", static_cast<double>(frame) / sampleRate);
  return text;
}

const char* CurveName(int32_t crossfadeType) {
  switch (crossfadeType) {
    case kEqualPowerCurve:
      return "equal-power";
    case kLinearCurve:
      return "linear";
    case kCosineCurve:
      return "cosine";
    case kSineCurve:
      return "sine";
    default:
      return "none";
  }
}

// What the build does at edit point k of track t, as the builder decides it.
std::string CrossfadeAt(const RunTables& run, int32_t t, const TrackPlan& plan, size_t k) {
  const EditPlanEntry& edit = plan.edits[k];
  const int64_t frames = run.crossfadeFrames[t];
  if (k == 0 || edit.segmentLength < 1 || run.crossfadeType[t] == kNoCrossfade) {
    return "none";
  }
  if (!(static_cast<double>(edit.editPosition) > frames * 0.5)) {
    return "none (too close to the start)";
  }
  return std::to_string(frames) + " frames " + CurveName(run.crossfadeType[t]);
}

void ReportTrackHeading(const RunTables& run, int32_t t) {
  const TrackFormat& format = run.trackFormat[t];
  Say("\nTrack %d: %s, %u Hz, %d-bit, %s, built to %s: %lld frames (%s s)\n", t + 1,
      VisibleText(run.baseNames[t]).c_str(), format.sampleRate, format.bitsPerSample,
      ChannelsText(format.channels).c_str(), VisibleText(run.outputNames[t]).c_str(),
      static_cast<long long>(run.outputLength[t]),
      Seconds(run.outputLength[t], format.sampleRate).c_str());
  if (run.leadIn[t] > 0) {
    Say("Silence before edit 1: frames 0 to %lld (%s s)\n", static_cast<long long>(run.leadIn[t]),
        Seconds(run.leadIn[t], format.sampleRate).c_str());
  }
}

// One row per edit point: number, take file, start and end in seconds and in
// frames (the end is the first frame after the segment), crossfade.
void ReportTrackPlan(const RunTables& run, int32_t t, const TrackPlan& plan) {
  const uint32_t rate = run.trackFormat[t].sampleRate;
  ReportTrackHeading(run, t);
  Say("edit\ttake\tstart s\tend s\tstart frame\tend frame\tcrossfade\n");
  const size_t last = plan.edits.size() - 1;
  for (size_t k = 0; k < plan.edits.size(); ++k) {
    const std::string take = VisibleText(TakeFileName(run.baseNames[t], run.takeNames[k]));
    if (k == last) {
      // The last edit point only marks the end: it has no segment.
      const int64_t position = FramePosition(run.editTimes[k], rate, static_cast<int32_t>(k + 1));
      Say("%zu\t%s\t%s\t-\t%lld\t-\tend\n", k + 1, take.c_str(), Seconds(position, rate).c_str(),
          static_cast<long long>(position));
      continue;
    }
    const EditPlanEntry& edit = plan.edits[k];
    const int64_t end = edit.editPosition + std::max<int64_t>(edit.segmentLength, 0);
    Say("%zu\t%s\t%s\t%s\t%lld\t%lld\t%s\n", k + 1, take.c_str(),
        Seconds(edit.editPosition, rate).c_str(), Seconds(end, rate).c_str(),
        static_cast<long long>(edit.editPosition), static_cast<long long>(end),
        CrossfadeAt(run, t, plan, k).c_str());
  }
}

}  // namespace

void ReportProjectCheck(const RunTables& run, bool parameterFileMissing) {
  std::vector<std::string> notes;
  for (int32_t t = 0; t < run.trackCount; ++t) {
    const TrackPlan plan = PlanTrackOfRun(run, t);
    ReportTrackPlan(run, t, plan);
    if (run.cutMarkers) {
      Say("%s\n", DescribeCutMarkers(PlannedCutMarkers(run, t, plan)).c_str());
    }
    const std::vector<std::string> trackNotes = FindPlanNotes(run, t, plan);
    notes.insert(notes.end(), trackNotes.begin(), trackNotes.end());
  }
  // A take of a pass that starts elsewhere than the pass's other takes is
  // likely a file of another pass.
  for (const std::string& line : ListTimeReferenceDisagreements(run)) {
    notes.push_back(VisibleText(line) + ": not recorded together");
  }
  for (const IgnoredSetting& setting : FindIgnoredSettings(run.trackCount)) {
    notes.push_back(std::string(kParameterFile) + " line " + std::to_string(setting.line) + ": \"" +
                    VisibleText(setting.lineText) + "\" " + setting.why);
  }
  if (!notes.empty()) {
    Say("\nWorth knowing before the build:\n");
    for (const std::string& note : notes) {
      Say("%s\n", note.c_str());
    }
  }
  Say("\n");
  if (parameterFileMissing) {
    Say("wexmontrc.txt is missing: a build would first write its template, and then use no "
        "crossfades.\n");
  }
  Say("Check passed: %d track%s ready to build. Nothing was written.\n\n", run.trackCount,
      run.trackCount == 1 ? "" : "s");
}

}  // namespace wexmont
