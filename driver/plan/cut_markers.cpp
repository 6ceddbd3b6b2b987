#include "driver/plan/cut_markers.h"

#include <algorithm>
#include <cstdio>

namespace wexmont {

CutMarker CutAt(size_t edit, const std::string& takeName, int64_t firstFrame) {
  std::string label = "edit ";
  label += std::to_string(edit + 1);
  label += ": ";
  label += takeName;
  return {firstFrame, std::move(label), 0};
}

CutMarker CrossfadeRegion(size_t edit, int64_t firstFrame, int64_t frames) {
  std::string label = "crossfade ";
  label += std::to_string(edit + 1);
  return {firstFrame, std::move(label), frames};
}

std::vector<CutMarker> PlanCutMarkers(const TrackPlan& track, const std::vector<EditPoint>& edits) {
  std::vector<CutMarker> markers;
  for (size_t k = 0; k < track.edits.size(); ++k) {
    const EditPlan& edit = track.edits[k];
    if (!edit.HasSegment()) {
      continue;
    }
    markers.push_back(CutAt(k, edits[k].take, edit.position));
    if (edit.crossfade.IsMade() && edit.crossfade.written > 0) {
      markers.push_back(CrossfadeRegion(k, edit.crossfade.first, edit.crossfade.written));
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
