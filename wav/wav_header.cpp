#include "wav/wav_header.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <span>

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "foundation/file_handle.h"
#include "foundation/visible_text.h"
#include "wav/block_alignment.h"
#include "wav/data_chunk.h"

namespace wexmont {
namespace {

constexpr uint32_t kPlainFormatBytes = 16;
constexpr uint16_t kExtensionBytes = 22;  // cbSize: the extensible fields after it
constexpr int64_t kRiffSizeField = 8;     // bytes up to and including the RIFF size
constexpr int64_t kFormHeaderBytes = 12;  // "RIFF", size, "WAVE"
constexpr uint32_t kFactPayloadBytes = 4;
constexpr uint32_t kDs64PayloadBytes = 28;
// What a 32-bit size field holds where the ds64 chunk holds the size.
constexpr uint32_t kSizeInDs64 = 0xFFFFFFFF;
constexpr int64_t kMaxRiffSize = 0xFFFFFFFF;
constexpr int64_t kMaxFileBytes = INT64_MAX;

// The speaker positions the format defines, and "all speakers"; other bits
// are reserved, so a take's mask is carried without them.
constexpr uint32_t kDefinedSpeakerBits = 0x0003FFFF;
constexpr uint32_t kAllSpeakers = 0x80000000;

// The sub-format GUID after its first two bytes, which are the format code.
constexpr std::array<uint8_t, 14> kSubFormatTail = {0x00, 0x00, 0x00, 0x00, 0x10, 0x00, 0x80,
                                                    0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

// Field offsets in the form header.
constexpr size_t kRiffId = 0;
constexpr size_t kRiffSize = 4;
constexpr size_t kWaveId = 8;
// Field offsets in a chunk, from its id.
constexpr size_t kChunkSize = 4;
constexpr size_t kPayload = 8;
// Format chunk fields, from its id; the same in both chunks up to the bits
// per sample.
constexpr size_t kFormatCode = 8;
constexpr size_t kChannels = 10;
constexpr size_t kSampleRate = 12;
constexpr size_t kByteRate = 16;
constexpr size_t kBlockAlign = 20;
constexpr size_t kBitsPerSample = 22;
// The extensible fields.
constexpr size_t kExtensionSize = 24;
constexpr size_t kValidBits = 26;
constexpr size_t kChannelMask = 28;
constexpr size_t kSubFormat = 32;
// ds64 fields, from its id.
constexpr size_t kDs64RiffSize = 8;
constexpr size_t kDs64DataSize = 16;
constexpr size_t kDs64SampleCount = 24;
// The data chunk comes last, 8 bytes before the samples.
constexpr int64_t kDataChunkHeaderBytes = 8;

uint32_t CarriedMask(const SampleFormat& format) {
  return format.channelMask & (kDefinedSpeakerBits | kAllSpeakers);
}

int64_t BytesPerFrame(const SampleFormat& format) {
  return int64_t{format.BytesPerSample()} * static_cast<uint16_t>(format.channels);
}

// Every header byte but the carried chunks, for a RIFF or an RF64 file.
int64_t OwnHeaderBytes(const SampleFormat& format, bool rf64) {
  const int64_t formatChunk =
      int64_t{kPayload} +
      (TakesPlainHeader(format) ? int64_t{kPlainFormatBytes} : int64_t{kExtensibleFormatBytes});
  const int64_t fact = format.kind == SampleKind::kFloat ? kFactChunkBytes : 0;
  return kFormHeaderBytes + (rf64 ? kDs64ChunkBytes : 0) + formatChunk + fact +
         kDataChunkHeaderBytes;
}

void PutId(WavHeader& header, size_t offset, const char (&id)[5]) {
  for (size_t i = 0; i < 4; ++i) {
    header[offset + i] = static_cast<uint8_t>(id[i]);
  }
}

// Puts a chunk's id and size at `at`; returns where its payload starts.
size_t PutChunkHeader(WavHeader& header, size_t at, const char (&id)[5], uint32_t size) {
  PutId(header, at, id);
  Store32LE(&header[at + kChunkSize], size);
  return at + kPayload;
}

// The plain chunk's rates follow the plain header's own arithmetic, which
// agrees with the extensible one for every width of whole bytes.
size_t PutPlainFormat(WavHeader& header, size_t at, const SampleFormat& format) {
  const uint16_t channelBits = static_cast<uint16_t>(format.channels);
  const uint32_t bytesPerSample = static_cast<uint32_t>(format.BytesPerSample());
  const size_t end = PutChunkHeader(header, at, "fmt ", kPlainFormatBytes) + kPlainFormatBytes;
  Store16LE(&header[at + kFormatCode], kFormatCodePcm);
  Store16LE(&header[at + kChannels], channelBits);
  Store32LE(&header[at + kSampleRate], format.sampleRate);
  Store32LE(&header[at + kByteRate], format.sampleRate * bytesPerSample * channelBits);
  Store16LE(
      &header[at + kBlockAlign],
      static_cast<uint16_t>((static_cast<uint32_t>(format.bitsPerSample) * channelBits) >> 3));
  Store16LE(&header[at + kBitsPerSample], static_cast<uint16_t>(format.bitsPerSample));
  return end;
}

size_t PutExtensibleFormat(WavHeader& header, size_t at, const SampleFormat& format) {
  const uint16_t blockAlign = static_cast<uint16_t>(BytesPerFrame(format));
  const uint16_t bits = static_cast<uint16_t>(format.bitsPerSample);
  const size_t end =
      PutChunkHeader(header, at, "fmt ", kExtensibleFormatBytes) + kExtensibleFormatBytes;
  Store16LE(&header[at + kFormatCode], kFormatCodeExtensible);
  Store16LE(&header[at + kChannels], static_cast<uint16_t>(format.channels));
  Store32LE(&header[at + kSampleRate], format.sampleRate);
  Store32LE(&header[at + kByteRate], format.sampleRate * blockAlign);
  Store16LE(&header[at + kBlockAlign], blockAlign);
  Store16LE(&header[at + kBitsPerSample], bits);
  Store16LE(&header[at + kExtensionSize], kExtensionBytes);
  Store16LE(&header[at + kValidBits], bits);
  Store32LE(&header[at + kChannelMask], CarriedMask(format));
  Store16LE(&header[at + kSubFormat],
            format.kind == SampleKind::kFloat ? kFormatCodeFloat : kFormatCodePcm);
  std::copy(kSubFormatTail.begin(), kSubFormatTail.end(),
            header.begin() + static_cast<ptrdiff_t>(at + kSubFormat + 2));
  return end;
}

// The ds64 chunk: 64-bit RIFF size, data size and frame count, and no table
// of further sizes.
size_t PutDs64(WavHeader& header, size_t at, const HeaderLayout& layout) {
  const size_t end = PutChunkHeader(header, at, "ds64", kDs64PayloadBytes) + kDs64PayloadBytes;
  Store64LE(&header[at + kDs64RiffSize],
            static_cast<uint64_t>(layout.FileBytes() - kRiffSizeField));
  Store64LE(&header[at + kDs64DataSize], static_cast<uint64_t>(layout.dataBytes));
  Store64LE(&header[at + kDs64SampleCount], static_cast<uint64_t>(layout.frameCount));
  return end;
}

// The frame count; in an RF64 file the ds64 chunk holds it.
size_t PutFact(WavHeader& header, size_t at, const HeaderLayout& layout) {
  const size_t payload = PutChunkHeader(header, at, "fact", kFactPayloadBytes);
  Store32LE(&header[payload], layout.rf64 ? kSizeInDs64 : static_cast<uint32_t>(layout.frameCount));
  return payload + kFactPayloadBytes;
}

}  // namespace

bool TakesPlainHeader(const SampleFormat& format) {
  return format.kind == SampleKind::kInteger &&
         (format.bitsPerSample == 16 || format.bitsPerSample == 24) &&
         (format.channels == 1 || format.channels == 2) && CarriedMask(format) == 0;
}

int64_t HeaderBytes(const SampleFormat& format) {
  return OwnHeaderBytes(format, false);
}

int64_t MaxDataBytes(const SampleFormat& format, int64_t metadataBytes) {
  return kMaxRiffSize - (HeaderBytes(format) + metadataBytes - kRiffSizeField);
}

int64_t MaxFrames(const SampleFormat& format, int64_t metadataBytes) {
  const int64_t bytesPerFrame = BytesPerFrame(format);
  if (bytesPerFrame <= 0) {
    return 0;
  }
  return (kMaxFileBytes - OwnHeaderBytes(format, true) - metadataBytes) / bytesPerFrame;
}

HeaderLayout DescribeHeader(const SampleFormat& format, int64_t frameCount, int64_t metadataBytes,
                            int64_t chunkBytesAfterSamples, int64_t junkBytes) {
  HeaderLayout layout;
  layout.format = format;
  layout.frameCount = frameCount;
  layout.dataBytes = frameCount * BytesPerFrame(format);
  layout.metadataBytes = metadataBytes;
  layout.junkBytes = junkBytes;
  layout.trailingBytes = BytesAfterSamples(layout.dataBytes, chunkBytesAfterSamples);
  layout.extensible = !TakesPlainHeader(format);
  layout.factChunk = format.kind == SampleKind::kFloat;
  layout.rf64 =
      layout.dataBytes > MaxDataBytes(format, metadataBytes + junkBytes + layout.trailingBytes);
  layout.headerBytes = OwnHeaderBytes(format, layout.rf64) + metadataBytes + junkBytes;
  return layout;
}

WavHeader BuildHeader(const HeaderLayout& layout) {
  WavHeader header(
      static_cast<size_t>(layout.headerBytes - layout.metadataBytes - layout.junkBytes), 0);
  PutId(header, kRiffId, layout.rf64 ? "RF64" : "RIFF");
  Store32LE(&header[kRiffSize],
            layout.rf64 ? kSizeInDs64 : static_cast<uint32_t>(layout.FileBytes() - kRiffSizeField));
  PutId(header, kWaveId, "WAVE");
  size_t at = kFormHeaderBytes;
  if (layout.rf64) {
    at = PutDs64(header, at, layout);
  }
  at = layout.extensible ? PutExtensibleFormat(header, at, layout.format)
                         : PutPlainFormat(header, at, layout.format);
  if (layout.factChunk) {
    at = PutFact(header, at, layout);
  }
  PutChunkHeader(header, at, "data",
                 layout.rf64 ? kSizeInDs64 : static_cast<uint32_t>(layout.dataBytes));
  return header;
}

WavHeader BuildHeader(const SampleFormat& format, int64_t frameCount, int64_t metadataBytes) {
  return BuildHeader(DescribeHeader(format, frameCount, metadataBytes));
}

WavHeader BuildJunkChunk(int64_t chunkBytes) {
  WavHeader chunk(static_cast<size_t>(std::max(chunkBytes, kJunkChunkHeaderBytes)), 0);
  PutId(chunk, 0, "JUNK");
  Store32LE(&chunk[kChunkSize], static_cast<uint32_t>(chunk.size() - kJunkChunkHeaderBytes));
  return chunk;
}

void WriteWavHeader(const std::string& path, const SampleFormat& format, int64_t frameCount,
                    const CarriedMetadata& metadata) {
  const int64_t metadataBytes = metadata.ChunkBytes();
  if (frameCount < 0 || frameCount > MaxFrames(format, metadataBytes)) {
    EndRun(">> %s would hold %lld frames, more than a WAV file can, exiting\n",
           VisibleText(path).c_str(), static_cast<long long>(frameCount));
  }
  WriteWavHeader(path, DescribeHeader(format, frameCount, metadataBytes), metadata);
}

void WriteWavHeader(const std::string& path, const HeaderLayout& layout,
                    const CarriedMetadata& metadata) {
  if (layout.frameCount < 0) {
    EndRun(">> %s would hold %lld frames, more than a WAV file can, exiting\n",
           VisibleText(path).c_str(), static_cast<long long>(layout.frameCount));
  }
  const WavHeader header = BuildHeader(layout);
  FileHandle file = FileHandle::CreateEmpty(path);
  if (!file.IsOpen()) {
    EndRun(">> Cannot create %s: %s, exiting\n", VisibleText(path).c_str(),
           FileErrorText(file.Error()).c_str());
  }
  // The carried chunks, then the JUNK chunk, go between the format chunk and
  // the data chunk.
  const auto dataChunk = std::span(header).last(static_cast<size_t>(kDataChunkHeaderBytes));
  const auto beforeData = std::span(header).first(header.size() - dataChunk.size());
  bool written = file.WriteAt(0, beforeData);
  int64_t position = written ? WriteCarriedMetadata(file, path, beforeData.size(), metadata) : 0;
  if (written && layout.junkBytes > 0) {
    written = file.WriteAt(position, BuildJunkChunk(layout.junkBytes));
    position += layout.junkBytes;
  }
  written = written && file.WriteAt(position, dataChunk);
  if (!written || !file.Close()) {
    EndRun(">> Cannot write %s: %s, exiting\n", VisibleText(path).c_str(),
           FileErrorText(file.Error()).c_str());
  }
}

int64_t BytesAfterSamples(int64_t dataBytes, int64_t chunkBytes) {
  return chunkBytes > 0 ? dataBytes % 2 + chunkBytes : 0;
}

void AppendChunksAfterSamples(const std::string& path, const HeaderLayout& layout,
                              std::span<const uint8_t> chunks) {
  if (chunks.empty()) {
    return;
  }
  if (BytesAfterSamples(layout.dataBytes, static_cast<int64_t>(chunks.size())) !=
      layout.trailingBytes) {
    EndRun(">> The header of %s does not count the chunks after its samples, exiting\n",
           VisibleText(path).c_str());
  }
  const int64_t end = layout.headerBytes + layout.dataBytes;
  const std::array<uint8_t, 1> pad{0};
  FileHandle file = FileHandle::OpenForUpdate(path);
  const bool written = file.IsOpen() && (layout.dataBytes % 2 == 0 || file.WriteAt(end, pad)) &&
                       file.WriteAt(end + layout.dataBytes % 2, chunks);
  if (!written || !file.Close()) {
    EndRun(">> Cannot write %s: %s, exiting\n", VisibleText(path).c_str(),
           FileErrorText(file.Error()).c_str());
  }
}

}  // namespace wexmont
