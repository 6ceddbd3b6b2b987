#include "wav/take_probe.h"

#include <array>
#include <cstdio>

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"
#include "wav/data_chunk.h"

namespace wexmont {
namespace {

// Format fields, counted from the format tag.
constexpr int64_t kChannelsOffset = 10;
constexpr int64_t kSampleRateOffset = 12;
constexpr int64_t kBitsPerSampleOffset = 22;

uint32_t ReadFormatField(const FileHandle& file, const std::string& path, int64_t position,
                         size_t width) {
  std::array<uint8_t, 4> field{};
  if (file.ReadAt(position, std::span(field.data(), width)) < width) {
    EndRun(">> Take %s ends inside its format chunk, exiting\n", VisibleText(path).c_str());
  }
  return width == 2 ? Load16LE(field.data()) : Load32LE(field.data());
}

}  // namespace

TakeAttributes ProbeTake(const std::string& path) {
  const FileHandle file = FileHandle::OpenRegularForReading(path);
  if (!file.IsOpen()) {
    EndRun(">> Cannot find file called %s, exiting\n", VisibleText(path).c_str());
  }

  std::optional<int64_t> formatTag = FindFormatTag(file);
  if (!formatTag) {
    // The fixed line names no file; the line before it does.
    Say(">> %s has no format chunk in its first %lld bytes\n", VisibleText(path).c_str(),
        static_cast<long long>(kProbeScanLast));
    Say(">> Can't find format chunk in wave file!\n");
    formatTag = kProbeScanLast;
  }
  TakeAttributes take;
  take.channels =
      static_cast<int32_t>(ReadFormatField(file, path, *formatTag + kChannelsOffset, 2));
  take.bitsPerSample =
      static_cast<int32_t>(ReadFormatField(file, path, *formatTag + kBitsPerSampleOffset, 2));
  take.bytesPerSample = take.bitsPerSample >> 3;
  take.sampleRate = ReadFormatField(file, path, *formatTag + kSampleRateOffset, 4);

  const std::optional<int64_t> dataTag = FindDataTag(file, kProbeScanLast);
  if (!dataTag) {
    EndRun(">> Can't find data block in wave file, exiting\n");
  }
  take.dataOffset = *dataTag + kSampleAreaOffset;

  const int64_t bytesPerFrame = int64_t{take.channels} * take.bytesPerSample;
  if (bytesPerFrame == 0) {
    EndRun(">> Take %s has no whole bytes per frame (%d channels of %d bits), exiting\n",
           VisibleText(path).c_str(), take.channels, take.bitsPerSample);
  }
  take.frameCount = AudioFrames(file, *dataTag, bytesPerFrame);
  return take;
}

}  // namespace wexmont
