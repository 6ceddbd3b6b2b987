#include "driver/edit_plan.h"

#include <algorithm>
#include <cstdio>

#include "driver/cut_markers.h"
#include "foundation/console.h"
#include "foundation/visible_text.h"
#include "wav/wav_header.h"
#include "xfade/crossfade.h"

namespace wexmont {
namespace {

constexpr long double kFirstUnfitPosition = 0x1p62L;  // leaves room for sums of positions
constexpr long double kFirstUnfitCrossfade = 0x1p31L;
constexpr long double kMillisecondsPerSecond = 1000.0L;

int64_t BytesPerFrame(const TrackFormat& format) {
  return int64_t{format.BytesPerSample()} * format.channels;
}

// The output's RIFF size counts its carried metadata and its cut markers
// (and the data chunk's pad byte before them); the temporary crossfade file
// carries neither.
void RefuseOversizedFiles(const RunTables& run, int32_t t) {
  const int64_t bytesPerFrame = BytesPerFrame(run.trackFormat[t]);
  const int64_t maxDataBytes = MaxDataBytes(run.trackFormat[t]);
  const int64_t markerBytes = static_cast<int64_t>(
      BuildMarkerChunks(PlannedCutMarkers(run, t, PlanTrackOfRun(run, t))).size());
  const int64_t maxOutputBytes = MaxDataBytes(
      run.trackFormat[t], run.trackMetadata[t].ChunkBytes() +
                              BytesAfterSamples(run.outputLength[t] * bytesPerFrame, markerBytes));
  if (run.outputLength[t] * bytesPerFrame > maxOutputBytes) {
    EndRun(">> %s would hold %lld frames, more than a WAV file can, exiting\n",
           VisibleText(run.outputNames[t]).c_str(), static_cast<long long>(run.outputLength[t]));
  }
  if (run.crossfadeFrames[t] * bytesPerFrame > maxDataBytes) {
    EndRun(">> The crossfade of track %d is too long for %s, exiting\n", t + 1,
           kTemporaryCrossfadeFile);
  }
}

void PrintCrossfadeMatrix(const RunTables& run) {
  Say("Crossfade Matrix:\n");
  Say("track\tlength\ttype\n");
  for (int32_t t = 0; t < run.trackCount; ++t) {
    Say("%i\t%.1f\t%i\n", t + 1, static_cast<double>(run.crossfadeLength[t]), run.crossfadeType[t]);
  }
}

// The fixed failure message names only the edit point; the line before it
// names the take and where it ends.
[[noreturn]] void RefuseEditBeyondTake(size_t k, int64_t position, int64_t takeEnd,
                                       uint32_t sampleRate,
                                       std::span<const std::string> takeFiles) {
  if (k < takeFiles.size()) {
    Say(">> %s ends at %.3f s (frame %lld), edit %zu starts at %.3f s (frame %lld)\n",
        VisibleText(takeFiles[k]).c_str(), static_cast<double>(takeEnd) / sampleRate,
        static_cast<long long>(takeEnd), k + 1, static_cast<double>(position) / sampleRate,
        static_cast<long long>(position));
  }
  EndRun("Edit %i failed.  The take ends before the edit point.\nOutput files were not built\n",
         static_cast<int32_t>(k + 1));
}

}  // namespace

int64_t FramePosition(float seconds, uint32_t sampleRate, int32_t editNumber) {
  const long double frames = static_cast<long double>(seconds) * sampleRate;
  if (!(frames < kFirstUnfitPosition && frames > -kFirstUnfitPosition)) {
    EndRun(">> Edit %i lies too far from the start to be placed, exiting\n", editNumber);
  }
  return static_cast<int64_t>(frames);
}

int64_t CrossfadeFrameCount(float milliseconds, uint32_t sampleRate, int32_t trackNumber) {
  const long double seconds = static_cast<long double>(milliseconds) / kMillisecondsPerSecond;
  const long double frames = seconds * sampleRate;
  if (!(frames < kFirstUnfitCrossfade && frames > -kFirstUnfitCrossfade)) {
    EndRun(">> The crossfade of track %d is too long (%.1f ms), exiting\n", trackNumber,
           static_cast<double>(milliseconds));
  }
  return static_cast<int64_t>(frames);
}

TrackPlan PlanTrack(std::span<const float> times, uint32_t sampleRate,
                    std::span<const int64_t> takeFrames, int64_t longestTake,
                    std::span<const std::string> takeFiles) {
  const size_t n = times.size();
  TrackPlan plan;
  plan.edits.resize(n);
  if (n < 2) {
    return plan;  // no segment: the output holds no frames
  }
  int64_t next = FramePosition(times[0], sampleRate, 1);
  for (size_t k = 0; k + 1 < n; ++k) {
    EditPlanEntry& edit = plan.edits[k];
    edit.editPosition = next;
    next = FramePosition(times[k + 1], sampleRate, static_cast<int32_t>(k + 2));
    // Segments meet exactly: each ends where the next edit position begins.
    edit.segmentLength = next - edit.editPosition;
    int64_t end = edit.editPosition + edit.segmentLength;
    if (end > longestTake) {
      edit.segmentLength = longestTake - edit.editPosition;
      end = longestTake;
    }
    const int64_t takeEnd = takeFrames[k];
    if (edit.editPosition > takeEnd) {
      RefuseEditBeyondTake(k, edit.editPosition, takeEnd, sampleRate, takeFiles);
    }
    if (takeEnd < end) {
      edit.tailPad = true;
      edit.tailPadLength = end - takeEnd;
      edit.tailPadPosition = takeEnd;
    }
  }
  const EditPlanEntry& lastSegment = plan.edits[n - 2];
  plan.outputLength = std::min(longestTake, lastSegment.editPosition + lastSegment.segmentLength);
  return plan;
}

bool CrossfadeIsDue(int64_t editPosition, int64_t crossfadeFrames, int32_t crossfadeType) {
  return crossfadeType != kNoCrossfade &&
         static_cast<double>(editPosition) > static_cast<double>(crossfadeFrames) * 0.5;
}

TrackPlan PlanTrackOfRun(const RunTables& run, int32_t track) {
  const size_t n = static_cast<size_t>(run.editCount);
  std::vector<std::string> takeFiles;
  for (size_t k = 0; k < n; ++k) {
    takeFiles.push_back(TakeFileName(run.baseNames[track], run.takeNames[k]));
  }
  return PlanTrack(std::span(run.editTimes.data(), n), run.trackFormat[track].sampleRate,
                   std::span(run.takeFrames).subspan(static_cast<size_t>(track) * n, n),
                   run.longestTake[track], takeFiles);
}

void PlanEdits(RunTables& run) {
  if (run.editCount > 0 && run.editTimes[0] < 0) {
    run.editTimes[0] = 0;
  }
  const size_t tracks = static_cast<size_t>(run.trackCount);
  run.leadIn.assign(tracks, 0);
  run.crossfadeFrames.assign(tracks, 0);
  for (int32_t t = 0; t < run.trackCount; ++t) {
    const uint32_t rate = run.trackFormat[t].sampleRate;
    run.outputLength[t] = PlanTrackOfRun(run, t).outputLength;
    if (run.editTimes[0] > 0) {
      run.leadIn[t] = FramePosition(run.editTimes[0], rate, 1);
    }
    // A negative length blends nothing: the cut stays hard, as with 0 ms.
    run.crossfadeFrames[t] =
        CrossfadeFrameCount(std::max(run.crossfadeLength[t], 0.0f), rate, t + 1);
    RefuseOversizedFiles(run, t);
  }
  PrintCrossfadeMatrix(run);
}

}  // namespace wexmont
