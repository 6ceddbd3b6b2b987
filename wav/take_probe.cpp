#include "wav/take_probe.h"

#include <array>
#include <cstdio>

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/file_messages.h"
#include "foundation/visible_text.h"
#include "wav/data_chunk.h"

namespace wexmont {
namespace {

// Format fields, counted from the format tag.
constexpr int64_t kFormatSizeOffset = 4;
constexpr int64_t kFormatCodeOffset = 8;
constexpr int64_t kChannelsOffset = 10;
constexpr int64_t kSampleRateOffset = 12;
constexpr int64_t kBitsPerSampleOffset = 22;
constexpr int64_t kChannelMaskOffset = 28;  // extensible chunks only
constexpr int64_t kSubFormatOffset = 32;    // extensible chunks only

uint32_t ReadFormatField(const FileHandle& file, const std::string& path, int64_t position,
                         size_t width) {
  std::array<uint8_t, 4> field{};
  if (file.ReadAt(position, std::span(field.data(), width)) < width) {
    EndRun(">> Take %s ends inside its format chunk, exiting\n", VisibleText(path).c_str());
  }
  return width == 2 ? Load16LE(field.data()) : Load32LE(field.data());
}

SampleKind KindOfCode(uint16_t formatCode) {
  switch (formatCode) {
    case kFormatCodePcm:
      return SampleKind::kInteger;
    case kFormatCodeFloat:
      return SampleKind::kFloat;
    default:
      return SampleKind::kOther;
  }
}

// The format code, and for an extensible chunk the code of its sub-format
// and its channel mask. An extensible chunk too short for its fields is
// left with its own code, which no build reads.
void ReadSampleKind(const FileHandle& file, const std::string& path, int64_t formatTag,
                    TakeAttributes& take) {
  take.formatCode =
      static_cast<uint16_t>(ReadFormatField(file, path, formatTag + kFormatCodeOffset, 2));
  if (take.formatCode == kFormatCodeExtensible &&
      ReadFormatField(file, path, formatTag + kFormatSizeOffset, 4) >= kExtensibleFormatBytes) {
    take.channelMask = ReadFormatField(file, path, formatTag + kChannelMaskOffset, 4);
    take.formatCode =
        static_cast<uint16_t>(ReadFormatField(file, path, formatTag + kSubFormatOffset, 2));
  }
  take.sampleKind = KindOfCode(take.formatCode);
}

}  // namespace

void SayFormatChunkMissing(const std::string& path) {
  // The fixed line names no file; the line before it does.
  Say(">> %s has no format chunk in its first %lld bytes\n", VisibleText(path).c_str(),
      static_cast<long long>(kProbeScanLast));
  Say(">> Can't find format chunk in wave file!\n");
}

TakeAttributes ProbeTake(const std::string& path) {
  const FileHandle file = FileHandle::OpenRegularForReading(path);
  if (!file.IsOpen()) {
    RefuseUnopenedFile(path, file.Error());
  }

  const ChunkWalk walk = WalkChunks(file);
  std::optional<int64_t> formatTag = FindFormatTag(file, walk);
  TakeAttributes take;
  if (!formatTag) {
    SayFormatChunkMissing(path);
    take.formatChunkFound = false;
    formatTag = kProbeScanLast;
  }
  take.channels =
      static_cast<int32_t>(ReadFormatField(file, path, *formatTag + kChannelsOffset, 2));
  take.bitsPerSample =
      static_cast<int32_t>(ReadFormatField(file, path, *formatTag + kBitsPerSampleOffset, 2));
  take.bytesPerSample = take.bitsPerSample >> 3;
  take.sampleRate = ReadFormatField(file, path, *formatTag + kSampleRateOffset, 4);
  ReadSampleKind(file, path, *formatTag, take);

  const std::optional<SampleArea> area = FindSampleArea(file, walk, kProbeScanLast);
  if (!area) {
    // The fixed line names no file; the line before it does.
    Say(">> %s has no data chunk in its first %lld bytes\n", VisibleText(path).c_str(),
        static_cast<long long>(kProbeScanLast));
    EndRun(">> Can't find data block in wave file, exiting\n");
  }
  take.area = *area;
  take.dataOffset = area->DataOffset();

  const int64_t bytesPerFrame = int64_t{take.channels} * take.bytesPerSample;
  if (bytesPerFrame == 0) {
    EndRun(">> Take %s has no whole bytes per frame (%d channels of %d bits), exiting\n",
           VisibleText(path).c_str(), take.channels, take.bitsPerSample);
  }
  take.frameCount = AudioFrames(file, *area, bytesPerFrame);
  take.metadata = FindTakeMetadata(file, walk);
  return take;
}

}  // namespace wexmont
