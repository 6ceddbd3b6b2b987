#include "wav/chunk_walk.h"

#include <cstring>

#include "foundation/byte_pack.h"

namespace wexmont {
namespace {

constexpr int64_t kFormTypeOffset = 8;  // "WAVE", after the file id and its size
constexpr int64_t kFirstChunk = 12;
constexpr int64_t kChunkSizeOffset = 4;
// Real takes have a dozen chunks at most; a file of many more is not walked
// to its end, so that a hostile take costs no more than a few reads.
constexpr size_t kMostChunks = 1024;
constexpr uint32_t kSizeNeverWritten = 0xFFFFFFFF;
constexpr uint32_t kSizeNotYetWritten = 0;
// The ds64 chunk of an RF64 file: 64-bit RIFF size, then 64-bit data size.
constexpr int64_t kDs64DataSizeOffset = 8;
constexpr int64_t kDs64DataSizeBytes = 8;

enum class Container { kNone, kRiff, kRf64 };

bool IsId(const uint8_t* bytes, std::string_view id) {
  return std::memcmp(bytes, id.data(), id.size()) == 0;
}

Container ReadContainer(const FileHandle& file) {
  std::array<uint8_t, kFirstChunk> head{};
  if (file.ReadAt(0, head) < head.size() || !IsId(&head[kFormTypeOffset], "WAVE")) {
    return Container::kNone;
  }
  if (IsId(head.data(), "RIFF")) {
    return Container::kRiff;
  }
  // RF64 and BW64 keep sizes beyond 32 bits in their ds64 chunk.
  if (IsId(head.data(), "RF64") || IsId(head.data(), "BW64")) {
    return Container::kRf64;
  }
  return Container::kNone;
}

// The data size of a ds64 chunk, when it is one the file can hold.
std::optional<int64_t> ReadDs64DataBytes(const FileHandle& file, const ChunkRecord& ds64,
                                         int64_t fileSize) {
  std::array<uint8_t, kDs64DataSizeBytes> field{};
  if (ds64.payloadSize < kDs64DataSizeOffset + kDs64DataSizeBytes ||
      file.ReadAt(ds64.payloadOffset + kDs64DataSizeOffset, field) < field.size()) {
    return std::nullopt;
  }
  const uint64_t bytes = Load64LE(field.data());
  if (bytes == 0 || bytes > static_cast<uint64_t>(fileSize)) {
    return std::nullopt;  // not written yet, or beyond the file: the rest of the file
  }
  return static_cast<int64_t>(bytes);
}

}  // namespace

std::optional<int64_t> DeclaredDataBytes(uint32_t sizeField) {
  if (sizeField == kSizeNotYetWritten || sizeField == kSizeNeverWritten) {
    return std::nullopt;
  }
  return int64_t{sizeField};
}

ChunkWalk WalkChunks(const FileHandle& file) {
  ChunkWalk walk;
  const Container container = ReadContainer(file);
  if (container == Container::kNone) {
    return walk;
  }
  const int64_t fileSize = file.Size();
  std::optional<int64_t> rf64DataBytes;
  for (int64_t at = kFirstChunk;
       at + kChunkHeaderBytes <= fileSize && walk.chunks.size() < kMostChunks;) {
    std::array<uint8_t, kChunkHeaderBytes> header{};
    if (file.ReadAt(at, header) < header.size()) {
      break;
    }
    ChunkRecord& chunk = walk.chunks.emplace_back();
    std::memcpy(chunk.id.data(), header.data(), chunk.id.size());
    const uint32_t sizeField = Load32LE(&header[kChunkSizeOffset]);
    chunk.payloadOffset = at + kChunkHeaderBytes;
    chunk.payloadSize = sizeField;
    if (container == Container::kRf64 && chunk.Is("ds64")) {
      rf64DataBytes = ReadDs64DataBytes(file, chunk, fileSize);
    }
    if (chunk.Is("fmt ") && !walk.formatTag) {
      walk.formatTag = at;
      walk.formatSize = chunk.payloadSize;
    }
    if (chunk.Is("data") && !walk.dataTag) {
      walk.dataTag = at;
      walk.dataBytes = container == Container::kRf64 && sizeField == kSizeNeverWritten
                           ? rf64DataBytes
                           : DeclaredDataBytes(sizeField);
      if (!walk.dataBytes) {
        chunk.payloadSize = fileSize - chunk.payloadOffset;
        break;  // the samples run to the end of the file
      }
      chunk.payloadSize = *walk.dataBytes;
    }
    at = chunk.payloadOffset + chunk.payloadSize + chunk.payloadSize % 2;
  }
  return walk;
}

}  // namespace wexmont
