#include "driver/report/cut_sheet.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <string>

#include "driver/read/take_check.h"
#include "driver/report/cut_picture.h"
#include "driver/report/page_output.h"
#include "driver/report/report_text.h"
#include "driver/report/sheet_assets.h"
#include "foundation/console.h"
#include "foundation/html_text.h"
#include "xfade/crossfade_curve.h"

namespace wexmont {
namespace {

constexpr int32_t kOverviewWidth = 1000;
constexpr int32_t kLabelWidth = 170;  // the lanes' names, left of the timeline
constexpr int32_t kTimelineWidth = kOverviewWidth - kLabelWidth;
constexpr int32_t kLaneHeight = 24;
constexpr int32_t kSegmentInset = 3;
constexpr int32_t kAxisHeight = 22;
constexpr int32_t kMostTicks = 10;
constexpr int64_t kPlayerMarginSeconds = 1;

// Exact enough for a player to land on the frame.
std::string PlayerSeconds(int64_t frame, uint32_t rate) {
  char text[32];
  std::snprintf(text, sizeof text, "%.6f", static_cast<double>(frame) / rate);
  return text;
}

enum class OutputState { kMissing, kBuilt, kOtherSize };

// Whether the output holds a build of this plan, as far as its size tells:
// a player on an output built from another edit list would play other cuts.
// Its size is the one its header layout announces, cut markers included.
OutputState OutputStateOf(const TrackPlan& track) {
  struct stat info;
  if (::stat(track.outputName.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
    return OutputState::kMissing;
  }
  return info.st_size == track.header.layout.FileBytes() ? OutputState::kBuilt
                                                         : OutputState::kOtherSize;
}

const char* OutputStateText(OutputState state) {
  switch (state) {
    case OutputState::kMissing:
      return " &#8212; not built yet, so no players";
    case OutputState::kOtherSize:
      return " &#8212; the file there is not the build of this plan (its size differs): build "
             "again to listen";
    case OutputState::kBuilt:
      break;
  }
  return "";
}

// Output frames to overview pixels.
struct Timeline {
  int64_t length;
  double X(int64_t frame) const {
    return kLabelWidth + static_cast<double>(frame) * kTimelineWidth /
                             static_cast<double>(std::max<int64_t>(length, 1));
  }
};

int32_t LaneTop(size_t take) {
  return static_cast<int32_t>(take) * kLaneHeight;
}

void AddNoteItems(PageOutput& page, const Plan& plan, size_t track, size_t edit) {
  for (const PlanNote& note : plan.notes) {
    if (note.track == track && note.edit == edit) {
      page.AddFormatted("<li class=\"note\" data-track=\"%zu\" data-edit=\"%zu\">", note.track,
                        note.edit);
      page.Add(EscapeHtml(note.text));
      page.Add("</li>\n");
    }
  }
}

bool HasNotes(const Plan& plan, size_t track, size_t edit) {
  return std::any_of(plan.notes.begin(), plan.notes.end(), [&](const PlanNote& note) {
    return note.track == track && note.edit == edit;
  });
}

void AddLanes(PageOutput& page, const TrackPlan& track) {
  for (size_t t = 0; t < track.takes.size(); ++t) {
    const std::string name = EscapeHtml(track.takes[t].path);
    page.AddFormatted("<g class=\"lane\" data-take=\"%zu\" data-name=\"", t);
    page.Add(name);
    page.AddFormatted(
        "\"><rect class=\"lane-bg\" x=\"0\" y=\"%d\" width=\"%d\" height=\"%d\"/>"
        "<text x=\"4\" y=\"%d\">",
        LaneTop(t), kOverviewWidth, kLaneHeight, LaneTop(t) + kLaneHeight - 8);
    page.Add(name);
    page.Add("</text></g>\n");
  }
}

void AddBlock(PageOutput& page, const Timeline& timeline, const char* cssClass, size_t edit,
              size_t take, int64_t first, int64_t end) {
  page.AddFormatted(
      "<rect class=\"%s\" data-edit=\"%zu\" data-take=\"%zu\" data-first=\"%lld\" "
      "data-frames=\"%lld\" x=\"%.2f\" y=\"%d\" width=\"%.2f\" height=\"%d\"/>\n",
      cssClass, edit + 1, take, static_cast<long long>(first), static_cast<long long>(end - first),
      timeline.X(first), LaneTop(take) + kSegmentInset, timeline.X(end) - timeline.X(first),
      kLaneHeight - 2 * kSegmentInset);
}

void AddSegments(PageOutput& page, const TrackPlan& track, const Timeline& timeline) {
  for (size_t e = 0; e < track.edits.size(); ++e) {
    const EditPlan& edit = track.edits[e];
    if (!edit.HasSegment()) {
      continue;
    }
    const int64_t silence = std::clamp(edit.silenceFrom, edit.position, edit.SegmentEnd());
    AddBlock(page, timeline, "segment", e, edit.take, edit.position, silence);
    if (silence < edit.SegmentEnd()) {
      AddBlock(page, timeline, "silence", e, edit.take, silence, edit.SegmentEnd());
    }
  }
}

void AddCrossfadeMarks(PageOutput& page, const TrackPlan& track, const Timeline& timeline,
                       int32_t height) {
  for (size_t e = 0; e < track.edits.size(); ++e) {
    const CrossfadePlan& fade = track.edits[e].crossfade;
    if (!fade.IsMade()) {
      continue;
    }
    const double x = timeline.X(fade.first);
    const double width = timeline.X(fade.first + fade.frames) - x;
    page.AddFormatted(
        "<g class=\"crossfade\" data-edit=\"%zu\" data-first=\"%lld\" data-frames=\"%lld\">"
        "<rect class=\"xfade-mark\" x=\"%.2f\" y=\"0\" width=\"%.2f\" height=\"%d\"/>"
        "<line class=\"xfade-centre\" x1=\"%.2f\" y1=\"0\" x2=\"%.2f\" y2=\"%d\"/>"
        "<title>edit %zu: crossfade of %lld frames, %s</title></g>\n",
        e + 1, static_cast<long long>(fade.first), static_cast<long long>(fade.frames), x,
        std::max(width, 1.0), height, x + width / 2, x + width / 2, height, e + 1,
        static_cast<long long>(fade.frames), CurveName(fade.curve));
  }
}

void AddNoteMarks(PageOutput& page, const Plan& plan, const TrackPlan& track,
                  const Timeline& timeline, int32_t height) {
  for (const PlanNote& note : plan.notes) {
    if (note.track != track.number || note.edit < 1 || note.edit > track.edits.size()) {
      continue;
    }
    const double x = timeline.X(track.edits[note.edit - 1].position);
    page.AddFormatted(
        "<a href=\"#t%zu-e%zu\"><g class=\"note-mark\" data-edit=\"%zu\"><circle cx=\"%.2f\" "
        "cy=\"%d\" r=\"5\"/><title>",
        track.number, note.edit, note.edit, x, height + kAxisHeight - 6);
    page.Add(EscapeHtml(note.text));
    page.Add("</title></g></a>\n");
  }
}

// Ticks at a round number of seconds (1, 2, 5, 10, 20, 50, ...), at most
// kMostTicks of them.
void AddAxis(PageOutput& page, const TrackPlan& track, const Timeline& timeline, int32_t top) {
  const uint32_t rate = std::max<uint32_t>(track.header.format.sampleRate, 1);
  const double seconds = static_cast<double>(track.Length()) / rate;
  double step = 1.0;
  for (int32_t rung = 0; seconds / step > kMostTicks; ++rung) {
    step *= rung % 3 == 1 ? 2.5 : 2.0;
  }
  for (int64_t tick = 0; tick * step <= seconds; ++tick) {
    const double s = tick * step;
    const double x = timeline.X(static_cast<int64_t>(std::llround(s * rate)));
    page.AddFormatted(
        "<line class=\"tick\" x1=\"%.2f\" y1=\"%d\" x2=\"%.2f\" y2=\"%d\"/>"
        "<text class=\"tick-label\" x=\"%.2f\" y=\"%d\">%g s</text>\n",
        x, top, x, top + 4, x + 2, top + 14, s);
  }
}

void AddOverview(PageOutput& page, const Plan& plan, const TrackPlan& track) {
  const Timeline timeline{track.Length()};
  const int32_t lanesHeight = LaneTop(track.takes.size());
  const int32_t height = lanesHeight + kAxisHeight;
  page.AddFormatted(
      "<svg class=\"overview\" xmlns=\"http://www.w3.org/2000/svg\" width=\"%d\" height=\"%d\" "
      "viewBox=\"0 0 %d %d\" data-frames=\"%lld\" data-timeline-left=\"%d\" "
      "data-timeline-width=\"%d\">\n",
      kOverviewWidth, height, kOverviewWidth, height, static_cast<long long>(track.Length()),
      kLabelWidth, kTimelineWidth);
  AddLanes(page, track);
  if (track.leadIn > 0) {
    page.AddFormatted(
        "<rect class=\"lead-in\" data-frames=\"%lld\" x=\"%d\" y=\"0\" width=\"%.2f\" "
        "height=\"%d\"/>\n",
        static_cast<long long>(track.leadIn), kLabelWidth, timeline.X(track.leadIn) - kLabelWidth,
        lanesHeight);
  }
  AddSegments(page, track, timeline);
  AddCrossfadeMarks(page, track, timeline, lanesHeight);
  AddAxis(page, track, timeline, lanesHeight);
  AddNoteMarks(page, plan, track, timeline, lanesHeight);
  page.Add("</svg>\n");
}

std::string CrossfadeText(const TrackPlan& track, const EditPlan& edit, size_t e) {
  const CrossfadePlan& fade = edit.crossfade;
  const uint32_t rate = track.header.format.sampleRate;
  switch (fade.outcome) {
    case CrossfadeOutcome::kNone:
      return e == 0 ? "the start of the output" : "hard cut";
    case CrossfadeOutcome::kTooCloseToStart:
      return "hard cut: a crossfade would start before the output";
    case CrossfadeOutcome::kOutgoingTakeEnded:
      return "hard cut: the outgoing take ends before the crossfade would start";
    case CrossfadeOutcome::kMade:
    case CrossfadeOutcome::kShortened:
      break;
  }
  std::string text =
      "crossfade " + std::to_string(fade.frames) + " frames " + CurveName(fade.curve);
  text += ", ";
  text += SecondsText(fade.first, rate);
  text += " s to ";
  text += SecondsText(fade.first + fade.frames, rate);
  text += " s";
  if (fade.outcome == CrossfadeOutcome::kShortened) {
    text += " (shortened from ";
    text += std::to_string(track.crossfadeFrames);
    text += " frames to fit)";
  }
  return text;
}

// The output from a second before the cut to a second after it.
void AddPlayer(PageOutput& page, const TrackPlan& track, const EditPlan& edit) {
  const uint32_t rate = track.header.format.sampleRate;
  const int64_t first = std::max<int64_t>(0, edit.position - kPlayerMarginSeconds * rate);
  const int64_t end = std::min(track.Length(), edit.position + kPlayerMarginSeconds * rate);
  if (first >= end) {
    return;
  }
  const std::string start = PlayerSeconds(first, rate), stop = PlayerSeconds(end, rate);
  page.Add("<audio class=\"player\" controls preload=\"none\" src=\"");
  page.Add(EscapeHtml(RelativeFileUrl(track.outputName)));
  page.AddFormatted(
      "#t=%s,%s\" data-start=\"%s\" data-end=\"%s\" data-first-frame=\"%lld\" "
      "data-end-frame=\"%lld\"></audio>\n",
      start.c_str(), stop.c_str(), start.c_str(), stop.c_str(), static_cast<long long>(first),
      static_cast<long long>(end));
}

void AddCutCard(PageOutput& page, const Plan& plan, const TrackPlan& track, size_t e, bool built,
                OpenTakes& takes) {
  const EditPlan& edit = track.edits[e];
  const uint32_t rate = track.header.format.sampleRate;
  const bool last = e + 1 == track.edits.size();
  page.AddFormatted(
      "<article class=\"cut\" id=\"t%zu-e%zu\" tabindex=\"-1\" data-track=\"%zu\" "
      "data-edit=\"%zu\" data-position=\"%lld\">\n<h3>Edit %zu at %s s (frame %lld)",
      track.number, e + 1, track.number, e + 1, static_cast<long long>(edit.position), e + 1,
      SecondsText(edit.position, rate).c_str(), static_cast<long long>(edit.position));
  page.Add(last ? ", the end</h3>\n<p>" : "</h3>\n<p>");
  if (const std::optional<size_t> outgoing = OutgoingTakeOf(track, e)) {
    page.Add(EscapeHtml(track.takes[*outgoing].path));
    page.Add(" &#8594; ");
  }
  page.Add(EscapeHtml(track.takes[edit.take].path));
  page.Add(" &#183; ");
  page.Add(EscapeHtml(CrossfadeText(track, edit, e)));
  page.Add("</p>\n");
  AddCutPicture(page, track, e, takes);
  if (built && e > 0 && edit.HasSegment()) {
    AddPlayer(page, track, edit);
  }
  if (HasNotes(plan, track.number, e + 1)) {
    page.Add("<ul class=\"notes\">\n");
    AddNoteItems(page, plan, track.number, e + 1);
    page.Add("</ul>\n");
  }
  page.Add("</article>\n");
}

void AddTrack(PageOutput& page, const Plan& plan, const TrackPlan& track) {
  const SampleFormat& format = track.header.format;
  const OutputState output = OutputStateOf(track);
  const bool built = output == OutputState::kBuilt;
  page.AddFormatted(
      "<section class=\"track\" id=\"t%zu\" data-track=\"%zu\" data-frames=\"%lld\" "
      "data-rate=\"%u\" data-built=\"%s\">\n<h2>Track %zu: ",
      track.number, track.number, static_cast<long long>(track.Length()), format.sampleRate,
      built ? "yes" : "no", track.number);
  page.Add(EscapeHtml(track.baseName));
  page.AddFormatted("</h2>\n<p class=\"facts\">%u Hz, %d-bit%s, %s, built to <code>",
                    format.sampleRate, format.bitsPerSample,
                    format.kind == SampleKind::kFloat ? " float" : "",
                    ChannelsText(format.channels).c_str());
  page.Add(EscapeHtml(track.outputName));
  page.AddFormatted(
      "</code>: %lld frames (%s s)%s; crossfades: ", static_cast<long long>(track.Length()),
      SecondsText(track.Length(), format.sampleRate).c_str(), OutputStateText(output));
  if (track.curve == kNoCrossfade || track.crossfadeFrames < 1) {
    page.Add("none</p>\n");
  } else {
    page.AddFormatted("%lld frames %s</p>\n", static_cast<long long>(track.crossfadeFrames),
                      CurveName(track.curve));
  }
  AddOverview(page, plan, track);
  if (std::any_of(plan.notes.begin(), plan.notes.end(),
                  [&](const PlanNote& note) { return note.track == track.number; })) {
    page.Add("<ul class=\"notes\">\n");
    for (size_t e = 0; e <= track.edits.size(); ++e) {
      AddNoteItems(page, plan, track.number, e);
    }
    page.Add("</ul>\n");
  }
  OpenTakes takes(track);
  for (size_t e = 0; e < track.edits.size(); ++e) {
    AddCutCard(page, plan, track, e, built, takes);
  }
  page.Add("</section>\n");
}

void AddContents(PageOutput& page, const Plan& plan) {
  page.Add("<nav><ul>\n");
  for (const TrackPlan& track : plan.tracks) {
    page.AddFormatted("<li><a href=\"#t%zu\">Track %zu: ", track.number, track.number);
    page.Add(EscapeHtml(track.baseName));
    page.Add("</a></li>\n");
  }
  page.Add("</ul></nav>\n");
}

}  // namespace

void WriteCutSheet(const Plan& plan) {
  PageOutput page(kCutSheetFile);
  page.Add(kSheetHead);
  page.AddFormatted(
      "<h1>Cut sheet</h1>\n<p class=\"summary\">%zu tracks, %zu edit points. Keys: "
      "<kbd>j</kbd>/<kbd>k</kbd> (or <kbd>&#8594;</kbd>/<kbd>&#8592;</kbd>) next and previous "
      "cut, <kbd>space</kbd> plays the cut around the edit point.</p>\n",
      plan.tracks.size(), plan.editCount);
  if (HasNotes(plan, 0, 0)) {
    page.Add("<ul class=\"notes\">\n");
    AddNoteItems(page, plan, 0, 0);
    page.Add("</ul>\n");
  }
  AddContents(page, plan);
  for (const TrackPlan& track : plan.tracks) {
    AddTrack(page, plan, track);
  }
  page.Add(kSheetTail);
  page.Finish();
}

}  // namespace wexmont
