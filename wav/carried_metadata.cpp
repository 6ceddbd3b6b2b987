#include "wav/carried_metadata.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <span>
#include <utility>
#include <vector>

#include "foundation/byte_pack.h"
#include "foundation/console.h"
#include "foundation/file_messages.h"

namespace wexmont {
namespace {

// Fields of a bext payload.
constexpr int64_t kDateOffset = 320;  // "yyyy-mm-dd"
constexpr size_t kDateBytes = 10;
constexpr int64_t kTimeOffset = 330;  // "hh:mm:ss"
constexpr size_t kTimeBytes = 8;
constexpr int64_t kTimeReferenceOffset = 338;  // 64 bits: low word, then high word
constexpr size_t kTimeReferenceBytes = 8;
constexpr int64_t kVersionOffset = 346;
// From the UMID on (UMID, loudness, reserved bytes), every field describes
// the take's own material or is reserved; the output's are zero.
constexpr int64_t kUmidOffset = 348;
// Version 1 has a UMID field and no loudness; version 2 adds loudness.
constexpr uint16_t kVersionWithoutLoudness = 1;

// The tool named in the coding history line of every output's bext.
constexpr const char* kAssembler = "wexmont";

constexpr size_t kChunkIdBytes = 4;
constexpr size_t kChunkSizeField = 4;  // after the id

constexpr int64_t kCopyBlockBytes = int64_t{64} * 1024;
constexpr int64_t kHistoryScanBlock = 4096;

using BextFields = std::array<uint8_t, kBextFixedBytes>;

int64_t PaddedSize(int64_t payloadSize) {
  return payloadSize + payloadSize % 2;
}

int64_t BextPayloadBytes(const CarriedMetadata& metadata) {
  return kBextFixedBytes + metadata.historyBytes +
         static_cast<int64_t>(metadata.addedHistory.size());
}

// "A=PCM,F=48000,W=24,M=stereo,T=wexmont\r\n": how the output is coded, in
// the coding history's letters. Linear PCM and IEEE float are told apart by
// the algorithm; more than two channels are named as libsndfile names them.
std::string CodingHistoryLine(const SampleFormat& format) {
  const char* algorithm = format.kind == SampleKind::kFloat ? "IEEE_FLOAT" : "PCM";
  const std::string mode = format.channels == 1   ? "mono"
                           : format.channels == 2 ? "stereo"
                                                  : std::to_string(format.channels) + "chan";
  char line[128];
  std::snprintf(line, sizeof line, "A=%s,F=%u,W=%d,M=%s,T=%s\r\n", algorithm, format.sampleRate,
                format.bitsPerSample, mode.c_str(), kAssembler);
  return line;
}

// How many bytes of the coding history at `history` (of `bytes` at most) come
// before its first NUL, and the last of them.
std::pair<int64_t, uint8_t> MeasureHistory(const FileHandle& take, const std::string& takePath,
                                           int64_t history, int64_t bytes) {
  std::array<uint8_t, kHistoryScanBlock> block{};
  uint8_t last = 0;
  for (int64_t done = 0; done < bytes;) {
    const auto part =
        std::span(block.data(), static_cast<size_t>(std::min(kHistoryScanBlock, bytes - done)));
    if (take.ReadAt(history + done, part) < part.size()) {
      EndRun(">> Cannot read %s: %s, exiting\n", takePath.c_str(),
             FileErrorText(take.Error()).c_str());
    }
    const auto nul = std::find(part.begin(), part.end(), uint8_t{0});
    done += nul - part.begin();
    if (nul != part.begin()) {
      last = *(nul - 1);
    }
    if (nul != part.end()) {
      return {done, last};
    }
  }
  return {bytes, last};
}

void WriteOrEnd(const FileHandle& output, const std::string& outputPath, int64_t position,
                std::span<const uint8_t> bytes) {
  if (!output.WriteAt(position, bytes)) {
    EndRun(">> Cannot write %s: %s, exiting\n", outputPath.c_str(),
           FileErrorText(output.Error()).c_str());
  }
}

// A chunk header, and afterwards the chunk's pad byte.
int64_t WriteChunkHeader(const FileHandle& output, const std::string& outputPath, int64_t position,
                         const char (&id)[5], int64_t payloadSize) {
  std::array<uint8_t, kChunkHeaderBytes> header{};
  std::copy_n(id, kChunkIdBytes, header.begin());
  Store32LE(&header[kChunkSizeField], static_cast<uint32_t>(payloadSize));
  WriteOrEnd(output, outputPath, position, header);
  return position + kChunkHeaderBytes;
}

int64_t WritePadByte(const FileHandle& output, const std::string& outputPath, int64_t position,
                     int64_t payloadSize) {
  if (payloadSize % 2 == 0) {
    return position;
  }
  const std::array<uint8_t, 1> pad{};
  WriteOrEnd(output, outputPath, position, pad);
  return position + 1;
}

struct Streams {
  const FileHandle& take;
  const std::string& takePath;
  const FileHandle& output;
  const std::string& outputPath;
};

// Copies `bytes` bytes from `from` in the take to `to` in the output.
void CopyTakeBytes(const Streams& io, int64_t from, int64_t to, int64_t bytes) {
  std::vector<uint8_t> buffer(static_cast<size_t>(std::min(kCopyBlockBytes, bytes)));
  for (int64_t done = 0; done < bytes;) {
    const auto part =
        std::span(buffer.data(), static_cast<size_t>(std::min(kCopyBlockBytes, bytes - done)));
    if (io.take.ReadAt(from + done, part) < part.size()) {
      EndRun(">> Cannot read %s: %s, exiting\n", io.takePath.c_str(),
             FileErrorText(io.take.Error()).c_str());
    }
    WriteOrEnd(io.output, io.outputPath, to + done, part);
    done += static_cast<int64_t>(part.size());
  }
}

// The take's fixed fields as the output's: dated now, and without what
// describes only the take's own material. The UMID names the take's
// material, which the output is not; the loudness was measured on the take.
void RewriteForOutput(BextFields& fields) {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
  localtime_r(&now, &local);
  char date[kDateBytes + 1];
  char time[kTimeBytes + 1];
  std::strftime(date, sizeof date, "%Y-%m-%d", &local);
  std::strftime(time, sizeof time, "%H:%M:%S", &local);
  std::copy_n(date, kDateBytes, fields.begin() + kDateOffset);
  std::copy_n(time, kTimeBytes, fields.begin() + kTimeOffset);
  const uint16_t version = Load16LE(&fields[kVersionOffset]);
  Store16LE(&fields[kVersionOffset], std::min(version, kVersionWithoutLoudness));
  std::fill(fields.begin() + kUmidOffset, fields.end(), uint8_t{0});
}

int64_t WriteBext(const Streams& io, int64_t position, const CarriedMetadata& metadata) {
  BextFields fields{};
  if (io.take.ReadAt(metadata.bext->payloadOffset, fields) < fields.size()) {
    EndRun(">> Cannot read %s: %s, exiting\n", io.takePath.c_str(),
           FileErrorText(io.take.Error()).c_str());
  }
  RewriteForOutput(fields);
  const int64_t payloadSize = BextPayloadBytes(metadata);
  position = WriteChunkHeader(io.output, io.outputPath, position, "bext", payloadSize);
  WriteOrEnd(io.output, io.outputPath, position, fields);
  position += kBextFixedBytes;
  CopyTakeBytes(io, metadata.bext->payloadOffset + kBextFixedBytes, position,
                metadata.historyBytes);
  position += metadata.historyBytes;
  const auto* added = reinterpret_cast<const uint8_t*>(metadata.addedHistory.data());
  WriteOrEnd(io.output, io.outputPath, position, std::span(added, metadata.addedHistory.size()));
  position += static_cast<int64_t>(metadata.addedHistory.size());
  return WritePadByte(io.output, io.outputPath, position, payloadSize);
}

int64_t WriteIxml(const Streams& io, int64_t position, const TakeChunk& ixml) {
  position = WriteChunkHeader(io.output, io.outputPath, position, "iXML", ixml.payloadSize);
  CopyTakeBytes(io, ixml.payloadOffset, position, ixml.payloadSize);
  return WritePadByte(io.output, io.outputPath, position + ixml.payloadSize, ixml.payloadSize);
}

FileHandle OpenTake(const std::string& takePath) {
  FileHandle take = FileHandle::OpenRegularForReading(takePath);
  if (!take.IsOpen()) {
    RefuseUnopenedFile(takePath, take.Error());
  }
  return take;
}

}  // namespace

TakeMetadata FindTakeMetadata(const FileHandle& file, const ChunkWalk& walk) {
  TakeMetadata found;
  if (!walk.dataTag) {
    return found;
  }
  const int64_t fileSize = file.Size();
  for (const ChunkRecord& chunk : walk.chunks) {
    const TakeChunk where{chunk.payloadOffset, chunk.payloadSize};
    if (chunk.payloadOffset + chunk.payloadSize > fileSize) {
      continue;  // cut short: nothing whole to carry
    }
    if (chunk.Is("bext") && !found.bext && chunk.payloadSize >= kBextFixedBytes) {
      found.bext = where;
    } else if (chunk.Is("iXML") && !found.ixml) {
      found.ixml = where;
    }
  }
  std::array<uint8_t, kTimeReferenceBytes> timeReference{};
  if (found.bext && file.ReadAt(found.bext->payloadOffset + kTimeReferenceOffset, timeReference) ==
                        timeReference.size()) {
    found.timeReference = Load64LE(timeReference.data());
  }
  return found;
}

int64_t CarriedMetadata::ChunkBytes() const {
  int64_t bytes = 0;
  if (bext) {
    bytes += kChunkHeaderBytes + PaddedSize(BextPayloadBytes(*this));
  }
  if (ixml) {
    bytes += kChunkHeaderBytes + PaddedSize(ixml->payloadSize);
  }
  return bytes;
}

CarriedMetadata MetadataToCarry(const std::string& takePath, const TakeMetadata& take,
                                const SampleFormat& format) {
  CarriedMetadata carried{takePath, take.bext, 0, {}, take.ixml};
  if (take.bext) {
    const FileHandle file = OpenTake(takePath);
    const auto [historyBytes, last] =
        MeasureHistory(file, takePath, take.bext->payloadOffset + kBextFixedBytes,
                       take.bext->payloadSize - kBextFixedBytes);
    carried.historyBytes = historyBytes;
    carried.addedHistory =
        (historyBytes > 0 && last != '\n' ? "\r\n" : "") + CodingHistoryLine(format);
  }
  return carried;
}

int64_t WriteCarriedMetadata(const FileHandle& output, const std::string& outputPath,
                             int64_t position, const CarriedMetadata& metadata) {
  if (!metadata.bext && !metadata.ixml) {
    return position;
  }
  const FileHandle take = OpenTake(metadata.takePath);
  const Streams io{take, metadata.takePath, output, outputPath};
  if (metadata.bext) {
    position = WriteBext(io, position, metadata);
  }
  if (metadata.ixml) {
    position = WriteIxml(io, position, *metadata.ixml);
  }
  return position;
}

}  // namespace wexmont
