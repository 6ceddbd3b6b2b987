#include "wav/wav_header.h"

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"

namespace wexmont {
namespace {

constexpr uint32_t kFormatChunkBytes = 16;
constexpr uint16_t kFormatPcm = 1;

// Field offsets of the header.
constexpr size_t kRiffId = 0;
constexpr size_t kRiffSize = 4;
constexpr size_t kWaveId = 8;
constexpr size_t kFormatId = 12;
constexpr size_t kFormatSize = 16;
constexpr size_t kFormatCode = 20;
constexpr size_t kChannels = 22;
constexpr size_t kSampleRate = 24;
constexpr size_t kByteRate = 28;
constexpr size_t kBlockAlign = 32;
constexpr size_t kBitsPerSample = 34;
constexpr size_t kDataId = 36;
constexpr size_t kDataSize = 40;

int64_t DataBytes(int32_t bitsPerSample, int64_t frameCount, int32_t channels) {
  return frameCount * (bitsPerSample >> 3) * static_cast<uint16_t>(channels);
}

void PutId(WavHeader& header, size_t offset, const char (&id)[5]) {
  for (size_t i = 0; i < 4; ++i) {
    header[offset + i] = static_cast<uint8_t>(id[i]);
  }
}

}  // namespace

WavHeader BuildHeader(uint32_t sampleRate, int32_t bitsPerSample, int64_t frameCount,
                      int32_t channels) {
  const uint16_t channelBits = static_cast<uint16_t>(channels);
  const uint32_t bytesPerSample = static_cast<uint32_t>(bitsPerSample >> 3);
  const uint32_t dataSize = static_cast<uint32_t>(DataBytes(bitsPerSample, frameCount, channels));

  WavHeader header{};
  PutId(header, kRiffId, "RIFF");
  Store32LE(&header[kRiffSize], dataSize + kRiffSizeBeyondData);
  PutId(header, kWaveId, "WAVE");
  PutId(header, kFormatId, "fmt ");
  Store32LE(&header[kFormatSize], kFormatChunkBytes);
  Store16LE(&header[kFormatCode], kFormatPcm);
  Store16LE(&header[kChannels], channelBits);
  Store32LE(&header[kSampleRate], sampleRate);
  Store32LE(&header[kByteRate], sampleRate * bytesPerSample * channelBits);
  Store16LE(&header[kBlockAlign],
            static_cast<uint16_t>((static_cast<uint32_t>(bitsPerSample) * channelBits) >> 3));
  Store16LE(&header[kBitsPerSample], static_cast<uint16_t>(bitsPerSample));
  PutId(header, kDataId, "data");
  Store32LE(&header[kDataSize], dataSize);
  return header;
}

void WriteWavHeader(const std::string& path, uint32_t sampleRate, int32_t bitsPerSample,
                    int64_t frameCount, int32_t channels) {
  // The frame count is bounded first, so that the product cannot overflow.
  const bool fits = frameCount >= 0 && frameCount <= kMaxDataBytes;
  const int64_t dataBytes = fits ? DataBytes(bitsPerSample, frameCount, channels) : -1;
  if (!fits || dataBytes < 0 || dataBytes > kMaxDataBytes) {
    EndRun(">> %s would hold %lld frames, more than a WAV file can, exiting\n",
           VisibleText(path).c_str(), static_cast<long long>(frameCount));
  }
  const WavHeader header = BuildHeader(sampleRate, bitsPerSample, frameCount, channels);
  FileHandle file = FileHandle::CreateEmpty(path);
  if (!file.IsOpen()) {
    EndRun(">> Cannot create %s, exiting\n", VisibleText(path).c_str());
  }
  if (!file.WriteAt(0, header) || !file.Close()) {
    EndRun(">> Cannot write %s, exiting\n", VisibleText(path).c_str());
  }
}

}  // namespace wexmont
