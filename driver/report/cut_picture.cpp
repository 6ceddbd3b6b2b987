#include "driver/report/cut_picture.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "foundation/console.h"
#include "foundation/html_text.h"
#include "foundation/visible_text.h"
#include "wav/peak_envelope.h"
#include "xfade/crossfade_curve.h"

namespace wexmont {
namespace {

constexpr int32_t kWidth = 600;
constexpr int32_t kColumns = 300;
constexpr int32_t kLaneHeight = 64;
constexpr int32_t kLaneGap = 10;
constexpr int32_t kLabelRoom = 14;  // above each lane, for its take's name
constexpr int32_t kHeight = 2 * (kLabelRoom + kLaneHeight) + kLaneGap;
constexpr int32_t kCurvePoints = 64;
constexpr double kMostDrawnPeak = 1.0;  // a float take beyond full scale is drawn at the edge
// The longer crossfades get this share of their length as margin either side.
constexpr int64_t kMarginShare = 4;

struct Lane {
  int32_t top;  // of the waveform, below the label
  double Middle() const { return top + kLaneHeight / 2.0; }
};

constexpr Lane kOutgoingLane{kLabelRoom};
constexpr Lane kIncomingLane{2 * kLabelRoom + kLaneHeight + kLaneGap};

// The stretch of frames a picture shows: about a second either side of the
// cut, more where the crossfade is longer.
struct PictureSpan {
  int64_t first = 0;
  int64_t frames = 0;
};

PictureSpan PictureSpanOf(const TrackPlan& track, size_t edit) {
  const EditPlan& at = track.edits[edit];
  int64_t half = track.header.format.sampleRate;
  if (at.crossfade.IsMade()) {
    half = std::max(half, at.crossfade.frames / 2 + at.crossfade.frames / kMarginShare);
  }
  half = std::max<int64_t>(half, 1);
  return {at.position - half, 2 * half};
}

struct Scale {
  PictureSpan span;
  double X(int64_t frame) const {
    return static_cast<double>(frame - span.first) * kWidth / static_cast<double>(span.frames);
  }
};

double Drawn(double value) {
  if (std::isnan(value)) {
    return 0.0;
  }
  return std::clamp(value, -kMostDrawnPeak, kMostDrawnPeak);
}

void AddEnvelope(PageOutput& page, const std::vector<PeakColumn>& peaks, const Lane& lane,
                 const char* cssClass) {
  const double half = kLaneHeight / 2.0;
  const double columnWidth = static_cast<double>(kWidth) / static_cast<double>(peaks.size());
  page.AddFormatted("<polygon class=\"%s\" data-columns=\"%zu\" points=\"", cssClass, peaks.size());
  for (size_t c = 0; c < peaks.size(); ++c) {
    page.AddFormatted("%.1f,%.1f ", (c + 0.5) * columnWidth,
                      lane.Middle() - Drawn(peaks[c].high) * half);
  }
  for (size_t c = peaks.size(); c-- > 0;) {
    page.AddFormatted("%.1f,%.1f ", (c + 0.5) * columnWidth,
                      lane.Middle() - Drawn(peaks[c].low) * half);
  }
  page.Add("\"/>\n");
}

void AddTakeLane(PageOutput& page, const TrackPlan& track, size_t take, OpenTakes& takes,
                 const PictureSpan& span, const Lane& lane, const char* role) {
  const PlannedTake& planned = track.takes[take];
  page.AddFormatted("<text class=\"take-name\" x=\"2\" y=\"%d\">%s: ", lane.top - 3, role);
  page.Add(EscapeHtml(planned.path));
  page.Add("</text>\n");
  page.AddFormatted("<rect class=\"wave-lane\" x=\"0\" y=\"%d\" width=\"%d\" height=\"%d\"/>\n",
                    lane.top, kWidth, kLaneHeight);
  const TakeSamples samples{takes.Get(take), planned.area, planned.audioFrames,
                            track.header.format};
  AddEnvelope(page, ReadPeakEnvelope(samples, span.first, span.frames, kColumns), lane, "wave");
}

// The gain of a take over the picture: `outgoing` falls from 1 to 0 across
// the crossfade (at the cut where there is none), the incoming one rises.
void AddGainLine(PageOutput& page, const EditPlan& edit, int32_t curve, const Scale& scale,
                 const Lane& lane, bool outgoing) {
  const auto y = [&](double gain) { return lane.top + kLaneHeight * (1.0 - gain); };
  const double before = outgoing ? 1.0 : 0.0;
  page.AddFormatted("<polyline class=\"gain %s\" points=\"0,%.1f ",
                    outgoing ? "gain-out" : "gain-in", y(before));
  if (edit.crossfade.IsMade() && edit.crossfade.frames > 0) {
    const CrossfadePlan& fade = edit.crossfade;
    for (int32_t p = 0; p <= kCurvePoints; ++p) {
      const int64_t k = std::min(fade.frames - 1, fade.frames * p / kCurvePoints);
      const CrossfadeGains gains = GainsAt(curve, k, fade.frames);
      page.AddFormatted("%.1f,%.1f ", scale.X(fade.first + fade.frames * p / kCurvePoints),
                        y(outgoing ? gains.outgoing : gains.incoming));
    }
  } else {
    page.AddFormatted("%.1f,%.1f %.1f,%.1f ", scale.X(edit.position), y(before),
                      scale.X(edit.position), y(1.0 - before));
  }
  page.AddFormatted("%d,%.1f\"/>\n", kWidth, y(1.0 - before));
}

void AddCrossfadeWindow(PageOutput& page, const EditPlan& edit, const Scale& scale) {
  if (!edit.crossfade.IsMade()) {
    return;
  }
  const CrossfadePlan& fade = edit.crossfade;
  page.AddFormatted(
      "<rect class=\"xfade-window\" data-first=\"%lld\" data-frames=\"%lld\" x=\"%.2f\" y=\"0\" "
      "width=\"%.2f\" height=\"%d\"/>\n",
      static_cast<long long>(fade.first), static_cast<long long>(fade.frames), scale.X(fade.first),
      scale.X(fade.first + fade.frames) - scale.X(fade.first), kHeight);
}

}  // namespace

const FileHandle& OpenTakes::Get(size_t take) {
  FileHandle& file = files_[take];
  if (!file.IsOpen()) {
    file = FileHandle::OpenRegularForReading(track_.takes[take].path);
    if (!file.IsOpen()) {
      EndRun(">> Cannot read %s, exiting\n", VisibleText(track_.takes[take].path).c_str());
    }
  }
  return file;
}

std::optional<size_t> OutgoingTakeOf(const TrackPlan& track, size_t edit) {
  if (track.edits[edit].crossfade.IsMade()) {
    return track.edits[edit].crossfade.outgoing;
  }
  for (size_t e = edit; e-- > 0;) {
    if (track.edits[e].HasSegment()) {
      return track.edits[e].take;
    }
  }
  return std::nullopt;
}

void AddCutPicture(PageOutput& page, const TrackPlan& track, size_t edit, OpenTakes& takes) {
  const EditPlan& at = track.edits[edit];
  const Scale scale{PictureSpanOf(track, edit)};
  page.AddFormatted(
      "<svg class=\"cut-picture\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
      "viewBox=\"0 0 %d %d\" data-first=\"%lld\" data-frames=\"%lld\">\n",
      kWidth, kHeight, kWidth, kHeight, static_cast<long long>(scale.span.first),
      static_cast<long long>(scale.span.frames));
  AddCrossfadeWindow(page, at, scale);
  const std::optional<size_t> outgoing = OutgoingTakeOf(track, edit);
  if (outgoing) {
    AddTakeLane(page, track, *outgoing, takes, scale.span, kOutgoingLane, "out");
    AddGainLine(page, at, track.curve, scale, kOutgoingLane, true);
  }
  AddTakeLane(page, track, at.take, takes, scale.span, kIncomingLane, "in");
  if (outgoing) {
    AddGainLine(page, at, track.curve, scale, kIncomingLane, false);
  }
  page.AddFormatted(
      "<line class=\"cut-line\" data-frame=\"%lld\" x1=\"%.2f\" y1=\"0\" x2=\"%.2f\" y2=\"%d\"/>\n",
      static_cast<long long>(at.position), scale.X(at.position), scale.X(at.position), kHeight);
  page.Add("</svg>\n");
}

}  // namespace wexmont
