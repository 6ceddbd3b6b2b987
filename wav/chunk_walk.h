// The chunk list of a WAV file, walked from its first chunk: 4-byte id,
// 32-bit little-endian payload size, payload, and a pad byte after an odd
// size. Only chunk headers are read, so bytes inside a chunk (the text of a
// description, a comment or a picture) are never taken for a chunk.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "foundation/file_handle.h"

namespace wexmont {

constexpr int64_t kChunkHeaderBytes = 8;  // id, then the 32-bit payload size

// One chunk the walk passed, in file order.
struct ChunkRecord {
  std::array<char, 4> id{};
  int64_t payloadOffset = 0;  // first byte after the chunk header
  // Bytes as the chunk declares them (an RF64 data chunk: as its ds64 chunk
  // declares them); a data chunk that holds the rest of the file: the bytes
  // up to its end. Only the last chunk of a walk can reach past the end of
  // the file.
  int64_t payloadSize = 0;

  bool Is(std::string_view name) const { return name == std::string_view(id.data(), id.size()); }
};

// What the walk found. A tag is the position of a chunk's id; the fields of
// the format and data chunks are read at fixed offsets from their tags.
struct ChunkWalk {
  std::vector<ChunkRecord> chunks;
  std::optional<int64_t> formatTag;   // the first "fmt " chunk
  std::optional<int64_t> formatSize;  // its declared payload size
  std::optional<int64_t> dataTag;     // the first "data" chunk
  // Sample bytes the data chunk declares; nothing when it holds the rest of
  // the file.
  std::optional<int64_t> dataBytes;
};

// Walks a RIFF, RF64 or BW64 file of form WAVE from byte 12 to its end. The
// walk stops early at a chunk that reaches past the end of the file, at a
// data chunk that holds the rest of the file, or after more chunks than any
// recorder writes; a file of another form yields no chunks at all.
ChunkWalk WalkChunks(const FileHandle& file);

// Sample bytes declared by a data chunk's 32-bit size field. A size of 0 or
// 0xFFFFFFFF is what a writer that never closed its file leaves behind: the
// samples then run to the end of the file, and nothing is returned.
std::optional<int64_t> DeclaredDataBytes(uint32_t sizeField);

}  // namespace wexmont
