#include "xfade/crossfade.h"

#include <algorithm>
#include <array>
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
  int32_t lowest;
  int32_t highest;
};

SampleRange RangeOf(int32_t bytesPerSample) {
  return bytesPerSample == kBytes16 ? SampleRange{-32768, 32767} : SampleRange{-8388608, 8388607};
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

// Places the crossfade in a take whose data tag is known. Returns the take's
// failure code when the start byte lies outside the take.
std::optional<int32_t> PlaceSpan(TakeSpan& take, int64_t dataTag, int64_t centreFrame,
                                 int64_t crossfadeFrames, int64_t bytesPerFrame,
                                 int32_t failureCode, const char* rangeMessage) {
  take.dataOffset = dataTag + kSampleAreaOffset;
  take.audioFrames = AudioFrames(take.file, dataTag, bytesPerFrame);
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

// Decoded samples of one block, one array per channel.
struct BlockSamples {
  std::array<int32_t, kBlockFrames> left{};
  std::array<int32_t, kBlockFrames> right{};
};

void Decode(const std::vector<uint8_t>& block, BlockSamples& samples, int32_t channels,
            int32_t bytesPerSample, int32_t frames) {
  if (channels == 1) {
    DecodeMono(block, samples.left, bytesPerSample, frames);
  } else {
    DecodeStereo(block, samples.left, samples.right, bytesPerSample, frames);
  }
}

void Encode(const BlockSamples& mixed, std::vector<uint8_t>& block, int32_t channels,
            int32_t bytesPerSample, int32_t frames) {
  if (channels == 1) {
    (bytesPerSample == kBytes16 ? EncodeMono16 : EncodeMono24)(mixed.left, block, frames);
  } else {
    (bytesPerSample == kBytes16 ? EncodeStereo16 : EncodeStereo24)(mixed.left, mixed.right, block,
                                                                   frames);
  }
}

void RefuseUnrenderable(int32_t crossfadeType, int32_t channels, int32_t bytesPerSample) {
  if (crossfadeType < kEqualPowerCurve || crossfadeType > kSineCurve) {
    EndRun(">> Crossfade type %d is not known, exiting\n", crossfadeType);
  }
  if ((channels != 1 && channels != 2) ||
      (bytesPerSample != kBytes16 && bytesPerSample != kBytes24)) {
    EndRun(">> Cannot crossfade %d channels of %d bytes, exiting\n", channels, bytesPerSample);
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

int32_t MixSample(int32_t outgoingSample, int32_t incomingSample, CrossfadeGains gains,
                  int32_t bytesPerSample) {
  long double mix = static_cast<long double>(outgoingSample) * gains.outgoing +
                    static_cast<long double>(incomingSample) * gains.incoming;
  if (bytesPerSample == kBytes16) {
    mix *= k24To16Scale;
  }
  // Two loud takes can sum above full scale on the equal-power curve; a
  // wrapped sample would be a full-scale pop, so the result is held at the
  // edge of the range instead.
  const SampleRange range = RangeOf(bytesPerSample);
  const long double held = std::clamp<long double>(mix, range.lowest, range.highest);
  return static_cast<int32_t>(held);  // truncation toward zero
}

int32_t RenderCrossfade(int64_t outgoingCentreFrame, int64_t incomingCentreFrame,
                        int64_t crossfadeFrames, int32_t crossfadeType,
                        const std::string& outgoingTake, const std::string& incomingTake,
                        const std::string& temporaryFile, int32_t channels,
                        int32_t bytesPerSample) {
  RefuseUnrenderable(crossfadeType, channels, bytesPerSample);
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

  const int64_t bytesPerFrame = int64_t{channels} * bytesPerSample;
  TakeSpan outgoing{outgoingFile, outgoingTake};
  TakeSpan incoming{incomingFile, incomingTake};
  // Both sample areas are found before either start byte is checked.
  const std::optional<int64_t> outgoingTag = FindDataTag(outgoingFile, kCrossfadeScanLast);
  if (!outgoingTag) {
    Say("Data block not found error\n");
    return kOutgoingTakeFailed;
  }
  const std::optional<int64_t> incomingTag = FindDataTag(incomingFile, kCrossfadeScanLast);
  if (!incomingTag) {
    Say("Data block not found error\n");
    return kIncomingTakeFailed;
  }
  if (auto failed =
          PlaceSpan(outgoing, *outgoingTag, outgoingCentreFrame, crossfadeFrames, bytesPerFrame,
                    kOutgoingTakeFailed, "Invalid crossfade for destination file")) {
    return *failed;
  }
  if (auto failed =
          PlaceSpan(incoming, *incomingTag, incomingCentreFrame, crossfadeFrames, bytesPerFrame,
                    kIncomingTakeFailed, "Invalid crossfade for source file")) {
    return *failed;
  }

  const size_t blockBytes = static_cast<size_t>(kBlockFrames * bytesPerFrame);
  std::vector<uint8_t> outgoingBlock(blockBytes), incomingBlock(blockBytes), mixedBlock(blockBytes);
  BlockSamples outgoingSamples, incomingSamples, mixed;
  for (int64_t blockStart = 0; blockStart < crossfadeFrames; blockStart += kBlockFrames) {
    const int32_t frames =
        static_cast<int32_t>(std::min(kBlockFrames, crossfadeFrames - blockStart));
    ReadBlock(outgoing, outgoing.startFrame + blockStart, frames, bytesPerFrame, outgoingBlock);
    ReadBlock(incoming, incoming.startFrame + blockStart, frames, bytesPerFrame, incomingBlock);
    Decode(outgoingBlock, outgoingSamples, channels, bytesPerSample, frames);
    Decode(incomingBlock, incomingSamples, channels, bytesPerSample, frames);
    for (int32_t i = 0; i < frames; ++i) {
      const CrossfadeGains gains = GainsAt(crossfadeType, blockStart + i, crossfadeFrames);
      mixed.left[i] =
          MixSample(outgoingSamples.left[i], incomingSamples.left[i], gains, bytesPerSample);
      if (channels == 2) {
        mixed.right[i] =
            MixSample(outgoingSamples.right[i], incomingSamples.right[i], gains, bytesPerSample);
      }
    }
    Encode(mixed, mixedBlock, channels, bytesPerSample, frames);
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
