#include "wav/wav_header.h"

#include <algorithm>
#include <array>
#include <span>

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"
#include "wav/block_alignment.h"

namespace wexmont {
namespace {

constexpr uint32_t kPlainFormatBytes = 16;
constexpr uint16_t kExtensionBytes = 22;  // cbSize: the extensible fields after it
constexpr int64_t kRiffSizeField = 8;     // bytes up to and including the RIFF size

// The speaker positions the format defines, and "all speakers"; other bits
// are reserved, so a take's mask is carried without them.
constexpr uint32_t kDefinedSpeakerBits = 0x0003FFFF;
constexpr uint32_t kAllSpeakers = 0x80000000;

// The sub-format GUID after its first two bytes, which are the format code.
constexpr std::array<uint8_t, 14> kSubFormatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Field offsets, the same in both headers up to the bits per sample.
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
// The extensible fields.
constexpr size_t kExtensionSize = 36;
constexpr size_t kValidBits = 38;
constexpr size_t kChannelMask = 40;
constexpr size_t kSubFormat = 44;
// The data chunk comes last, 8 bytes before the samples.
constexpr int64_t kDataIdBeforeSamples = 8;
constexpr int64_t kDataSizeBeforeSamples = 4;
constexpr size_t kChunkSizeOffset = 4;  // in any chunk, after its id

int64_t DataBytes(const SampleFormat& format, int64_t frameCount) {
  return frameCount * format.BytesPerSample() * static_cast<uint16_t>(format.channels);
}

void PutId(WavHeader& header, size_t offset, const char (&id)[5]) {
  for (size_t i = 0; i < 4; ++i) {
    header[offset + i] = static_cast<uint8_t>(id[i]);
  }
}

// The plain chunk's rates follow the plain header's own arithmetic, which
// agrees with the extensible one for every width of whole bytes.
void PutPlainFormat(WavHeader& header, const SampleFormat& format) {
  const uint16_t channelBits = static_cast<uint16_t>(format.channels);
  const uint32_t bytesPerSample = static_cast<uint32_t>(format.BytesPerSample());
  Store32LE(&header[kFormatSize], kPlainFormatBytes);
  Store16LE(&header[kFormatCode], kFormatCodePcm);
  Store16LE(&header[kChannels], channelBits);
  Store32LE(&header[kSampleRate], format.sampleRate);
  Store32LE(&header[kByteRate], format.sampleRate * bytesPerSample * channelBits);
  Store16LE(
      &header[kBlockAlign],
      static_cast<uint16_t>((static_cast<uint32_t>(format.bitsPerSample) * channelBits) >> 3));
  Store16LE(&header[kBitsPerSample], static_cast<uint16_t>(format.bitsPerSample));
}

void PutExtensibleFormat(WavHeader& header, const SampleFormat& format) {
  const uint16_t blockAlign =
      static_cast<uint16_t>(format.BytesPerSample() * static_cast<uint16_t>(format.channels));
  const uint16_t bits = static_cast<uint16_t>(format.bitsPerSample);
  Store32LE(&header[kFormatSize], kExtensibleFormatBytes);
  Store16LE(&header[kFormatCode], kFormatCodeExtensible);
  Store16LE(&header[kChannels], static_cast<uint16_t>(format.channels));
  Store32LE(&header[kSampleRate], format.sampleRate);
  Store32LE(&header[kByteRate], format.sampleRate * blockAlign);
  Store16LE(&header[kBlockAlign], blockAlign);
  Store16LE(&header[kBitsPerSample], bits);
  Store16LE(&header[kExtensionSize], kExtensionBytes);
  Store16LE(&header[kValidBits], bits);
  Store32LE(&header[kChannelMask], format.channelMask & (kDefinedSpeakerBits | kAllSpeakers));
  Store16LE(&header[kSubFormat],
            format.kind == SampleKind::kFloat ? kFormatCodeFloat : kFormatCodePcm);
  std::copy(kSubFormatTail.begin(), kSubFormatTail.end(), header.begin() + kSubFormat + 2);
}

}  // namespace

bool TakesPlainHeader(const SampleFormat& format) {
  return format.kind == SampleKind::kInteger &&
         (format.bitsPerSample == 16 || format.bitsPerSample == 24) &&
         (format.channels == 1 || format.channels == 2);
}

int64_t HeaderBytes(const SampleFormat& format) {
  return TakesPlainHeader(format) ? kHeaderBytes : kExtensibleHeaderBytes;
}

int64_t MaxDataBytes(const SampleFormat& format, int64_t metadataBytes) {
  return 0xFFFFFFFFLL - (HeaderBytes(format) + metadataBytes - kRiffSizeField);
}

WavHeader BuildHeader(const SampleFormat& format, int64_t frameCount, int64_t metadataBytes) {
  const int64_t headerBytes = HeaderBytes(format);
  const uint32_t dataSize = static_cast<uint32_t>(DataBytes(format, frameCount));
  WavHeader header(static_cast<size_t>(headerBytes), 0);
  PutId(header, kRiffId, "RIFF");
  Store32LE(&header[kRiffSize],
            dataSize + static_cast<uint32_t>(headerBytes + metadataBytes - kRiffSizeField));
  PutId(header, kWaveId, "WAVE");
  PutId(header, kFormatId, "fmt ");
  if (TakesPlainHeader(format)) {
    PutPlainFormat(header, format);
  } else {
    PutExtensibleFormat(header, format);
  }
  PutId(header, static_cast<size_t>(headerBytes - kDataIdBeforeSamples), "data");
  Store32LE(&header[static_cast<size_t>(headerBytes - kDataSizeBeforeSamples)], dataSize);
  return header;
}

WavHeader BuildJunkChunk(int64_t chunkBytes) {
  WavHeader chunk(static_cast<size_t>(std::max(chunkBytes, kJunkChunkHeaderBytes)), 0);
  PutId(chunk, 0, "JUNK");
  Store32LE(&chunk[kChunkSizeOffset], static_cast<uint32_t>(chunk.size() - kJunkChunkHeaderBytes));
  return chunk;
}

void WriteWavHeader(const std::string& path, const SampleFormat& format, int64_t frameCount,
                    const CarriedMetadata& metadata, int64_t padBytes) {
  // The frame count is bounded first, so that the product cannot overflow.
  const int64_t metadataBytes = metadata.ChunkBytes() + padBytes;
  const int64_t maxDataBytes = MaxDataBytes(format, metadataBytes);
  const bool fits = frameCount >= 0 && frameCount <= maxDataBytes;
  const int64_t dataBytes = fits ? DataBytes(format, frameCount) : -1;
  if (!fits || dataBytes < 0 || dataBytes > maxDataBytes) {
    EndRun(">> %s would hold %lld frames, more than a WAV file can, exiting\n",
           VisibleText(path).c_str(), static_cast<long long>(frameCount));
  }
  const WavHeader header = BuildHeader(format, frameCount, metadataBytes);
  FileHandle file = FileHandle::CreateEmpty(path);
  if (!file.IsOpen()) {
    EndRun(">> Cannot create %s, exiting\n", VisibleText(path).c_str());
  }
  // The carried chunks, then the pad, go between the format chunk and the
  // data chunk.
  const auto dataChunk = std::span(header).last(static_cast<size_t>(kDataIdBeforeSamples));
  const auto beforeData = std::span(header).first(header.size() - dataChunk.size());
  bool written = file.WriteAt(0, beforeData);
  int64_t position = written ? WriteCarriedMetadata(file, path, beforeData.size(), metadata) : 0;
  if (written && padBytes > 0) {
    written = file.WriteAt(position, BuildJunkChunk(padBytes));
    position += padBytes;
  }
  written = written && file.WriteAt(position, dataChunk);
  if (!written || !file.Close()) {
    EndRun(">> Cannot write %s, exiting\n", VisibleText(path).c_str());
  }
}

}  // namespace wexmont
