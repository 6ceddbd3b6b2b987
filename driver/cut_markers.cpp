#include "driver/cut_markers.h"

#include <algorithm>
#include <cstdio>

#include "xfade/crossfade.h"

namespace wexmont {

CutMarker CutAt(int32_t edit, const std::string& takeName, int64_t firstFrame) {
  std::string label = "edit ";
  label += std::to_string(edit + 1);
  label += ": ";
  label += takeName;
  return {firstFrame, std::move(label), 0};
}

CutMarker CrossfadeRegion(int32_t edit, int64_t firstFrame, int64_t frames) {
  std::string label = "crossfade ";
  label += std::to_string(edit + 1);
  return {firstFrame, std::move(label), frames};
}

std::vector<CutMarker> PlannedCutMarkers(const RunTables& run, int32_t t, const TrackPlan& plan) {
  std::vector<CutMarker> markers;
  if (!run.cutMarkers) {
    return markers;
  }
  const int64_t frames = run.crossfadeFrames[t];
  for (size_t k = 0; k + 1 < plan.edits.size(); ++k) {
    const EditPlanEntry& edit = plan.edits[k];
    const int32_t u = static_cast<int32_t>(k);
    if (edit.segmentLength < 1) {
      continue;
    }
    markers.push_back(CutAt(u, run.takeNames[k], edit.editPosition));
    if (k == 0 || !CrossfadeIsDue(edit.editPosition, frames, run.crossfadeType[t])) {
      continue;
    }
    const int64_t start = edit.editPosition - frames / 2;
    const int64_t rendered = std::min(frames, plan.outputLength - start);
    if (start >= 1 && rendered > 0 && start <= run.TakeFrames(t, u - 1)) {
      markers.push_back(CrossfadeRegion(u, start, rendered));
    }
  }
  return markers;
}

std::string DescribeCutMarkers(const std::vector<CutMarker>& markers) {
  const auto regions = std::count_if(markers.begin(), markers.end(), [](const CutMarker& marker) {
    return marker.regionFrames > 0;
  });
  const auto cuts = static_cast<long>(markers.size()) - regions;
  char text[128];
  std::snprintf(text, sizeof text,
                "Cut markers after the samples: %ld cue point%s at the cuts, %ld crossfade "
                "region%s",
                cuts, cuts == 1 ? "" : "s", static_cast<long>(regions), regions == 1 ? "" : "s");
  return text;
}

}  // namespace wexmont
