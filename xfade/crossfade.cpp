#include "xfade/crossfade.h"

#include <algorithm>
#include <cmath>
#include <optional>
#include <vector>

#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"
#include "wav/data_chunk.h"
#include "wav/segment_copy.h"
#include "xfade/pcm_codec.h"

namespace wexmont {
namespace {

// A quarter turn as the curves have always used it: this decimal, not the
// double nearest to pi/2.
constexpr double kQuarterTurn = 1.570796327;
constexpr long double k24To16Scale = 0.00390625L;  // 1/256

struct SampleRange {
  long double lowest;
  long double highest;
};

SampleRange RangeOf(int32_t bytesPerSample) {
  switch (bytesPerSample) {
    case kBytes16:
      return {-32768.0L, 32767.0L};
    case kBytes24:
      return {-8388608.0L, 8388607.0L};
    default:
      return {-2147483648.0L, 2147483647.0L};
  }
}

// One take as the renderer reads it: where its samples start, how many
// frames of audio it has, and the first byte of the crossfade in it.
struct TakeSpan {
  const FileHandle& file;
  const std::string& path;
  int64_t dataOffset = 0;
  int64_t audioFrames = 0;
  int64_t startFrame = 0;
};

// Places the crossfade in a take whose sample area is known. Returns the
// take's failure code when the start byte lies outside the take.
std::optional<int32_t> PlaceSpan(TakeSpan& take, const SampleArea& area, int64_t centreFrame,
                                 int64_t crossfadeFrames, int64_t bytesPerFrame,
                                 int32_t failureCode, const char* rangeMessage) {
  take.dataOffset = area.DataOffset();
  take.audioFrames = AudioFrames(take.file, area, bytesPerFrame);
  take.startFrame = centreFrame - crossfadeFrames / 2;
  const int64_t startByte = take.dataOffset + bytesPerFrame * take.startFrame;
  if (startByte < take.dataOffset || startByte > take.file.Size()) {
    Say("%s\n", rangeMessage);
    return failureCode;
  }
  return std::nullopt;
}

// Reads `frames` frames from `firstFrame` on; frames past the take's audio
// are silence.
void ReadBlock(const TakeSpan& take, int64_t firstFrame, int64_t frames, int64_t bytesPerFrame,
               std::vector<uint8_t>& block) {
  std::fill(block.begin(), block.end(), 0);
  const int64_t supplied = std::clamp<int64_t>(take.audioFrames - firstFrame, 0, frames);
  const auto part = std::span(block.data(), static_cast<size_t>(supplied * bytesPerFrame));
  if (take.file.ReadAt(take.dataOffset + firstFrame * bytesPerFrame, part) < part.size()) {
    EndRun(">> Cannot read %s, exiting\n", VisibleText(take.path).c_str());
  }
}

void RefuseUnrenderable(int32_t crossfadeType, int32_t channels, SampleCoding coding) {
  if (crossfadeType < kEqualPowerCurve || crossfadeType > kSineCurve) {
    EndRun(">> Crossfade type %d is not known, exiting\n", crossfadeType);
  }
  if (channels < 1 || channels > kMaxChannels || !CodecKnows(coding)) {
    const char* kind = coding.kind == SampleKind::kInteger ? "integer"
                       : coding.kind == SampleKind::kFloat ? "float"
                                                           : "unknown";
    EndRun(">> Cannot crossfade %d channels of %d-byte %s samples, exiting\n", channels,
           coding.bytesPerSample, kind);
  }
}

}  // namespace

CrossfadeGains GainsAt(int32_t crossfadeType, int64_t frame, int64_t crossfadeFrames) {
  const long double p = static_cast<long double>(frame) / static_cast<long double>(crossfadeFrames);
  const long double theta = p * kQuarterTurn;
  const double sine = std::sin(static_cast<double>(theta));
  const double cosine = std::cos(static_cast<double>(theta));
  switch (crossfadeType) {
    case kEqualPowerCurve:
      return {cosine, sine};
    case kLinearCurve:
      return {static_cast<double>(1.0L - p), static_cast<double>(1.0L - (1.0L - p))};
    case kCosineCurve:
      return {cosine, static_cast<double>(1.0L - cosine)};
    case kSineCurve:
      return {static_cast<double>(1.0L - sine), static_cast<double>(1.0L - (1.0L - sine))};
    default:
      return {0.0, 0.0};
  }
}

double MixSample(double outgoingSample, double incomingSample, CrossfadeGains gains,
                 SampleCoding coding) {
  long double mix = static_cast<long double>(outgoingSample) * gains.outgoing +
                    static_cast<long double>(incomingSample) * gains.incoming;
  if (coding.kind == SampleKind::kFloat) {
    // A float sample has no edge to hold: a take above full scale keeps its
    // level through the crossfade.
    return static_cast<float>(mix);
  }
  if (coding.bytesPerSample == kBytes16) {
    mix *= k24To16Scale;
  }
  // Two loud takes can sum above full scale on the equal-power curve; a
  // wrapped sample would be a full-scale pop, so the result is held at the
  // edge of the range instead.
  const SampleRange range = RangeOf(coding.bytesPerSample);
  const long double held = std::clamp(mix, range.lowest, range.highest);
  return static_cast<int32_t>(held);  // truncation toward zero
}

int32_t RenderCrossfade(int64_t outgoingCentreFrame, int64_t incomingCentreFrame,
                        int64_t crossfadeFrames, int32_t crossfadeType,
                        const std::string& outgoingTake, const std::string& incomingTake,
                        const std::string& temporaryFile, int32_t channels, SampleCoding coding) {
  RefuseUnrenderable(crossfadeType, channels, coding);
  const FileHandle outgoingFile = FileHandle::OpenRegularForReading(outgoingTake);
  const FileHandle incomingFile = FileHandle::OpenRegularForReading(incomingTake);
  FileHandle temporary = FileHandle::OpenForAppend(temporaryFile);
  if (!outgoingFile.IsOpen()) {
    return kOutgoingTakeFailed;
  }
  if (!incomingFile.IsOpen()) {
    return kIncomingTakeFailed;
  }
  if (!temporary.IsOpen()) {
    return kTemporaryFileFailed;
  }

  const int64_t bytesPerFrame = int64_t{channels} * coding.bytesPerSample;
  TakeSpan outgoing{outgoingFile, outgoingTake};
  TakeSpan incoming{incomingFile, incomingTake};
  // Both sample areas are found before either start byte is checked.
  const std::optional<SampleArea> outgoingArea = FindSampleArea(outgoingFile, kCrossfadeScanLast);
  if (!outgoingArea) {
    Say("Data block not found error\n");
    return kOutgoingTakeFailed;
  }
  const std::optional<SampleArea> incomingArea = FindSampleArea(incomingFile, kCrossfadeScanLast);
  if (!incomingArea) {
    Say("Data block not found error\n");
    return kIncomingTakeFailed;
  }
  if (auto failed =
          PlaceSpan(outgoing, *outgoingArea, outgoingCentreFrame, crossfadeFrames, bytesPerFrame,
                    kOutgoingTakeFailed, "Invalid crossfade for destination file")) {
    return *failed;
  }
  if (auto failed =
          PlaceSpan(incoming, *incomingArea, incomingCentreFrame, crossfadeFrames, bytesPerFrame,
                    kIncomingTakeFailed, "Invalid crossfade for source file")) {
    return *failed;
  }

  const size_t blockBytes = static_cast<size_t>(kBlockFrames * bytesPerFrame);
  const size_t blockSamples = static_cast<size_t>(kBlockFrames * channels);
  std::vector<uint8_t> outgoingBlock(blockBytes), incomingBlock(blockBytes), mixedBlock(blockBytes);
  std::vector<double> outgoingSamples(blockSamples), incomingSamples(blockSamples),
      mixed(blockSamples);
  for (int64_t blockStart = 0; blockStart < crossfadeFrames; blockStart += kBlockFrames) {
    const int32_t frames =
        static_cast<int32_t>(std::min(kBlockFrames, crossfadeFrames - blockStart));
    const int32_t samples = frames * channels;
    ReadBlock(outgoing, outgoing.startFrame + blockStart, frames, bytesPerFrame, outgoingBlock);
    ReadBlock(incoming, incoming.startFrame + blockStart, frames, bytesPerFrame, incomingBlock);
    DecodeSamples(outgoingBlock, outgoingSamples, coding, samples);
    DecodeSamples(incomingBlock, incomingSamples, coding, samples);
    for (int32_t i = 0; i < frames; ++i) {
      const CrossfadeGains gains = GainsAt(crossfadeType, blockStart + i, crossfadeFrames);
      for (int32_t at = i * channels; at < (i + 1) * channels; ++at) {
        mixed[at] = MixSample(outgoingSamples[at], incomingSamples[at], gains, coding);
      }
    }
    EncodeSamples(mixed, mixedBlock, coding, samples);
    if (!temporary.Append(std::span(mixedBlock.data(), frames * bytesPerFrame))) {
      EndRun(">> Cannot write %s, exiting\n", temporaryFile.c_str());
    }
  }
  if (!temporary.Close()) {
    EndRun(">> Cannot write %s, exiting\n", temporaryFile.c_str());
  }
  return kCrossfadeRendered;
}

}  // namespace wexmont
